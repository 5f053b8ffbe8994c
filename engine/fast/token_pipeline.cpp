#include "token_pipeline.h"

namespace vellumine {

TokenPipeline::TokenPipeline(const char* text, size_t n) : batches_(new Batch[kBatches]) {
  static Batch empty;  // taken before the first batch: it holds no token
  taken_ = &empty;
  reader_ = std::thread([this, text, n] { Produce(text, n); });
}

TokenPipeline::~TokenPipeline() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  reader_.join();
}

void TokenPipeline::Produce(const char* text, size_t n) {
  HtmlTokenizer tokens(text, n);
  for (bool ended = false; !ended;) {
    Batch* batch;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [&] { return stop_ || produced_ - consumed_ < kBatches; });
      if (stop_) return;
      batch = &batches_[produced_ % kBatches];
    }
    size_t count = 0;
    while (count < kBatchTokens && !ended) {
      batch->tokens[count] = tokens.Next();
      batch->positions[count] = tokens.position();
      ended = batch->tokens[count++].kind == HtmlToken::Kind::End;
    }
    batch->count = count;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ++produced_;
    }
    changed_.notify_all();
  }
}

void TokenPipeline::TakeNextBatch() {
  std::unique_lock<std::mutex> lock(mutex_);
  if (taken_ != nullptr && taken_->count != 0 && taken_ == &batches_[consumed_ % kBatches]) {
    ++consumed_;  // the batch just read goes back
    changed_.notify_all();
  }
  changed_.wait(lock, [&] { return produced_ > consumed_; });
  taken_ = &batches_[consumed_ % kBatches];
  index_ = 0;
}

}  // namespace vellumine
