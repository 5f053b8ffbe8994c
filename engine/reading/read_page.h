// The default reading of a page: today's HTML, its structure kept, in one forward pass.
#pragma once

#include <cstddef>
#include <cstdint>

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

}  // namespace vellumine
