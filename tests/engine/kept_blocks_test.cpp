// The blocks a thread keeps between conversions, against a plain model of the rule (a block
// given back is kept while the thread keeps fewer than kKeptBlocks of kKeptBytes in all, and
// comes back to the next taker of its size on that thread), and conversions on them.

#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <thread>
#include <vector>

#include "engine_test_util.h"
#include "fast/kept_blocks.h"

namespace vellumine::testing {
namespace {

// Empties this thread's store of the sizes these tests give back: each kept block taken and
// freed.
void TakeAllKept() {
  for (size_t bytes : {kSmallestKeptBlock, size_t{20000}, size_t{65536}, size_t{131072},
                       size_t{1} << 20, kKeptBytes})
    for (size_t count = KeptBlockCount(); count > 0; count = KeptBlockCount()) {
      std::free(TakeBlock(bytes));
      if (KeptBlockCount() == count) break;  // none of this size
    }
}

TEST(KeptBlocks, RandomTakesAndGivesFollowTheModel) {
  TakeAllKept();
  ASSERT_EQ(KeptBlockCount(), 0u);
  const size_t kSizes[] = {100, kSmallestKeptBlock - 1, kSmallestKeptBlock, 20000, 131072,
                           size_t{1} << 20, kKeptBytes, kKeptBytes + 1};
  std::mt19937 random(7);
  std::vector<std::pair<void*, size_t>> held;  // taken, not given back
  std::multimap<size_t, void*> kept;           // the model's store
  size_t keptBytes = 0;
  for (int step = 0; step < 5000; ++step) {
    if (held.empty() || random() % 2 == 0) {
      const size_t bytes = kSizes[random() % std::size(kSizes)];
      void* block = TakeBlock(bytes);
      ASSERT_NE(block, nullptr);
      std::memset(block, 0xA5, bytes);  // all of it is the taker's
      auto same = kept.find(bytes);
      if (same != kept.end()) {
        // A kept block of the size comes back (any of them).
        bool fromStore = false;
        for (auto it = kept.lower_bound(bytes); it != kept.upper_bound(bytes); ++it)
          if (it->second == block) {
            kept.erase(it);
            fromStore = true;
            break;
          }
        ASSERT_TRUE(fromStore) << "a block of " << bytes << " bytes was kept but not given";
        keptBytes -= bytes;
      }
      held.emplace_back(block, bytes);
    } else {
      const size_t at = random() % held.size();
      auto [block, bytes] = held[at];
      held.erase(held.begin() + static_cast<std::ptrdiff_t>(at));
      GiveBackBlock(block, bytes);
      if (bytes >= kSmallestKeptBlock && kept.size() < kKeptBlocks &&
          keptBytes + bytes <= kKeptBytes) {
        kept.emplace(bytes, block);
        keptBytes += bytes;
      }
    }
    ASSERT_EQ(KeptBlockCount(), kept.size()) << "step " << step;
    ASSERT_EQ(KeptBlockBytes(), keptBytes) << "step " << step;
  }
  for (auto [block, bytes] : held) GiveBackBlock(block, bytes);
  TakeAllKept();
}

TEST(KeptBlocks, AThreadKeepsItsOwn) {
  TakeAllKept();
  void* mine = TakeBlock(65536);
  GiveBackBlock(mine, 65536);
  void* theirs = nullptr;
  size_t keptThere = 1;
  std::thread other([&] {
    theirs = TakeBlock(65536);
    GiveBackBlock(theirs, 65536);
    keptThere = KeptBlockCount();
  });
  other.join();
  EXPECT_NE(theirs, mine);
  EXPECT_EQ(keptThere, 1u);
  EXPECT_EQ(TakeBlock(65536), mine);
  GiveBackBlock(mine, 65536);
  TakeAllKept();
}

// Conversion after conversion on one thread, in every format: the same output each time,
// and the thread keeps what one conversion needs, no more.
TEST(KeptBlocks, ConversionsReuseWhatTheThreadKeeps) {
  const std::string page = "<h1>Kept</h1><table><tr><td>a</td><td>b</td></tr></table>" +
                           std::string(200000, 'x') + "<p>end</p>";
  for (const char* format : {"text", "rtf"}) {
    for (int tables = 0; tables < 2; ++tables) {
      vellumine_options options;
      vellumine_options_init(&options);
      ASSERT_EQ(vellumine_option_set(&options, "format", format), VELLUMINE_OK);
      options.tables = tables;
      auto keep = [](void* context, const char* bytes, size_t n) {
        static_cast<std::string*>(context)->append(bytes, n);
        return 0;
      };
      std::string first, later;
      ASSERT_EQ(vellumine_convert_memory(page.data(), page.size(), &options, keep, &first),
                VELLUMINE_OK);
      const size_t keptAfterOne = KeptBlockCount();
      EXPECT_GT(keptAfterOne, 0u) << format;
      for (int again = 0; again < 3; ++again) {
        later.clear();
        ASSERT_EQ(vellumine_convert_memory(page.data(), page.size(), &options, keep, &later),
                  VELLUMINE_OK);
        EXPECT_EQ(later, first) << format << " tables " << tables;
        EXPECT_EQ(KeptBlockCount(), keptAfterOne) << format << " tables " << tables;
      }
      EXPECT_LE(KeptBlockBytes(), kKeptBytes);
    }
  }
}

}  // namespace
}  // namespace vellumine::testing
