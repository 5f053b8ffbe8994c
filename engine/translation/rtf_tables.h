// RTF with tables: the look-ahead that sizes a row.
#pragma once

#include <cstddef>

namespace vellumine {

// The cell start tags ("<td" or "<th" followed by ">" or a blank) of the row whose start
// tag ends at text[start], up to "</tr>", the next "<tr" or "<table", or the end of the text.
size_t CountRowCells(const char* text, size_t n, size_t start);

}  // namespace vellumine
