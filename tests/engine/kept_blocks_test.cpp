// The blocks a thread keeps between conversions, against a plain model of the rule: a block
// given back is kept while the thread keeps fewer than kKeptBlocks of kKeptBytes in all, and
// comes back to the next taker of its size on that thread.

#include <cstdlib>
#include <cstring>
#include <map>
#include <random>

#include "engine_test_util.h"
#include "fast/kept_blocks.h"

namespace vellumine::testing {
namespace {

TEST(KeptBlocks, RandomTakesAndGivesFollowTheModel) {
  const size_t sizes[] = {100, kSmallestKeptBlock - 1, kSmallestKeptBlock, 20000, 131072,
                          size_t{1} << 20, kKeptBytes, kKeptBytes + 1};
  FreeKeptBlocks();  // what earlier tests left
  std::mt19937 random(7);
  std::vector<std::pair<void*, size_t>> held;  // taken, not given back
  std::multimap<size_t, void*> kept;           // the model's store
  for (int step = 0; step < 5000; ++step) {
    if (held.empty() || random() % 2 == 0) {
      const size_t bytes = sizes[random() % std::size(sizes)];
      void* block = held.emplace_back(TakeBlock(bytes), bytes).first;
      std::memset(block, 0xA5, bytes);  // all of it is the taker's
      auto [first, last] = kept.equal_range(bytes);
      auto it = std::find_if(first, last, [&](const auto& k) { return k.second == block; });
      ASSERT_EQ(it == last, first == last) << "a kept block of " << bytes << " bytes was not given";
      if (it != last) kept.erase(it);
    } else {
      auto at = held.begin() + static_cast<std::ptrdiff_t>(random() % held.size());
      const auto [block, bytes] = *at;
      held.erase(at);
      GiveBackBlock(block, bytes);
      size_t sum = 0;  // the bytes kept
      for (const auto& k : kept) sum += k.first;
      if (bytes >= kSmallestKeptBlock && kept.size() < kKeptBlocks && sum + bytes <= kKeptBytes)
        kept.emplace(bytes, block);
    }
    ASSERT_EQ(KeptBlockCount(), kept.size()) << "step " << step;
  }
  for (auto [block, bytes] : held) GiveBackBlock(block, bytes);
}

}  // namespace
}  // namespace vellumine::testing
