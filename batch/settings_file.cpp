#include "settings_file.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string_view>
#include <utility>

#include "option_table.h"
#include "path_style.h"
#include "replacement_file.h"
#include "system_path.h"

namespace vellumine {

namespace {

struct FileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

// The whole file as text mode would read it (CR LF to LF, 0x1A ends it).
bool ReadTextFile(const std::string& fileName, std::string& text) {
  FilePtr file(OpenFile(fileName, "rb"));
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

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

// The file's text as UTF-8. On Windows a file without the UTF-8 mark is in the ANSI code
// page, as every earlier version wrote it; elsewhere the bytes are the names' own.
std::string TextOfFile(std::string text) {
  if (text.starts_with(kUtf8Mark)) return text.substr(kUtf8Mark.size());
#ifdef _WIN32
  return Utf8FromAnsi(text);
#else
  return text;
#endif
}

// The file's bytes for text: on Windows in the ANSI code page, as earlier versions read it,
// where every character has a byte there, else in UTF-8 after the UTF-8 mark.
std::string FileOfText(const std::string& text) {
#ifdef _WIN32
  std::string ansi;
  if (AnsiFromUtf8(text, ansi)) return ansi;
  return std::string(kUtf8Mark) + text;
#else
  return text;
#endif
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

std::string_view TrimBlanks(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// The choice a "Key=name" line gives the option (by the engine's name of a choice: "classic",
// "alt"), its default for any other name; false when the line is no line of that key.
template <typename Choice>
bool ParseChoiceLine(std::string_view line, const char* key, const char* optionName,
                     Choice& value) {
  const size_t equals = line.find('=');
  if (equals == std::string_view::npos ||
      !EqualsIgnoringCase(TrimBlanks(line.substr(0, equals)), key))
    return false;
  const vellumine_option_info& option = OptionNamed(optionName);
  const vellumine_option_choice* named = ChoiceNamed(option, TrimBlanks(line.substr(equals + 1)));
  value = static_cast<Choice>(named != nullptr ? named->value : option.default_value);
  return true;
}

// The line of an option whose choice is not the default: "Key=name\r\n"; empty otherwise.
std::string ChoiceLine(const char* key, const char* optionName, int value) {
  const vellumine_option_info& option = OptionNamed(optionName);
  const vellumine_option_choice* choice = ChoiceOfValue(option, value);
  if (value == option.default_value || choice == nullptr) return {};
  return std::string(key) + "=" + choice->name + "\r\n";
}

}  // namespace

bool ReadSettingsFile(const std::string& fileName, Settings& settings) {
  std::string bytes;
  if (!ReadTextFile(fileName, bytes)) return false;
  const std::string text = TextOfFile(std::move(bytes));
  // A path counts as read when its line was there, even an empty one; a marker at the end
  // of the file leaves the paths and the reading of an earlier marker in place. Lines
  // before the first marker belong to no section and are passed over.
  std::string input, output, line;
  vellumine_reading reading = VELLUMINE_READING_DEFAULT;
  vellumine_images images = VELLUMINE_IMAGES_EMBED;
  bool inSection = false;
  LineReader lines(text);
  while (lines.Next(line)) {
    if (line.find(kSettingsMarker) == std::string::npos) {
      if (inSection && !ParseChoiceLine(line, kSettingsReadingKey, "reading", reading))
        ParseChoiceLine(line, kSettingsImagesKey, "images", images);
      continue;
    }
    if (!lines.Next(line)) break;
    inSection = true;
    input = line;
    reading = VELLUMINE_READING_DEFAULT;
    images = VELLUMINE_IMAGES_EMBED;
    if (lines.Next(line)) output = line;
  }
  if (input.empty() || output.empty()) return false;
  RemoveLineEnd(input);
  RemoveLineEnd(output);
  settings.inputPath = input;
  settings.outputPath = output;
  settings.reading = reading;
  settings.images = images;
  return true;
}

bool ReadSettings(Settings& settings) { return ReadSettingsFile(kSettingsFileName, settings); }

std::string SettingsFilePath(const std::string& directory) {
  std::string fileName = directory;
  if (!fileName.empty() && !IsPathSeparator(fileName.back(), kNativePathStyle)) {
    fileName += PathSeparator(kNativePathStyle);
  }
  return fileName + kSettingsFileName;
}

bool WriteSettings(const std::string& directory, const Settings& settings) {
  const std::string fileName = SettingsFilePath(directory);

  // Written with CR LF line ends on every platform, as Windows text mode writes them.
  std::string text = std::string(kSettingsMarker) + "\r\n" + settings.inputPath + "\r\n" +
                     settings.outputPath + "\r\n";
  text += ChoiceLine(kSettingsReadingKey, "reading", settings.reading) +
          ChoiceLine(kSettingsImagesKey, "images", settings.images);
  // Replaced whole: a failed or interrupted write leaves the previous file as it was.
  const std::string bytes = FileOfText(text);
  return ReplaceFileContent(fileName, bytes.data(), bytes.size());
}

}  // namespace vellumine
