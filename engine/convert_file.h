// The conversion engine's entry points: one HTML file (or buffer) into RTF or plain text.
#pragma once

#include <cstddef>
#include <string>

#include "convert_result.h"
#include "output_stream.h"
#include "path_style.h"
#include "progress.h"

namespace vellumine {

// What a conversion is asked to do, apart from its input and output.
struct ConvertOptions {
  ConversionMode mode = ConversionMode::RtfTables;
  const char* fontName = "Arial";      // RTF font face (without braces, "\", ";", controls)
  const char* fontSizeText = "10";     // RTF font size in points, read leniently
  const char* encodingLabel = "Auto-Select";
  bool textAsUtf8 = false;  // plain text in UTF-8, whatever the page's character set
};

// Converts the file at inputPath into outputDirectory (named by MakeOutputPath), reporting
// progress to sink. The output is written with CR LF line ends on every platform.
ConvertResult ConvertFile(const char* inputPath, const char* outputDirectory,
                          const ConvertOptions& options, ProgressSink& sink,
                          PathStyle style = kNativePathStyle);

// The same job on bytes in memory (as a file would hold them), writing to out: what
// ConvertFile does between reading the input and closing the output.
ConvertResult ConvertMemory(const char* input, size_t size, const ConvertOptions& options,
                            ProgressSink& sink, OutputStream& out);

}  // namespace vellumine
