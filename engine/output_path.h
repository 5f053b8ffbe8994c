// The output file's name: the input's file name with its last extension replaced.
#pragma once

#include <string>
#include <string_view>

#include "convert_result.h"
#include "path_style.h"

namespace vellumine {

// ".txt" for Text, ".rtf" otherwise.
const char* OutputExtension(ConversionMode mode);

// Output directory (a separator appended when missing) + the input's file name with
// everything from its last "." replaced by the mode's extension (appended when the name
// has no "."). False when the result does not fit the Windows path limit (Windows style).
bool MakeOutputPath(std::string_view inputPath, std::string_view outputDirectory,
                    ConversionMode mode, PathStyle style, std::string& outputPath);

}  // namespace vellumine
