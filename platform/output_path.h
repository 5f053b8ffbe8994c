// The output file's name: the input's file name with its last extension replaced.
#pragma once

#include <string>
#include <string_view>

#include "path_style.h"

namespace vellumine {

// Output directory (a separator appended when missing) + the input's file name with
// everything from its last "." replaced by extension (appended when the name has no "."),
// which the engine gives for its formats. False when the result does not fit the Windows path limit (Windows style;
// UTF-8 bytes are counted, which is never fewer than the UTF-16 characters).
bool MakeOutputPath(std::string_view inputPath, std::string_view outputDirectory,
                    std::string_view extension, PathStyle style, std::string& outputPath);

}  // namespace vellumine
