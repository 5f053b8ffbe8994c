// The output file's name: the input's file name with its last extension replaced.
#pragma once

#include <string>
#include <string_view>

#include "path_style.h"
#include "vellumine.h"

namespace vellumine {

// ".txt" for text, ".rtf" otherwise.
const char* OutputExtension(vellumine_format format);

// Output directory (a separator appended when missing) + the input's file name with
// everything from its last "." replaced by the format's extension (appended when the name
// has no "."). False when the result does not fit the Windows path limit (Windows style;
// UTF-8 bytes are counted, which is never fewer than the UTF-16 characters).
bool MakeOutputPath(std::string_view inputPath, std::string_view outputDirectory,
                    vellumine_format format, PathStyle style, std::string& outputPath);

}  // namespace vellumine
