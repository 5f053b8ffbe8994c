// Directory parts of paths, in the path style of the platform the command runs for.
#pragma once

#include <string>
#include <string_view>

#include "path_style.h"

namespace vellumine {

// Everything up to and including the last separator; empty when there is none (a listing
// of "" + "*.*" is then relative to the current directory).
std::string CutToDirectory(std::string_view path, PathStyle style);

// Appends the style's separator unless the path already ends in a separator.
void AppendSeparator(std::string& path, PathStyle style);

}  // namespace vellumine
