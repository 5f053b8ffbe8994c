#include "settings_file.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "path_style.h"
#include "replacement_file.h"

namespace vellumine {

namespace {

struct FileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

// The whole file as text mode would read it (CR LF to LF, 0x1A ends it).
bool ReadTextFile(const std::string& fileName, std::string& text) {
  FilePtr file(std::fopen(fileName.c_str(), "rb"));
  if (!file) return false;
  char chunk[4096];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) text.append(chunk, n);
  text.resize(std::min(text.find('\x1A'), text.size()));
  size_t kept = 0;
  for (size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) text[kept++] = text[i];
  text.resize(kept);
  return true;
}

// Hands out the lines of a text one by one, each with its line feed when it has one.
class LineReader {
 public:
  explicit LineReader(const std::string& text) : text_(text) {}
  bool Next(std::string& line) {
    if (pos_ >= text_.size()) return false;
    size_t end = text_.find('\n', pos_);
    end = end == std::string::npos ? text_.size() : end + 1;
    line.assign(text_, pos_, end - pos_);
    pos_ = end;
    return true;
  }

 private:
  const std::string& text_;
  size_t pos_ = 0;
};

void RemoveLineEnd(std::string& line) {
  if (!line.empty() && line.back() == '\n') line.pop_back();
}

}  // namespace

bool ReadSettingsFile(const std::string& fileName, std::string& inputPath,
                      std::string& outputPath) {
  std::string text;
  if (!ReadTextFile(fileName, text)) return false;
  // A path counts as read when its line was there, even an empty one; a marker at the end
  // of the file leaves the paths of an earlier marker in place.
  std::string input, output, line;
  LineReader lines(text);
  while (lines.Next(line)) {
    if (line.find(kSettingsMarker) == std::string::npos) continue;
    if (lines.Next(line)) input = line;
    if (lines.Next(line)) output = line;
  }
  if (input.empty() || output.empty()) return false;
  RemoveLineEnd(input);
  RemoveLineEnd(output);
  inputPath = input;
  outputPath = output;
  return true;
}

bool ReadSettings(std::string& inputPath, std::string& outputPath) {
  return ReadSettingsFile(kSettingsFileName, inputPath, outputPath);
}

std::string SettingsFilePath(const std::string& directory) {
  std::string fileName = directory;
  if (!fileName.empty() && !IsPathSeparator(fileName.back(), kNativePathStyle)) {
    fileName += PathSeparator(kNativePathStyle);
  }
  return fileName + kSettingsFileName;
}

bool WriteSettings(const std::string& directory, const std::string& inputPath,
                   const std::string& outputPath) {
  const std::string fileName = SettingsFilePath(directory);

  // Written with CR LF line ends on every platform, as Windows text mode writes them.
  std::string text = std::string(kSettingsMarker) + "\r\n" + inputPath + "\r\n" + outputPath +
                     "\r\n";
  // Replaced whole: a failed or interrupted write leaves the previous file as it was.
  return ReplaceFileContent(fileName, text.data(), text.size());
}

}  // namespace vellumine
