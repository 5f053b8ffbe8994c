// Blocks handed to a thread of their own, which writes them one after the other while the
// caller fills the next: a large output's system calls overlap the conversion instead of
// interrupting it.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>

namespace vellumine {

class BackgroundBlocks {
 public:
  // write takes one block and says whether it went out; it runs on the thread, one block
  // at a time.
  explicit BackgroundBlocks(std::function<bool(const char*, size_t)> write);
  ~BackgroundBlocks();  // waits for the block being written
  // Starts the thread; false when none can be started (nothing may be handed then).
  bool Start();
  BackgroundBlocks(const BackgroundBlocks&) = delete;
  BackgroundBlocks& operator=(const BackgroundBlocks&) = delete;

  // Waits until the block handed before is written, then hands data[0, n), which must stay
  // as it is until the next Hand or Finish. False when a write has failed (the block is
  // then not written, nor is any later one).
  bool Hand(const char* data, size_t n);
  // Waits until every block handed is written; false when any write failed.
  bool Finish();

 private:
  void Run();

  std::function<bool(const char*, size_t)> write_;
  std::mutex mutex_;
  std::condition_variable changed_;
  const char* data_ = nullptr;  // the block to write, null when there is none
  size_t size_ = 0;
  bool failed_ = false;
  bool stop_ = false;
  std::thread thread_;
};

}  // namespace vellumine
