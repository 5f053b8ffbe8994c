#include "read_page.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "fast/byte_scan.h"
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
  PageLayout<Writer> layout(writer, encoding);
  TokenTaker<Writer> taker(layout, ticks);
  BlockTokenizer::TokenizeWhole(page.text, page.n,
                                [&](const char* text, const HtmlToken& token, size_t position) {
                                  taker.Take(0, text, token, position);
                                });
  taker.Finish(page.n);
  writer.Finish();
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
  BlockTokenizer blocks;
  PageLayout<Writer> layout(writer, encoding);
  TokenTaker<Writer> taker(layout, ticks);
  size_t read = 0;
  for (bool last = false; !last;) {
    ReadAhead::Block next = reading.Next();
    page.failed = page.failed || next.failed;
    // The text ends at its first 0x1A.
    const void* stop = std::memchr(next.bytes, 0x1A, next.n);
    if (stop) next.n = static_cast<size_t>(static_cast<const char*>(stop) - next.bytes);
    last = next.last || stop;
    read += next.n;
    const size_t offset = blocks.offset();
    blocks.Commit(next.bytes, next.n, last, [&](const char* text, const HtmlToken& token, size_t position) {
      taker.Take(offset, text, token, position);
    });
  }
  taker.Finish(read);
  writer.Finish();
  return VELLUMINE_OK;
}

template <typename Page>
vellumine_result ReadAny(Page& page, const EncodingChoice& encoding,
                         const vellumine_options& options, ProgressTicks& ticks,
                         OutputStream& out, OverflowStore* addressStore,
                         PictureFinder* pictures) {
  std::unique_ptr<PageOutput> output(new (std::nothrow) PageOutput(out));
  if (!output) return VELLUMINE_OUT_OF_MEMORY;
  vellumine_result result = VELLUMINE_OK;
  switch (ModeOf(options)) {
    case ConversionMode::Text: {
      std::unique_ptr<TextTable> table(new (std::nothrow) TextTable);
      if (!table || !table->Allocate()) return VELLUMINE_OUT_OF_MEMORY;
      TextPageWriter writer(*output, *table, encoding, options.text_utf8 != 0, options.links,
                            options.wrap, addressStore);
      result = Lay(page, writer, encoding, ticks);
      if (result == VELLUMINE_OK && writer.addressesLost()) result = VELLUMINE_CANNOT_WRITE_OUTPUT;
      break;
    }
    case ConversionMode::Rtf: {
      RtfPageWriter<false> writer(*output, encoding, options.font_name, options.font_size,
                                  pictures);
      result = Lay(page, writer, encoding, ticks);
      break;
    }
    case ConversionMode::RtfTables: {
      if (!output->AllowHolding()) return VELLUMINE_OUT_OF_MEMORY;
      RtfPageWriter<true> writer(*output, encoding, options.font_name, options.font_size,
                                 pictures);
      if (!writer.ready()) return VELLUMINE_OUT_OF_MEMORY;
      result = Lay(page, writer, encoding, ticks);
      break;
    }
  }
  if (result != VELLUMINE_OK) return result;
  output->Flush();
  return VELLUMINE_OK;
}

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
