#include "background_blocks.h"

#include <utility>

#include "fast/helper_thread.h"

namespace vellumine {

BackgroundBlocks::BackgroundBlocks(std::function<bool(const char*, size_t)> write)
    : write_(std::move(write)) {}

bool BackgroundBlocks::Start() { return StartHelperThread(thread_, [this] { Run(); }); }

BackgroundBlocks::~BackgroundBlocks() {
  if (!thread_.joinable()) return;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return data_ == nullptr; });
    stop_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void BackgroundBlocks::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return stop_ || data_ != nullptr; });
    if (data_ == nullptr) return;  // stopped, with nothing left to write
    const char* data = data_;
    const size_t size = size_;
    lock.unlock();
    const bool written = write_(data, size);
    lock.lock();
    if (!written) failed_ = true;
    data_ = nullptr;
    changed_.notify_all();
  }
}

bool BackgroundBlocks::Hand(const char* data, size_t n) {
  {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return data_ == nullptr; });
    if (failed_) return false;
    if (n == 0) return true;
    data_ = data;
    size_ = n;
  }
  changed_.notify_all();
  return true;
}

bool BackgroundBlocks::Finish() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [&] { return data_ == nullptr; });
  return !failed_;
}

}  // namespace vellumine
