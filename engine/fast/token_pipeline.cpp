#include "token_pipeline.h"

#include <utility>

#include "fast/helper_thread.h"
#include "reading/page_tokenizer.h"

namespace vellumine {

// The batches a pipeline on this thread had, for the next one: making them anew (fresh
// memory, every token and attribute set to its default) costs a large page's work on a
// small one.
std::unique_ptr<TokenPipeline::Batch[]>& TokenPipeline::KeptBatches() {
  thread_local std::unique_ptr<Batch[]> kept;
  return kept;
}

TokenPipeline::TokenPipeline(GrowingText& page, AttributeUse use)
    : page_(page), text_(page.text()), use_(use), batches_(std::move(KeptBatches())) {
  if (!batches_) batches_.reset(new Batch[kBatches]);
  static Batch empty;  // taken before the first batch: it holds no token
  taken_ = &empty;
  reader_ = StartHelperThread([this] { Produce(); });
}

TokenPipeline::~TokenPipeline() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  freed_.notify_all();
  reader_.join();
  KeptBatches() = std::move(batches_);
}

void TokenPipeline::Produce() {
  PageTokenizer tokens(page_);
  for (bool ended = false; !ended;) {
    Batch* batch;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      if (produced_ - consumed_ == kBatches) {
        producerWaits_ = true;
        freed_.wait(lock, [&] { return stop_ || produced_ - consumed_ <= kBatches - kRefill; });
        producerWaits_ = false;
      }
      if (stop_) return;
      batch = &batches_[produced_ % kBatches];
    }
    size_t count = 0;
    size_t attributes = 0;
    const size_t start = tokens.position();
    for (;;) {
      const HtmlToken token = tokens.Next();
      batch->tokens[count] = token;
      batch->positions[count] = tokens.position();
      batch->attributesAt[count] = kNoAttributes;
      ++count;
      if (token.kind == HtmlToken::Kind::StartTag && token.end > token.begin) {
        TagAttributes& read = batch->attributes[attributes];
        ReadUsedAttributes(text_, token, use_, read);
        for (const bool has : read.has) {
          if (has) {
            batch->attributesAt[count - 1] = static_cast<uint16_t>(attributes++);
            break;
          }
        }
        if (attributes == kBatchAttributes) break;
      } else if (token.kind == HtmlToken::Kind::End) {
        ended = true;
        break;
      }
      if (count == kBatchTokens || tokens.position() - start >= kBatchBytes) break;
    }
    batch->count = count;
    bool wake;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ++produced_;
      wake = consumerWaits_;
    }
    if (wake) filled_.notify_one();
  }
}

void TokenPipeline::TakeNextBatch() {
  // Every token before the next one was laid out.
  if (!page_.Kept()) page_.Pass(position_);
  std::unique_lock<std::mutex> lock(mutex_);
  if (taken_->count != 0 && taken_ == &batches_[consumed_ % kBatches]) {
    ++consumed_;  // the batch just read goes back
    if (producerWaits_ && produced_ - consumed_ <= kBatches - kRefill) freed_.notify_one();
  }
  if (produced_ == consumed_) {
    consumerWaits_ = true;
    filled_.wait(lock, [&] { return produced_ > consumed_; });
    consumerWaits_ = false;
  }
  taken_ = &batches_[consumed_ % kBatches];
  index_ = 0;
}

}  // namespace vellumine
