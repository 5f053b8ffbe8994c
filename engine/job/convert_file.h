// The conversion engine's entry points inside the library: one HTML file (or buffer) into
// RTF or plain text, with options already checked.
#pragma once

#include <cstddef>
#include <string>

#include "job/conversion_mode.h"
#include "translation/output_stream.h"
#include "path_style.h"
#include "translation/progress.h"
#include "vellumine.h"

namespace vellumine {

// Converts the file at inputPath into outputDirectory (named by MakeOutputPath), reporting
// progress as the options ask. The output is written with CR LF line ends on every platform.
vellumine_result ConvertFile(const char* inputPath, const char* outputDirectory,
                             const vellumine_options& options,
                             PathStyle style = kNativePathStyle);

// The same job on the file at inputPath, its output written to out as it is made (a large
// page is read as it goes, in bounded memory). Nothing is written before a failure to open
// the input, an empty input or no memory for the page.
vellumine_result ConvertFileTo(const char* inputPath, const vellumine_options& options,
                               OutputStream& out);

// The same job on bytes in memory (as a file would hold them), writing to out: what
// ConvertFile does between reading the input and closing the output.
vellumine_result ConvertMemory(const char* input, size_t size, const vellumine_options& options,
                               OutputStream& out);

}  // namespace vellumine
