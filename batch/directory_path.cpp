#include "directory_path.h"

namespace vellumine {

std::string CutToDirectory(std::string_view path, PathStyle style) {
  return std::string(path.substr(0, FileNameStart(path, style)));
}

void AppendSeparator(std::string& path, PathStyle style) {
  if (path.empty() || !IsPathSeparator(path.back(), style)) path += PathSeparator(style);
}

}  // namespace vellumine
