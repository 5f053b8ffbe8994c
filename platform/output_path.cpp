#include "output_path.h"

namespace vellumine {

bool MakeOutputPath(std::string_view inputPath, std::string_view outputDirectory,
                    std::string_view extension, PathStyle style, std::string& outputPath) {
  std::string_view fileName = inputPath.substr(FileNameStart(inputPath, style));
  size_t dot = fileName.rfind('.');
  std::string_view stem = dot == std::string_view::npos ? fileName : fileName.substr(0, dot);

  outputPath.assign(outputDirectory);
  // An empty directory means the current one: the name alone, not the root.
  if (!outputPath.empty() && !IsPathSeparator(outputPath.back(), style))
    outputPath += PathSeparator(style);
  outputPath += stem;
  outputPath += extension;
  return style != PathStyle::Windows || outputPath.size() < kMaxPath;
}

}  // namespace vellumine
