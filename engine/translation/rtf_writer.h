// RTF output: the document skeleton and the translation of the prepared text.
#pragma once

#include <cstddef>
#include <string_view>

#include "fast/byte_buffer.h"
#include "translation/translation_input.h"
#include "translation/output_stream.h"
#include "translation/progress.h"
#include "translation/rtf_templates.h"
#include "vellumine.h"

namespace vellumine {

// Whether a font name's byte goes into the header: braces, backslashes, semicolons and
// control bytes would end the font table early or start control words.
constexpr bool IsHeaderFontNameByte(unsigned char c) {
  if (c < 0x20) return false;
  for (char refused : std::string_view(VELLUMINE_FONT_NAME_REFUSED))
    if (c == static_cast<unsigned char>(refused)) return false;
  return true;
}

// Header with the font table, then the first paragraph, straight to the stream. The font
// name goes in without "{", "}", "\", ";" and bytes below 0x20.
void WriteRtfHeader(OutputStream& out, const char* fontName, const RtfTemplates& templates,
                    bool cyrillic);

// Appends the RTF body of the prepared text to body, or with input.stream writes it there
// but for what is left in body at the end. Returns the depth of the groups the
// body left open, which the trailer closes.
int TranslateToRtf(const TranslationInput& input, const RtfTemplates& templates,
                   ByteBuffer& body);

// The same, with HTML table rows turned into RTF table rows.
int TranslateToRtfWithTables(const TranslationInput& input, const RtfTemplates& templates,
                             ByteBuffer& body);

// The body TranslateToRtf or, with tables, TranslateToRtfWithTables gives, of a prepared
// text read as it goes, written to out about `window` bytes of text at a time. Returns the
// depth of the groups the body left open, or -1 when the body could not grow.
int TranslateToRtfAsItGoes(SlidingText& text, const EncodingChoice& encoding,
                           const RtfTemplates& templates, bool tables, OutputStream& out,
                           size_t window = kTranslationWindow);

// "\par" and the closing braces: the document group and every group left open.
void WriteRtfTrailer(OutputStream& out, int openGroups);

}  // namespace vellumine
