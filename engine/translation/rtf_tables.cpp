// RTF with tables: the RTF pass plus table rows with evenly spaced cells.
#include "rtf_tables.h"

#include "translation/rtf_translation.h"
#include "translation/rtf_writer.h"

namespace vellumine {

namespace {

using Shape = RtfTagShape;
using When = RtfTagCondition;
using Put = RtfTagSnippet;
using Then = RtfTagChange;

// The table forms, tried after the common ones, in this order.
constexpr RtfTagRow kTableTagRows[] = {
    // form        other form  shape         tried only when  appends          then
    {"<table",     {},         Shape::Open,  When::Always,    Put::TableStart, Then::TextOff},
    {"</table>",   {},         Shape::Exact, When::Always,    Put::TableEnd,   Then::None},
    {"<tr",        {},         Shape::Open,  When::Always,    Put::RowStart,   Then::None},
    {"<td",        "<th",      Shape::Open,  When::Always,    Put::CellStart,  Then::TextOff},
    {"</td>",      "</th>",    Shape::Exact, When::RowOpen,   Put::CellEnd,    Then::CellClosed},
    {"</tr>",      {},         Shape::Exact, When::RowOpen,   Put::RowEnd,     Then::None},
};

// The common rows, then the table rows.
constexpr RtfTagIndex kTagIndex(kRtfTagRows, kTableTagRows);
static_assert(kTagIndex.complete(), "a tag row has no place in the index");

// Every row spans this many twips, divided evenly among its cells.
constexpr uint64_t kRowWidth = 9500;

// The row ends: after "</tr>" and before a new row, and before a new table.
constexpr std::string_view kRowEnd = "\\pard \\intbl \\row \\pard\n";
constexpr std::string_view kRowEndBeforeTable = "\n\\pard \\intbl \\row \\pard";

// Closes the open row: filler cells up to the counted number, then the row end.
void CloseRow(RtfTranslation& t, std::string_view rowEnd) {
  for (; t.state.cellsLeft > 0; --t.state.cellsLeft) t.body.Append("\n\\cell");
  t.body.Append(rowEnd);
  t.state.rowOpen = false;
}

}  // namespace

size_t CountRowCells(const char* text, size_t n, size_t start, size_t* lookedTo) {
  // Letters in either case: a byte is lowered by setting 0x20, which only maps the
  // uppercase letter onto its lowercase one.
  auto lower = [text](size_t i) { return static_cast<char>(text[i] | 0x20); };
  auto nameEnds = [text, n](size_t i) { return i < n && (text[i] == '>' || text[i] == ' '); };
  size_t cells = 0;
  size_t q = start;
  for (; q < n; ++q) {
    q = FindByte(text, n, q, '<');
    if (n - q < 4) break;  // no form that counts or stops fits
    if (text[q + 1] == '/') {
      // "</tr>"
      if (n - q >= 5 && lower(q + 2) == 't' && lower(q + 3) == 'r' && text[q + 4] == '>') break;
    } else if (lower(q + 1) == 't') {
      char third = lower(q + 2);
      if (third == 'r' && nameEnds(q + 3)) break;  // "<tr"
      if (third == 'a' && n - q >= 6 && lower(q + 3) == 'b' && lower(q + 4) == 'l' &&
          lower(q + 5) == 'e' && nameEnds(q + 6))
        break;  // "<table"
      if ((third == 'd' || third == 'h') && nameEnds(q + 3)) ++cells;  // "<td", "<th"
    }
  }
  // The tag that ended the count is read up to its seventh byte.
  if (lookedTo) *lookedTo = q >= n ? n : q + 7;
  return cells;
}

void AppendTableStart(RtfTranslation& t) {
  if (t.state.rowOpen) CloseRow(t, kRowEndBeforeTable);
  t.body.Append("\n\\par");
  t.body.EndControlWord();
}

void AppendTableEnd(RtfTranslation& t) {
  if (t.state.rowOpen) CloseRow(t, kRowEnd);
}

void AppendRowStart(RtfTranslation& t, size_t tagEnd) {
  if (t.state.rowOpen) CloseRow(t, kRowEnd);
  t.body.Append("\n\\trowd \\trgaph70 ");
  t.state.rowOpen = true;
  size_t lookedTo = 0;
  size_t cells = CountRowCells(t.text, t.n, tagEnd, &lookedTo);
  if (lookedTo > t.lookedTo) t.lookedTo = lookedTo;
  t.state.cellsLeft = static_cast<int64_t>(cells);
  for (size_t k = 1; k <= cells; ++k) {
    t.body.Append("\n\\cellx");
    AppendDecimal(t.body, kRowWidth * k / cells);
  }
  if (cells > 0) t.body.EndControlWord();
}

void AppendRowEnd(RtfTranslation& t) { CloseRow(t, kRowEnd); }

int TranslateToRtfWithTables(const TranslationInput& input, const RtfTemplates& templates,
                             ByteBuffer& body) {
  return TranslateRtfBody(input, templates, body, kTagIndex);
}

int TranslateToRtfWithTablesAsItGoes(SlidingText& text, const EncodingChoice& encoding,
                                     const RtfTemplates& templates, OutputStream& out,
                                     size_t window) {
  return TranslateRtfBodyAsItGoes(text, encoding, templates, kTagIndex, out, window);
}

}  // namespace vellumine
