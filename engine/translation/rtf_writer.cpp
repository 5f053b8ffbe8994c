// The RTF document: header with the font table, the body of the RTF pass, the trailer.
#include "rtf_writer.h"

#include <string_view>

#include "translation/rtf_tables.h"
#include "translation/rtf_translation.h"

namespace vellumine {

namespace {

// RTF without tables knows the common tag rows.
constexpr RtfTagIndex kTagIndex(kRtfTagRows, {});
static_assert(kTagIndex.complete(), "a tag row has no place in the index");

// The font name as the header may hold it: without braces, backslashes, semicolons and
// control bytes, which would end the font table early or start control words. The bytes
// between them are written as they stand.
void WriteFontName(OutputStream& out, const char* fontName) {
  if (fontName == nullptr) return;
  const char* run = fontName;
  for (const char* p = fontName;; ++p) {
    auto c = static_cast<unsigned char>(*p);
    if (IsHeaderFontNameByte(c)) continue;  // the terminator is no such byte
    if (p > run) out.Write(run, static_cast<size_t>(p - run));
    if (c == '\0') return;
    run = p + 1;
  }
}

}  // namespace

void WriteRtfHeader(OutputStream& out, const char* fontName, const RtfTemplates& templates,
                    bool cyrillic) {
  std::string_view size = templates.halfPoints.view();
  if (cyrillic) {
    out.Write("{\\rtf1\\ansi\\ansicpg1251\\deffn\\deflang1033\\fs");
    out.Write(size);
    out.Write("{\\fonttbl{\\f0\\fnil\\fprq2\\fcharset204 ");
    WriteFontName(out, fontName);
    out.Write(";}{\\f1\\fnil\\fcharset204{\\*\\fname Times New Roman;}Times New Roman Cyr;}\n");
  } else {
    out.Write("{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033\\deflangfe1033\\fs");
    out.Write(size);
    out.Write("{\\fonttbl{\\f0\\fswiss\\fprq2\\fcharset0 ");
    WriteFontName(out, fontName);
    out.Write(";}{\\f1\\fswiss\\fprq2\\fcharset0{\\*\\fname ");
    WriteFontName(out, fontName);
    out.Write(";}");
    WriteFontName(out, fontName);
    out.Write(" CE;}\n");
  }
  out.Write("{\\f23\\froman\\fcharset0\\fprq2{\\*\\panose 02020603050405020304}");
  WriteFontName(out, fontName);
  out.Write(";}}");
  out.Write("\n\\pard\\plain \\sb120\\qj\\fs");
  out.Write(size);
  out.Write("\\lang1033\n");
}

int TranslateToRtf(const TranslationInput& input, const RtfTemplates& templates,
                   ByteBuffer& body) {
  return TranslateRtfBody(input, templates, body, kTagIndex);
}

int TranslateToRtfAsItGoes(SlidingText& text, const EncodingChoice& encoding,
                           const RtfTemplates& templates, bool tables, OutputStream& out,
                           size_t window) {
  if (tables) return TranslateToRtfWithTablesAsItGoes(text, encoding, templates, out, window);
  return TranslateRtfBodyAsItGoes(text, encoding, templates, kTagIndex, out, window);
}

void WriteRtfTrailer(OutputStream& out, int openGroups) {
  // The document group and every group the body left open; never fewer than eight braces,
  // so that a balanced body ends as it always has.
  constexpr std::string_view kBraces = "}}}}}}}}}}}}}}}}}}}}}}}}}}}}}}}}";
  size_t braces = openGroups > 7 ? static_cast<size_t>(openGroups) + 1 : 8;
  out.Write("\\par");
  while (braces > 0) {
    size_t chunk = braces < kBraces.size() ? braces : kBraces.size();
    out.Write(kBraces.data(), chunk);
    braces -= chunk;
  }
}

}  // namespace vellumine
