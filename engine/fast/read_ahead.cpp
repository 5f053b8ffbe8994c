#include "read_ahead.h"

#include <new>
#include <system_error>

#include "fast/allocation_limit.h"
#include "fast/helper_thread.h"

namespace vellumine {

ReadAhead::ReadAhead(RawTextSource& source, uint64_t size, size_t block, size_t before,
                     size_t after)
    : source_(source), size_(size), block_(block), before_(before), after_(after) {}

ReadAhead::~ReadAhead() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

bool ReadAhead::Start(bool ahead) {
  for (auto& buffer : buffers_) {
    const size_t bytes = before_ + block_ + after_;
    if (!GrantBlockAllocation(bytes)) return false;
    buffer.reset(new (std::nothrow) char[bytes]);
    if (!buffer) return false;
  }
  if (!ahead) return true;
  // Without a thread the caller reads a block as it is asked for.
  StartHelperThread(thread_, [this] { Run(); });
  return true;
}

ReadAhead::Block ReadAhead::Read(int k) {
  Block block;
  block.bytes = BufferBytes(k);
  const uint64_t left = size_ - read_;
  const size_t want = left < block_ ? static_cast<size_t>(left) : block_;
  if (want > 0 && !source_.ReadAt(read_, block.bytes, want, block.n)) {
    block.failed = true;
    block.n = 0;
  }
  read_ += block.n;
  block.last = block.failed || block.n < want || read_ == size_;
  return block;
}

void ReadAhead::Run() {
  for (int k = 0;; k = (k + 1) % kBuffers) {
    {
      // Block r goes into buffer r % 3, which held block r - 3: free once the caller works
      // on block r - 1 (it keeps the one before as it is), that is, once it was given r
      // blocks.
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [&] { return stop_ || readCount_ <= given_; });
      if (stop_) return;
    }
    const Block block = Read(k);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ready_[k] = block;
      isReady_[k] = true;
      ++readCount_;
      done_ = block.last;
    }
    changed_.notify_all();
    if (block.last) return;
  }
}

ReadAhead::Block ReadAhead::Next() {
  const int k = given_ % kBuffers;
  if (!thread_.joinable()) {
    ++given_;
    return Read(k);
  }
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [&] { return isReady_[k]; });
  isReady_[k] = false;
  ++given_;
  const Block block = ready_[k];
  lock.unlock();
  changed_.notify_all();
  return block;
}

}  // namespace vellumine
