// Formatting the per-file RTF snippets from the font size.
#include "rtf_templates.h"

#include <charconv>
#include <climits>
#include <cstring>

namespace vellumine {

namespace {

// Writes format into snippet with its one "%s" replaced by value in decimal.
void FormatSnippet(RtfSnippet& snippet, std::string_view format, long long value) {
  size_t at = format.find("%s");
  std::memcpy(snippet.bytes, format.data(), at);
  char* end = std::to_chars(snippet.bytes + at, snippet.bytes + sizeof snippet.bytes, value).ptr;
  std::string_view tail = format.substr(at + 2);
  std::memcpy(end, tail.data(), tail.size());
  snippet.size = static_cast<size_t>(end - snippet.bytes) + tail.size();
}

}  // namespace

int ReadFontSize(const char* text) {
  if (text == nullptr) return 0;
  while (*text == ' ' || (*text >= '\t' && *text <= '\r')) ++text;
  bool negative = false;
  if (*text == '+' || *text == '-') negative = *text++ == '-';
  long long value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    value = value * 10 + (*text - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT_MAX) value = INT_MAX;
  return static_cast<int>(value);
}

void FormatRtfTemplates(RtfTemplates& templates, const char* fontSizeText, bool tables) {
  int size = ReadFontSize(fontSizeText);
  long long halfPoints = 2LL * size;
  long long shift = size / 2;  // rounded toward zero
  templates.fontSize = size;
  FormatSnippet(templates.halfPoints, "%s", halfPoints);

  FormatSnippet(templates.paragraphBreak, "\n\\par\\pard\\plain \\sb120\\qj\\fs%s\\lang1033 ",
                halfPoints);
  FormatSnippet(templates.headingOpen, "\n{\\par\\b\\fs%s ", halfPoints);
  FormatSnippet(templates.subscriptOpen, "{\\dn%s ", shift);
  FormatSnippet(templates.superscriptOpen, "{\\up%s ", shift);
  FormatSnippet(templates.bulletItem, "\\pard\\plain \\fi-180\\li360 \\fs%s\\lang1033 -\\tab ",
                halfPoints);
  FormatSnippet(templates.numberedItem, "\\pard\\plain \\fi-240\\li400 \\fs%s\\lang1033 ",
                halfPoints);
  if (!tables) return;

  FormatSnippet(templates.tableParagraphBreak,
                "\n\\par\\pard\\plain \\intbl \\sb120\\qj\\fs%s\\lang1033 ", halfPoints);
  FormatSnippet(templates.tableBulletItem,
                "\\pard\\plain \\intbl \\fi-180\\li360 \\fs%s\\lang1033 -\\tab ", halfPoints);
  FormatSnippet(templates.tableNumberedItem,
                "\\pard\\plain \\intbl \\fi-240\\li400 \\fs%s\\lang1033 ", halfPoints);
}

}  // namespace vellumine
