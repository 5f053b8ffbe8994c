// The two values the Convert command derives from the window's controls.
#pragma once

#include "convert_result.h"

namespace vellumine {

// "*.txt" (1) converts to text whatever "convert tables" says; "*.rtf" (0) to RTF with or
// without tables; with neither button checked (-1, or any other value) tables are on.
ConversionMode ChooseConversionMode(int format, bool convertTables);

// The Encoding list's label at index; any other index, -1 (nothing selected) included,
// gives "Auto-Select". The label itself, not the index, goes to the converter.
const char* ChooseEncodingLabel(int encodingIndex);

}  // namespace vellumine
