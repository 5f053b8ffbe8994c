// An input page read a block at a time into address space set aside for all of it, and let
// go of behind the reading pass: positions and pointers are those of the whole page, while
// only the blocks between the last pass point and the last read hold memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>

#include "translation/growing_text.h"
#include "translation/raw_text_source.h"

namespace vellumine {

class PageWindow final : public GrowingText {
 public:
  // Blocks of this size are read and let go of (a multiple of every platform's page size).
  static constexpr size_t kBlock = size_t{1} << 20;

  PageWindow() = default;
  ~PageWindow() override;
  PageWindow(const PageWindow&) = delete;
  PageWindow& operator=(const PageWindow&) = delete;

  // Sets aside address space for size bytes of source, read blockSize bytes at a time (a
  // multiple of kPageSize); false when there is not that much address space. The text ends
  // at its first 0x1A, or where the source ends.
  bool Open(RawTextSource& source, uint64_t size, size_t blockSize = kBlock);

  // Reach and Pass may be called from two threads: one reads and lets go under a lock.
  size_t Reach(size_t p) override;
  bool Ended() const override;
  void Pass(size_t p) override;
  void Rewind() override;
  size_t expected() const override { return size_; }
  // A block at a time, up to GrowingText's step (small blocks, as tests use, small steps).
  size_t step() const override { return block_ < kStep ? block_ : kStep; }

  // Whether a read failed: the text then ended where it did.
  bool failed() const;
  // The most bytes of the page held at once so far (read and not let go of).
  size_t mostHeld() const;

  static constexpr size_t kPageSize = 4096;

 private:
  void ReadBlock();              // the next block, under the lock
  void Release(size_t to);       // gives back the blocks from released_ to `to`
  size_t Limit() const { return ended_ ? end_ : (read_ > kReadPast ? read_ - kReadPast : 0); }

  RawTextSource* source_ = nullptr;
  char* base_ = nullptr;
  size_t reserved_ = 0;   // address space set aside
  size_t size_ = 0;       // bytes the source is to give
  size_t block_ = kBlock;
  mutable std::mutex mutex_;
  size_t read_ = 0;       // bytes read (and the memory under them held)
  size_t released_ = 0;  // nothing before this is held
  size_t mostHeld_ = 0;
  size_t end_ = 0;        // the text's length, once ended_
  bool ended_ = false;
  bool failed_ = false;
  // Blocks let go of whose memory is kept for the next blocks read (where the platform can
  // move memory), at their old places.
  static constexpr size_t kSpares = 4;
  char* spares_[kSpares] = {};
  size_t spareCount_ = 0;
};

}  // namespace vellumine
