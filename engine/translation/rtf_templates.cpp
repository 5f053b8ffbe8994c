// Formatting the per-file RTF snippets from the font size.
#include "rtf_templates.h"

#include <charconv>
#include <climits>
#include <cstring>

namespace vellumine {

namespace {

// Writes head, value in decimal and tail into snippet.
void FormatSnippet(RtfSnippet& snippet, std::string_view head, long long value,
                   std::string_view tail) {
  char* out = snippet.bytes;
  std::memcpy(out, head.data(), head.size());
  out = std::to_chars(out + head.size(), snippet.bytes + sizeof snippet.bytes, value).ptr;
  std::memcpy(out, tail.data(), tail.size());
  snippet.size = static_cast<size_t>(out - snippet.bytes) + tail.size();
}

}  // namespace

void FormatRtfTemplates(RtfTemplates& templates, int fontSize, bool tables) {
  const int size = fontSize < -kMaxFontSize ? -kMaxFontSize
                   : fontSize > kMaxFontSize ? kMaxFontSize
                                             : fontSize;
  long long halfPoints = 2LL * size;
  long long shift = size / 2;  // rounded toward zero
  templates.fontSize = size;
  FormatSnippet(templates.halfPoints, "", halfPoints, "");

  FormatSnippet(templates.paragraphBreak, "\n\\par\\pard\\plain \\sb120\\qj\\fs", halfPoints,
                "\\lang1033 ");
  FormatSnippet(templates.headingOpen, "\n{\\par\\b\\fs", halfPoints, " ");
  FormatSnippet(templates.subscriptOpen, "{\\dn", shift, " ");
  FormatSnippet(templates.superscriptOpen, "{\\up", shift, " ");
  FormatSnippet(templates.bulletItem, "\\pard\\plain \\fi-180\\li360 \\fs", halfPoints,
                "\\lang1033 -\\tab ");
  FormatSnippet(templates.numberedItem, "\\pard\\plain \\fi-240\\li400 \\fs", halfPoints,
                "\\lang1033 ");
  if (!tables) return;

  // Their twins inside a table row: "\intbl " after "\plain ".
  FormatSnippet(templates.tableParagraphBreak, "\n\\par\\pard\\plain \\intbl \\sb120\\qj\\fs",
                halfPoints, "\\lang1033 ");
  FormatSnippet(templates.tableBulletItem, "\\pard\\plain \\intbl \\fi-180\\li360 \\fs",
                halfPoints, "\\lang1033 -\\tab ");
  FormatSnippet(templates.tableNumberedItem, "\\pard\\plain \\intbl \\fi-240\\li400 \\fs",
                halfPoints, "\\lang1033 ");
}

}  // namespace vellumine
