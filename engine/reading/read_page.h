// The default reading of a page: today's HTML, its structure kept, in one forward pass.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "fast/progress_ticks.h"
#include "reading/picture_finder.h"
#include "translation/encoding.h"
#include "translation/output_stream.h"
#include "translation/overflow_store.h"
#include "translation/raw_text_source.h"
#include "vellumine.h"

namespace vellumine {

// Writes the whole output of text[0, n) (line ends line feeds or CR LF pairs) in the format the
// options ask for to out, reporting ticks; Ok, OutOfMemory when the writer's buffers cannot
// be had, or CannotWriteOutput when addressStore (where a long list of plain text's link
// addresses is set aside) could not give them back. The kReadPastPage bytes after text[n]
// are read (their values do not matter). RTF embeds the pictures that `pictures` opens;
// without it every picture keeps its alt text.
inline constexpr size_t kReadPastPage = 16;
vellumine_result ReadPage(const char* text, size_t n, const EncodingChoice& encoding,
                          const vellumine_options& options, ProgressTicks& ticks,
                          OutputStream& out, OverflowStore* addressStore = nullptr,
                          PictureFinder* pictures = nullptr);

// The same for the first `size` bytes of source (fewer where it ends; the text ends at its
// first 0x1A), read `block` bytes at a time into one buffer as the reading goes (ticks count
// on `size` bytes). CannotOpenInput when a read fails: the output is then that of the text
// read before.
vellumine_result ReadPage(RawTextSource& source, uint64_t size, size_t block,
                          const EncodingChoice& encoding, const vellumine_options& options,
                          ProgressTicks& ticks, OutputStream& out,
                          OverflowStore* addressStore = nullptr,
                          PictureFinder* pictures = nullptr);

// A page read as its caller gives it, a piece at a time, in bounded memory: the output is
// written as the page goes, as ReadPage writes it for the whole page.
class FedPage {
 public:
  virtual ~FedPage() = default;
  // The page's next n bytes; those after its first 0x1A are left out.
  virtual void Give(const char* bytes, size_t n) = 0;
  // Ends the page (after the last Give) and the output; its result as ReadPage's.
  virtual vellumine_result Finish() = 0;
};

// Starts reading a fed page into page; OutOfMemory when its buffers cannot be had.
vellumine_result StartFedPage(const EncodingChoice& encoding, const vellumine_options& options,
                              OutputStream& out, OverflowStore* addressStore,
                              PictureFinder* pictures, std::unique_ptr<FedPage>& page);

}  // namespace vellumine
