// The RTF snippets formatted once per file from the font size text.
#pragma once

namespace vellumine {

// PLACEHOLDER until the RTF writer lands: only the font size is known.
struct RtfTemplates {
  int fontSize = 0;  // S, in points
};

// Reads the size text leniently and formats every snippet (the in-table ones too when
// tables is set).
void FormatRtfTemplates(RtfTemplates& templates, const char* fontSizeText, bool tables);

}  // namespace vellumine
