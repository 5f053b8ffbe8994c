// A source's blocks read on a thread of their own while the caller works on the last one:
// the reading's system calls overlap the conversion instead of interrupting it. Three
// buffers taken in turn, allocated once: the one the caller works on, the one it worked on
// before (which stays as it is until the caller asks for the next, so that bytes can be
// carried over from it), and the one being read.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "translation/raw_text_source.h"

namespace vellumine {

class ReadAhead {
 public:
  struct Block {
    char* bytes = nullptr;  // `before` bytes after the buffer's start
    size_t n = 0;           // fewer than the block's size only at the source's end
    bool last = false;      // the source's `size` bytes end with it (or the source ended)
    bool failed = false;    // a read failed: the source ended there
  };

  // Blocks of `block` bytes of the first `size` of source, each in a buffer with `before`
  // bytes of room ahead of it and `after` bytes behind it.
  ReadAhead(RawTextSource& source, uint64_t size, size_t block, size_t before, size_t after);
  ~ReadAhead();  // stops the reading and waits for the read under way
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // Sets the buffers aside and, with `ahead`, starts reading on a thread of its own
  // (otherwise, or where no thread can be started, this one reads a block as it is asked
  // for); false when there is no memory.
  bool Start(bool ahead = true);
  // The next block, once it is read. The block given before it stays as it is until the next
  // call; the one before that is read into again. Not called again after a last block.
  Block Next();

 private:
  static constexpr int kBuffers = 3;
  void Run();
  // Reads the next block into buffer k.
  Block Read(int k);
  char* BufferBytes(int k) { return buffers_[k].get() + before_; }

  RawTextSource& source_;
  const uint64_t size_;
  const size_t block_, before_, after_;
  std::unique_ptr<char[]> buffers_[kBuffers];
  uint64_t read_ = 0;  // bytes read (by the reading thread, or the caller without one)

  std::mutex mutex_;
  std::condition_variable changed_;
  Block ready_[kBuffers];   // read and not yet given, by buffer
  bool isReady_[kBuffers] = {};
  int given_ = 0;           // blocks given to the caller
  int readCount_ = 0;       // blocks read
  bool done_ = false;       // the last block was read
  bool stop_ = false;
  std::thread thread_;
};

}  // namespace vellumine
