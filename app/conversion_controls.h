// The main window's conversion controls in the engine's words: the format radio buttons
// and the font size text become a conversion's options here. (The Encoding list's items hold
// their encodings: the window fills it from the engine's table.)
#pragma once

#include "vellumine.h"

namespace vellumine {

// The format radio buttons (0 "*.rtf", 1 "*.txt", -1 or any other value: neither checked)
// and "convert tables": "*.txt" is text whatever the box says; with neither button checked
// tables are on.
void SetFormat(vellumine_options& options, int formatRadio, bool convertTables);

// The settings dialog's size text read leniently as points: leading blanks and a sign
// allowed, reading stops at the first other byte, 0 when there is no number; the size is
// held to the engine's limit, either sign.
int ReadFontSize(const char* text);

}  // namespace vellumine
