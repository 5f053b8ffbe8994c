// The main window's conversion controls in the engine's words: the Encoding list's labels,
// the format radio buttons and the font size text become a conversion's options here, and
// nowhere else.
#pragma once

#include "vellumine.h"

namespace vellumine {

// The Encoding list, in list order: each label and the encoding it stands for.
struct EncodingListEntry {
  const char* label;
  vellumine_encoding encoding;
};
inline constexpr EncodingListEntry kEncodingList[] = {
    {"Auto-Select", VELLUMINE_ENCODING_AUTO},
    {"(Windows-1251) Cyrillic", VELLUMINE_ENCODING_WINDOWS_1251},
    {"(KOI8-R) Cyrillic", VELLUMINE_ENCODING_KOI8_R},
    {"(ISO-8859-1) Latin1", VELLUMINE_ENCODING_ISO_8859_1},
    {"(ISO-8859-5) Cyrillic", VELLUMINE_ENCODING_ISO_8859_5},
    {"(UTF-8) Unicode", VELLUMINE_ENCODING_UTF_8},
};

// The encoding a selected label stands for, compared byte for byte; a label not in the
// list is Latin-1, and no selection (null) is Auto-Select.
vellumine_encoding EncodingOfLabel(const char* label);

// The format radio buttons (0 "*.rtf", 1 "*.txt", -1 or any other value: neither checked)
// and "convert tables": "*.txt" is text whatever the box says; with neither button checked
// tables are on.
void SetFormat(vellumine_options& options, int formatRadio, bool convertTables);

// The settings dialog's size text read leniently as points: leading blanks and a sign
// allowed, reading stops at the first other byte, 0 when there is no number; the size is
// held to what readers accept (1638 points, either sign).
int ReadFontSize(const char* text);

}  // namespace vellumine
