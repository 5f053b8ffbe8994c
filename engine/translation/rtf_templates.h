// The RTF snippets formatted once per file from the font size.
#pragma once

#include <cstddef>
#include <string_view>

#include "vellumine.h"

namespace vellumine {

// One formatted snippet and its length, appended with a single copy.
struct RtfSnippet {
  char bytes[72];   // the longest format with a 20-digit number fits
  size_t size = 0;  // bytes in use

  std::string_view view() const { return {bytes, size}; }
};

// The per-file snippets. S is the font size in points; text uses 2S half-points, and
// subscripts and superscripts move by S/2.
struct RtfTemplates {
  int fontSize = 0;                  // S, held to the sizes readers accept
  RtfSnippet halfPoints;             // 2S in decimal, for the header

  // Body snippets, both RTF modes.
  RtfSnippet paragraphBreak;         // "\n\par\pard\plain \sb120\qj\fs2S\lang1033 "
  RtfSnippet headingOpen;            // "\n{\par\b\fs2S "
  RtfSnippet subscriptOpen;          // "{\dnS/2 "
  RtfSnippet superscriptOpen;        // "{\upS/2 "
  RtfSnippet bulletItem;             // "\pard\plain \fi-180\li360 \fs2S\lang1033 -\tab "
  RtfSnippet numberedItem;           // "\pard\plain \fi-240\li400 \fs2S\lang1033 "

  // Their twins inside a table row ("\intbl " after "\plain "); formatted with tables only.
  RtfSnippet tableParagraphBreak;
  RtfSnippet tableBulletItem;
  RtfSnippet tableNumberedItem;
};

// A size is held to -kMaxFontSize ... kMaxFontSize, what readers accept.
inline constexpr int kMaxFontSize = VELLUMINE_FONT_SIZE_MAX;

// Formats every snippet for a size in points (the in-table ones too when tables is set).
void FormatRtfTemplates(RtfTemplates& templates, int fontSize, bool tables);

}  // namespace vellumine
