// The default reading on two cores: one thread reads the page's tokens, and the attributes
// of their start tags, a batch at a time while the layout and writer take them on the
// calling thread. The tokens, and so the output, are those of one PageTokenizer from the
// start. A page read as it goes is passed up to the batch the calling thread takes.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "reading/html_tokenizer.h"
#include "translation/growing_text.h"

namespace vellumine {

// Pages from this size on are read by the pipeline, smaller ones on the calling thread.
inline constexpr size_t kTokenPipelineFrom = size_t{1} << 20;

class TokenPipeline {
 public:
  // Starts the reading thread, which reads the attributes a reader with use needs; throws
  // std::system_error when there is no thread to be had.
  TokenPipeline(GrowingText& page, AttributeUse use);
  ~TokenPipeline();
  TokenPipeline(const TokenPipeline&) = delete;
  TokenPipeline& operator=(const TokenPipeline&) = delete;

  // As HtmlTokenizer's; the token stays as it is until the next call.
  const HtmlToken& Next() {
    if (index_ == taken_->count) TakeNextBatch();
    position_ = taken_->positions[index_];
    return taken_->tokens[index_++];
  }
  size_t position() const { return position_; }
  // Gives the tokens after the one just taken that the reading thread has read to
  // visitor.Take in order, until it returns false (then true). False when they run out, or
  // at markup being passed over, with from the position after the last token given, where
  // a tokenizer goes on with the same tokens.
  template <typename Visitor>
  bool LookAhead(Visitor& visitor, size_t& from) {
    size_t produced;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      produced = produced_;
    }
    // The taken batch is number consumed_; those after it up to produced stay as they are
    // until this thread gives them back.
    const Batch* batch = taken_;
    size_t number = consumed_;
    for (size_t i = index_;; i = 0) {
      for (; i < batch->count; ++i) {
        if (batch->tokens[i].kind == HtmlToken::Kind::Passed) return false;
        if (!visitor.Take(batch->tokens[i])) return true;
        from = batch->positions[i];
      }
      if (++number >= produced) return false;
      batch = &batches_[number % kBatches];
    }
  }
  // Those read ahead, where they stay until the next batch is taken; others into scratch.
  const TagAttributes& UsedAttributes(const HtmlToken& token, AttributeUse use,
                                      TagAttributes& scratch) const {
    if (!(use == use_)) {  // not what was read ahead
      ReadUsedAttributes(text_, token, use, scratch);
      return scratch;
    }
    static const TagAttributes none;
    const uint16_t at = taken_->attributesAt[index_ - 1];
    return at == kNoAttributes ? none : taken_->attributes[at];
  }

 private:
  static constexpr size_t kBatchTokens = 4096;
  // A batch also ends once its tokens cover this many bytes, so that the reading thread is
  // never more than a few MiB of the page ahead, however long the tokens.
  static constexpr size_t kBatchBytes = size_t{256} << 10;
  static constexpr size_t kBatchAttributes = 512;  // tags with used attributes in a batch
  static constexpr uint16_t kNoAttributes = UINT16_MAX;
  static constexpr size_t kBatches = 8;
  // The reading thread, once all batches are full, waits until this many are free again,
  // so that the threads wake each other seldom.
  static constexpr size_t kRefill = kBatches / 2;
  struct Batch {
    HtmlToken tokens[kBatchTokens];
    size_t positions[kBatchTokens];        // where the tokenizer stood after each
    uint16_t attributesAt[kBatchTokens];   // a start tag's in attributes, or kNoAttributes
    TagAttributes attributes[kBatchAttributes];
    size_t count = 0;
  };

  static std::unique_ptr<Batch[]>& KeptBatches();
  void Produce();
  void TakeNextBatch();

  GrowingText& page_;
  const char* text_;
  AttributeUse use_;
  std::unique_ptr<Batch[]> batches_;
  std::mutex mutex_;
  std::condition_variable filled_;    // a batch was filled, or the reader ended
  std::condition_variable freed_;      // batches were given back, or the reader is to stop
  size_t produced_ = 0;   // batches filled
  size_t consumed_ = 0;   // batches given back
  bool producerWaits_ = false;
  bool consumerWaits_ = false;
  bool stop_ = false;     // the reading thread is to end
  Batch* taken_ = nullptr;
  size_t index_ = 0;
  size_t position_ = 0;
  std::thread reader_;
};

}  // namespace vellumine
