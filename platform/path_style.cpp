#include "path_style.h"

namespace vellumine {

size_t FileNameStart(std::string_view path, PathStyle style) {
  for (size_t i = path.size(); i > 0; --i) {
    if (IsPathSeparator(path[i - 1], style)) return i;
  }
  return 0;
}

}  // namespace vellumine
