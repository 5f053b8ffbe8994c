#include "kept_blocks.h"

#include <cstdlib>

namespace vellumine {
namespace {

// The blocks one thread keeps, freed when it ends.
class ThreadBlocks {
 public:
  ThreadBlocks() = default;
  ThreadBlocks(const ThreadBlocks&) = delete;
  ThreadBlocks& operator=(const ThreadBlocks&) = delete;
  ~ThreadBlocks() { FreeAll(); }

  void* Take(size_t bytes) {
    for (size_t i = count_; i-- > 0;) {
      if (blocks_[i].bytes != bytes) continue;
      void* block = blocks_[i].block;
      kept_ -= bytes;
      blocks_[i] = blocks_[--count_];
      return block;
    }
    return nullptr;
  }
  bool Keep(void* block, size_t bytes) {
    if (count_ == kKeptBlocks || bytes > kKeptBytes - kept_) return false;
    blocks_[count_++] = {block, bytes};
    kept_ += bytes;
    return true;
  }
  void FreeAll() {
    for (size_t i = 0; i < count_; ++i) std::free(blocks_[i].block);
    count_ = 0;
    kept_ = 0;
  }
  size_t count() const { return count_; }

 private:
  struct Kept {
    void* block;
    size_t bytes;
  };
  Kept blocks_[kKeptBlocks] = {};
  size_t count_ = 0;
  size_t kept_ = 0;
};

ThreadBlocks& Blocks() {
  thread_local ThreadBlocks blocks;
  return blocks;
}

}  // namespace

void* TakeBlock(size_t bytes) noexcept {
  if (bytes >= kSmallestKeptBlock) {
    if (void* block = Blocks().Take(bytes)) return block;
  }
  return std::malloc(bytes == 0 ? 1 : bytes);
}

void GiveBackBlock(void* block, size_t bytes) noexcept {
  if (!block) return;
  if (bytes < kSmallestKeptBlock || !Blocks().Keep(block, bytes)) std::free(block);
}

void FreeKeptBlocks() noexcept { Blocks().FreeAll(); }

size_t KeptBlockCount() noexcept { return Blocks().count(); }

}  // namespace vellumine
