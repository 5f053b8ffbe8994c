// The default reading of a page: today's HTML, its structure kept.
#pragma once

#include <cstddef>

#include "fast/progress_ticks.h"
#include "fast/token_pipeline.h"
#include "translation/encoding.h"
#include "translation/output_stream.h"
#include "translation/overflow_store.h"
#include "vellumine.h"

namespace vellumine {

// Writes the whole output of text[0, n) (line ends line feeds or CR LF pairs) in the format the
// options ask for to out, reporting ticks; Ok, OutOfMemory when the writer's buffers cannot
// be had, or CannotWriteOutput when addressStore (where a long list of plain text's link
// addresses is set aside) could not give them back. The kReadPastPage bytes after text[n]
// are read (their values do not matter).
inline constexpr size_t kReadPastPage = 16;
// Pages of pipelineFrom bytes or more have their tokens read on a second thread.
vellumine_result ReadPage(const char* text, size_t n, const EncodingChoice& encoding,
                          const vellumine_options& options, ProgressTicks& ticks,
                          OutputStream& out, size_t pipelineFrom = kTokenPipelineFrom,
                          OverflowStore* addressStore = nullptr);
// The same over a page read as it goes, from its start: a page of a size expected from
// pipelineFrom on has its tokens read on a second thread.
vellumine_result ReadPage(GrowingText& page, const EncodingChoice& encoding,
                          const vellumine_options& options, ProgressTicks& ticks,
                          OutputStream& out, size_t pipelineFrom = kTokenPipelineFrom,
                          OverflowStore* addressStore = nullptr);

}  // namespace vellumine
