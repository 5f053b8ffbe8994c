// One page converted to standard output: from standard input ("-") or from a named file
// (--stdout). The bytes are those the output file would hold.
#pragma once

#include <cstdio>
#include <string>

#include "vellumine.h"

namespace vellumine {

// Converts the page at inputPath ("-" for in) and writes the result to out, whole once the
// conversion succeeded. The library's results; CannotWriteOutput when out fails.
vellumine_result ConvertToStream(const std::string& inputPath, const vellumine_options& options,
                                 std::FILE* in, std::FILE* out);

// Makes a standard stream carry bytes unchanged (Windows translates line ends otherwise).
void SetBinaryMode(std::FILE* stream);

}  // namespace vellumine
