#include "read_page.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <utility>

#include "fast/allocation_limit.h"
#include "fast/byte_scan.h"
#include "fast/kept_blocks.h"
#include "fast/read_ahead.h"
#include "job/conversion_mode.h"
#include "reading/block_tokenizer.h"
#include "reading/page_layout.h"
#include "reading/rtf_page_writer.h"
#include "reading/text_page_writer.h"

namespace vellumine {
namespace {

static_assert(kReadPastPage >= kScanChunk, "the writers' runs read a chunk past their end");
static_assert(BlockTokenizer::kReadPast >= kReadPastPage);

// Hands each token to the layout and passes the ticks on the way.
template <typename Writer>
class TokenTaker {
 public:
  TokenTaker(PageLayout<Writer>& layout, ProgressTicks& ticks)
      : layout_(layout), ticks_(ticks), nextTick_(ticks.nextPosition()) {}
  // offset: the page's position of text[0].
  [[gnu::always_inline]] void Take(size_t offset, const char* text, const HtmlToken& token,
                                   size_t position) {
    position += offset;
    if (position > nextTick_) {
      ticks_.Pass(passed_, position);
      nextTick_ = ticks_.nextPosition();
    }
    passed_ = position;
    layout_.Take(text, token);
  }
  void Finish(size_t end) {
    ticks_.Pass(passed_, end);
    layout_.Finish();
  }

 private:
  PageLayout<Writer>& layout_;
  ProgressTicks& ticks_;
  size_t nextTick_;     // ticks before it were all passed
  size_t passed_ = 0;
};

// The reading of one page into one writer, its tokens given whole or a block at a time.
template <typename Writer>
class PageReading {
 public:
  PageReading(Writer& writer, const EncodingChoice& encoding, ProgressTicks& ticks)
      : writer_(writer), layout_(writer, encoding), taker_(layout_, ticks) {}

  void Whole(const char* text, size_t n) {
    BlockTokenizer::TokenizeWhole(text, n,
                                  [&](const char* at, const HtmlToken& token, size_t position) {
                                    taker_.Take(0, at, token, position);
                                  });
    read_ = n;
    Finish();
  }
  // The next block of the page as BlockTokenizer::Commit takes it. The text ends at its first
  // 0x1A, or with a last block; true once it has ended (the reading is then finished).
  bool Commit(char* block, size_t n, bool last) {
    if (const void* stop = std::memchr(block, 0x1A, n)) {
      n = static_cast<size_t>(static_cast<const char*>(stop) - block);
      last = true;
    }
    read_ += n;
    const size_t offset = blocks_.offset();
    blocks_.Commit(block, n, last, [&](const char* at, const HtmlToken& token, size_t position) {
      taker_.Take(offset, at, token, position);
    });
    if (last) Finish();
    return last;
  }

 private:
  void Finish() {
    taker_.Finish(read_);
    writer_.Finish();
  }

  Writer& writer_;
  PageLayout<Writer> layout_;
  TokenTaker<Writer> taker_;
  BlockTokenizer blocks_;
  size_t read_ = 0;
};

// Where a page's tokens come from: all of it in memory, or a source read a block at a time.
struct WholePage {
  const char* text;
  size_t n;
};
struct SourcePage {
  RawTextSource& source;
  uint64_t size;
  size_t block;
  bool failed = false;  // a read failed
};

template <typename Writer>
vellumine_result Lay(WholePage& page, Writer& writer, const EncodingChoice& encoding,
                     ProgressTicks& ticks) {
  PageReading<Writer>(writer, encoding, ticks).Whole(page.text, page.n);
  return VELLUMINE_OK;
}

template <typename Writer>
vellumine_result Lay(SourcePage& page, Writer& writer, const EncodingChoice& encoding,
                     ProgressTicks& ticks) {
  const size_t block = static_cast<size_t>(
      std::max<uint64_t>(1, std::min<uint64_t>({page.block, BlockTokenizer::kBlock, page.size})));
  ReadAhead reading(page.source, page.size, block, BlockTokenizer::kCarry,
                    BlockTokenizer::kReadPast);
  if (!reading.Start(page.size > block)) return VELLUMINE_OUT_OF_MEMORY;
  PageReading<Writer> lay(writer, encoding, ticks);
  for (bool ended = false; !ended;) {
    ReadAhead::Block next = reading.Next();
    page.failed = page.failed || next.failed;
    ended = lay.Commit(next.bytes, next.n, next.last);
  }
  return VELLUMINE_OK;
}

// The writer the options ask for, and the output it writes through.
struct PageWriters : KeptByThread {
  std::unique_ptr<PageOutput> output;
  std::unique_ptr<TextTable> table;
  std::optional<TextPageWriter> text;
  std::optional<RtfPageWriter<false>> rtf;
  std::optional<RtfPageWriter<true>> rtfTables;

  vellumine_result Make(const EncodingChoice& encoding, const vellumine_options& options,
                        OutputStream& out, OverflowStore* addressStore, PictureFinder* pictures) {
    output.reset(new (std::nothrow) PageOutput(out));
    if (!output) return VELLUMINE_OUT_OF_MEMORY;
    switch (ModeOf(options)) {
      case ConversionMode::Text:
        table.reset(new (std::nothrow) TextTable);
        if (!table || !table->Allocate()) return VELLUMINE_OUT_OF_MEMORY;
        text.emplace(*output, *table, encoding, options.text_utf8 != 0, options.links,
                     options.wrap, addressStore);
        break;
      case ConversionMode::Rtf:
        rtf.emplace(*output, encoding, options.font_name, options.font_size, pictures);
        break;
      case ConversionMode::RtfTables:
        if (!output->AllowHolding()) return VELLUMINE_OUT_OF_MEMORY;
        rtfTables.emplace(*output, encoding, options.font_name, options.font_size, pictures);
        if (!rtfTables->ready()) return VELLUMINE_OUT_OF_MEMORY;
        break;
    }
    return VELLUMINE_OK;
  }
  // Calls use with the writer made.
  template <typename Use>
  auto Visit(Use&& use) {
    if (text) return use(*text);
    if (rtf) return use(*rtf);
    return use(*rtfTables);
  }
  // What is left to do once the writer has finished the page.
  vellumine_result Finish() {
    if (text && text->addressesLost()) return VELLUMINE_CANNOT_WRITE_OUTPUT;
    output->Flush();
    return VELLUMINE_OK;
  }
};

template <typename Page>
vellumine_result ReadAny(Page& page, const EncodingChoice& encoding,
                         const vellumine_options& options, ProgressTicks& ticks,
                         OutputStream& out, OverflowStore* addressStore,
                         PictureFinder* pictures) {
  std::unique_ptr<PageWriters> writers(new (std::nothrow) PageWriters);
  if (!writers) return VELLUMINE_OUT_OF_MEMORY;
  vellumine_result result = writers->Make(encoding, options, out, addressStore, pictures);
  if (result != VELLUMINE_OK) return result;
  result = writers->Visit([&](auto& writer) { return Lay(page, writer, encoding, ticks); });
  if (result != VELLUMINE_OK) return result;
  return writers->Finish();
}

// A page its caller gives a piece at a time, read into one writer: the pieces fill a block,
// and each full block is read while the next fills the other buffer.
template <typename Writer>
class FedPageOf final : public FedPage {
 public:
  FedPageOf(std::unique_ptr<PageWriters> writers, Writer& writer, const EncodingChoice& encoding,
            std::unique_ptr<char[]> buffers[2])
      : writers_(std::move(writers)), reading_(writer, encoding, ticks_) {
    buffers_[0] = std::move(buffers[0]);
    buffers_[1] = std::move(buffers[1]);
  }

  void Give(const char* bytes, size_t n) override {
    while (n > 0 && !ended_) {
      const size_t piece = std::min(n, BlockTokenizer::kBlock - filled_);
      std::memcpy(Block() + filled_, bytes, piece);
      filled_ += piece;
      bytes += piece;
      n -= piece;
      if (filled_ == BlockTokenizer::kBlock) {
        ended_ = reading_.Commit(Block(), filled_, false);
        current_ ^= 1;
        filled_ = 0;
      }
    }
  }
  vellumine_result Finish() override {
    if (!ended_) ended_ = reading_.Commit(Block(), filled_, true);
    return writers_->Finish();
  }

 private:
  char* Block() { return buffers_[current_].get() + BlockTokenizer::kCarry; }

  std::unique_ptr<PageWriters> writers_;
  ProgressTicks ticks_;  // none: the page's length is not known ahead
  PageReading<Writer> reading_;
  std::unique_ptr<char[]> buffers_[2];
  int current_ = 0;
  size_t filled_ = 0;
  bool ended_ = false;
};

}  // namespace

vellumine_result ReadPage(const char* text, size_t n, const EncodingChoice& encoding,
                          const vellumine_options& options, ProgressTicks& ticks,
                          OutputStream& out, OverflowStore* addressStore,
                          PictureFinder* pictures) {
  WholePage page{text, n};
  return ReadAny(page, encoding, options, ticks, out, addressStore, pictures);
}

vellumine_result ReadPage(RawTextSource& source, uint64_t size, size_t block,
                          const EncodingChoice& encoding, const vellumine_options& options,
                          ProgressTicks& ticks, OutputStream& out, OverflowStore* addressStore,
                          PictureFinder* pictures) {
  SourcePage page{source, size, block};
  const vellumine_result result =
      ReadAny(page, encoding, options, ticks, out, addressStore, pictures);
  if (result == VELLUMINE_OK && page.failed) return VELLUMINE_CANNOT_OPEN_INPUT;
  return result;
}

}  // namespace vellumine

namespace vellumine {

vellumine_result StartFedPage(const EncodingChoice& encoding, const vellumine_options& options,
                              OutputStream& out, OverflowStore* addressStore,
                              PictureFinder* pictures, std::unique_ptr<FedPage>& page) {
  std::unique_ptr<PageWriters> writers(new (std::nothrow) PageWriters);
  if (!writers) return VELLUMINE_OUT_OF_MEMORY;
  const vellumine_result result = writers->Make(encoding, options, out, addressStore, pictures);
  if (result != VELLUMINE_OK) return result;
  std::unique_ptr<char[]> buffers[2];
  const size_t bytes = BlockTokenizer::BufferSize(BlockTokenizer::kBlock);
  for (auto& buffer : buffers) {
    if (!GrantBlockAllocation(bytes)) return VELLUMINE_OUT_OF_MEMORY;
    buffer.reset(new (std::nothrow) char[bytes]);
    if (!buffer) return VELLUMINE_OUT_OF_MEMORY;
  }
  PageWriters& made = *writers;
  made.Visit([&](auto& writer) {
    using Writer = std::remove_reference_t<decltype(writer)>;
    page.reset(new (std::nothrow) FedPageOf<Writer>(std::move(writers), writer, encoding, buffers));
  });
  return page ? VELLUMINE_OK : VELLUMINE_OUT_OF_MEMORY;
}

}  // namespace vellumine
