// RTF with tables: the look-ahead that sizes a row.
#pragma once

#include <cstddef>

#include "translation/encoding.h"
#include "translation/sliding_text.h"
#include "translation/output_stream.h"
#include "translation/rtf_templates.h"

namespace vellumine {

// The tables' body of a prepared text read as it goes (see TranslateToRtfAsItGoes).
int TranslateToRtfWithTablesAsItGoes(SlidingText& text, const EncodingChoice& encoding,
                                     const RtfTemplates& templates, OutputStream& out,
                                     size_t window);

// The cell start tags ("<td" or "<th" followed by ">" or a blank) of the row whose start
// tag ends at text[start], up to "</tr>", the next "<tr" or "<table", or the end of the text.
// lookedTo, when given, gets the farthest position the count read.
size_t CountRowCells(const char* text, size_t n, size_t start, size_t* lookedTo = nullptr);

}  // namespace vellumine
