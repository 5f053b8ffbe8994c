#include "count_html_files.h"

#include <vector>

#include "html_file_name.h"

namespace vellumine {

int32_t CountHtmlFiles(FileSystem& files, const std::string& pattern) {
  std::vector<std::string> names;
  if (!files.ListDirectory(pattern, names)) return 0;
  int32_t count = 0;
  for (const std::string& name : names) {
    if (IsHtmlFileName(name) && count < INT32_MAX) ++count;
  }
  return count;
}

}  // namespace vellumine
