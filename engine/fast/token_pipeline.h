// The default reading on two cores: one thread reads the page's tokens a batch at a time
// while the layout and writer take them on the calling thread. The tokens, and so the
// output, are those of one HtmlTokenizer from the start.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <thread>

#include "reading/html_tokenizer.h"

namespace vellumine {

// Pages from this size on are read by the pipeline, smaller ones on the calling thread.
inline constexpr size_t kTokenPipelineFrom = size_t{1} << 20;

class TokenPipeline {
 public:
  // Starts the reading thread; throws std::system_error when there is none to be had.
  TokenPipeline(const char* text, size_t n);
  ~TokenPipeline();
  TokenPipeline(const TokenPipeline&) = delete;
  TokenPipeline& operator=(const TokenPipeline&) = delete;

  // As HtmlTokenizer's.
  HtmlToken Next() {
    if (index_ == taken_->count) TakeNextBatch();
    position_ = taken_->positions[index_];
    return taken_->tokens[index_++];
  }
  size_t position() const { return position_; }

 private:
  static constexpr size_t kBatchTokens = 4096;
  static constexpr size_t kBatches = 8;
  struct Batch {
    HtmlToken tokens[kBatchTokens];
    size_t positions[kBatchTokens];  // where the tokenizer stood after each
    size_t count = 0;
  };

  void Produce(const char* text, size_t n);
  void TakeNextBatch();

  std::unique_ptr<Batch[]> batches_;
  std::mutex mutex_;
  std::condition_variable changed_;
  size_t produced_ = 0;   // batches filled
  size_t consumed_ = 0;   // batches given back
  bool stop_ = false;     // the reading thread is to end
  Batch* taken_ = nullptr;
  size_t index_ = 0;
  size_t position_ = 0;
  std::thread reader_;
};

}  // namespace vellumine
