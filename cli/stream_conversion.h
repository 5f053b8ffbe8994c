// One page converted to standard output: from standard input ("-") or from a named file
// (--stdout). The bytes are those the output file would hold.
#pragma once

#include <cstdio>
#include <string>

#include "convert_file.h"

namespace vellumine {

// Converts the page at inputPath ("-" for in) and writes the result to out. Result codes as
// ConvertFile gives them; CannotWriteOutput when out fails.
ConvertResult ConvertToStream(const std::string& inputPath, const ConvertOptions& options,
                              std::FILE* in, std::FILE* out);

// Makes a standard stream carry bytes unchanged (Windows translates line ends otherwise).
void SetBinaryMode(std::FILE* stream);

}  // namespace vellumine
