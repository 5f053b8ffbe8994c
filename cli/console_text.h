// Text for the terminal: UTF-8 inside. A Windows console is given it as wide characters,
// whatever its code page, so that every name shows as it is; a file or a pipe (and any
// stream elsewhere) gets the UTF-8 bytes.
#pragma once

#include <cstdio>
#include <string_view>

namespace vellumine {

void WriteText(std::FILE* stream, std::string_view text);

}  // namespace vellumine
