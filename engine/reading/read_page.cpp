#include "read_page.h"

#include <memory>
#include <new>

#include "fast/byte_scan.h"
#include "fast/token_pipeline.h"
#include "job/conversion_mode.h"
#include "reading/page_layout.h"
#include "reading/rtf_page_writer.h"
#include "reading/text_page_writer.h"

namespace vellumine {
namespace {

static_assert(kReadPastPage >= kScanChunk, "the writers' runs read a chunk past their end");

template <typename Writer>
void Lay(GrowingText& page, Writer& writer, ProgressTicks& ticks,
         const OrderedLists* orderedLists, const EncodingChoice& encoding,
         TokenPipeline* pipeline) {
  if (pipeline) {
    PageLayout<Writer, TokenPipeline> layout(page, writer, *pipeline, orderedLists, encoding);
    layout.Run(ticks);
  } else {
    PageTokenizer tokens(page, 0, !page.Kept());
    PageLayout<Writer> layout(page, writer, tokens, orderedLists, encoding);
    layout.Run(ticks);
  }
  writer.Finish();
}

}  // namespace

vellumine_result ReadPage(const char* text, size_t n, const EncodingChoice& encoding,
                          const vellumine_options& options, ProgressTicks& ticks,
                          OutputStream& out, size_t pipelineFrom, OverflowStore* addressStore) {
  WholeText page(text, n);
  return ReadPage(page, encoding, options, ticks, out, pipelineFrom, addressStore);
}

vellumine_result ReadPage(GrowingText& page, const EncodingChoice& encoding,
                          const vellumine_options& options, ProgressTicks& ticks,
                          OutputStream& out, size_t pipelineFrom, OverflowStore* addressStore) {
  std::unique_ptr<PageOutput> output(new (std::nothrow) PageOutput(out));
  if (!output) return VELLUMINE_OUT_OF_MEMORY;
  // A large page's tokens are read on a second thread as this one lays them out (a page in
  // memory from now on, while this one looks for the ordered lists).
  std::unique_ptr<TokenPipeline> pipeline;
  auto startPipeline = [&] {
    if (page.expected() < pipelineFrom) return;
    try {
      // The attributes the writer will ask for (links and places in RTF, links in text
      // where they are listed or inline); asked for others, the pipeline reads them then.
      const bool rtf = ModeOf(options) != ConversionMode::Text;
      const AttributeUse use{rtf || options.links != VELLUMINE_LINKS_NONE, rtf};
      pipeline = std::make_unique<TokenPipeline>(page, use);
    } catch (...) {
      pipeline.reset();  // no thread or no memory: all on this one
    }
  };
  if (page.Kept()) startPipeline();
  std::unique_ptr<OrderedLists> orderedLists;
  if (ModeOf(options) != ConversionMode::Text) {
    orderedLists.reset(new (std::nothrow) OrderedLists);
    if (!orderedLists) return VELLUMINE_OUT_OF_MEMORY;
    FindOrderedLists(page, *orderedLists);
    page.Rewind();
  }
  if (!page.Kept()) startPipeline();
  switch (ModeOf(options)) {
    case ConversionMode::Text: {
      std::unique_ptr<TextTable> table(new (std::nothrow) TextTable);
      if (!table || !table->Allocate()) return VELLUMINE_OUT_OF_MEMORY;
      TextPageWriter writer(*output, *table, encoding, options.text_utf8 != 0, options.links,
                            options.wrap, addressStore);
      Lay(page, writer, ticks, nullptr, encoding, pipeline.get());
      if (writer.addressesLost()) return VELLUMINE_CANNOT_WRITE_OUTPUT;
      break;
    }
    case ConversionMode::Rtf: {
      RtfPageWriter<false> writer(*output, encoding, options.font_name, options.font_size,
                                  orderedLists.get());
      Lay(page, writer, ticks, orderedLists.get(), encoding, pipeline.get());
      break;
    }
    case ConversionMode::RtfTables: {
      RtfPageWriter<true> writer(*output, encoding, options.font_name, options.font_size,
                                 orderedLists.get());
      Lay(page, writer, ticks, orderedLists.get(), encoding, pipeline.get());
      break;
    }
  }
  output->Flush();
  return VELLUMINE_OK;
}

}  // namespace vellumine
