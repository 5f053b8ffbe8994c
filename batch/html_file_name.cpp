#include "html_file_name.h"

namespace vellumine {

namespace {

char ToLowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool ContainsIgnoringCase(std::string_view text, std::string_view lowerWord) {
  if (text.size() < lowerWord.size()) return false;
  for (size_t i = 0; i + lowerWord.size() <= text.size(); ++i) {
    size_t k = 0;
    while (k < lowerWord.size() && ToLowerAscii(text[i + k]) == lowerWord[k]) ++k;
    if (k == lowerWord.size()) return true;
  }
  return false;
}

}  // namespace

bool IsHtmlFileName(std::string_view name) {
  std::string_view extension = name;
  // The search runs back from the last character and stops before the first one.
  for (size_t i = name.size(); i > 1; --i) {
    if (name[i - 1] == '.') {
      extension = name.substr(i - 1);
      break;
    }
  }
  return ContainsIgnoringCase(extension, "htm") || ContainsIgnoringCase(extension, "asp");
}

}  // namespace vellumine
