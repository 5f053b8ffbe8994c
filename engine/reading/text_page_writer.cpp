#include "text_page_writer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "fast/reading_runs.h"
#include "reading/list_numbers.h"
#include "translation/utf8.h"
#include "translation/windows_code_pages.h"

namespace vellumine {
namespace {

constexpr size_t kPiece = 4096;     // input bytes encoded per room asked for
constexpr size_t kMostPerByte = 4;  // output bytes one input byte can become
constexpr int kRuleWidth = 72;
constexpr int kIndentStep = 4;
constexpr char kBlanks[] = "                                                                ";

bool IsBlank(unsigned char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

}  // namespace

TextPageWriter::TextPageWriter(PageOutput& out, TextTable& table, const EncodingChoice& encoding,
                               bool utf8Asked, vellumine_links links, int wrap,
                               OverflowStore* addressStore, size_t heldAddresses)
    : out_(out),
      table_(table),
      mapper_(encoding.mapper),
      charset_(ChooseTextCharset(encoding, utf8Asked)),
      cyrillic_(encoding.cyrillic),
      links_(links),
      addressStore_(addressStore),
      heldAddresses_(heldAddresses),
      wrap_(wrap) {
  if (wrap_ > 0) line_.reset(new (std::nothrow) char[kLineCapacity]);
  if (!line_) wrap_ = 0;  // without the memory, lines stay whole
  if (encoding.utf8)
    form_ = Form::Utf8;
  else if (utf8Asked)
    form_ = Form::Recode;
  else
    form_ = mapper_ == MapIdentity ? Form::Bytes : Form::Mapped;
}

char* TextPageWriter::Room(size_t k) {
  if (wrapping_) {
    if (kLineCapacity - lineLength_ < k) FlushHeldLine();  // a word past any width
    return line_.get() + lineLength_;
  }
  if (holding_) {
    if (char* room = table_.Room(k)) return room;
    SpillTable();
  }
  return out_.Room(k);
}

void TextPageWriter::Commit(char* end) {
  if (wrapping_) {
    const size_t added = static_cast<size_t>(end - (line_.get() + lineLength_));
    lineWidth_ += Width(line_.get() + lineLength_, added);
    lineLength_ += added;
    if (lineWidth_ > static_cast<size_t>(wrap_)) WrapHeldLine();
    return;
  }
  if (holding_)
    table_.Commit(end);
  else
    out_.Commit(end);
}

void TextPageWriter::Put(const char* bytes, size_t n) {
  while (n > 0) {
    const size_t piece = std::min(n, kPiece);
    char* d = Room(piece);
    std::memcpy(d, bytes, piece);
    Commit(d + piece);
    bytes += piece;
    n -= piece;
  }
}

template <bool kCollapse>
void TextPageWriter::Encode(const char* s, size_t n) {
  const auto* u = reinterpret_cast<const unsigned char*>(s);
  bool afterBlank = false;  // the last byte written is a blank of this run
  size_t i = 0;
  while (i < n) {
    const size_t end = i + std::min(n - i, kPiece);
    char* const start = Room((end - i) * kMostPerByte + kScanChunk);
    char* d = start;
    while (i < end) {
      const size_t k =
          form_ == Form::Bytes
              ? CopyPlainRunWithBlanks<PlainBytes::PrintableOrHigh, kCollapse>(u + i, end - i, d, afterBlank)
              : CopyPlainRunWithBlanks<PlainBytes::PrintableAscii, kCollapse>(u + i, end - i, d, afterBlank);
      if (k > 0) {
        d += k;
        i += k;
        afterBlank = d[-1] == ' ';
        if (i == end) break;
      }
      const unsigned char c = u[i];
      if (c < 0x80) {
        ++i;
        if (IsBlank(c)) {
          if (!kCollapse) {
            *d++ = c == '\t' ? '\t' : ' ';
          } else if (!afterBlank) {
            *d++ = ' ';
            afterBlank = true;
          }
        } else if (c > 0x20 && c != 0x7F) {
          *d++ = static_cast<char>(c);
          afterBlank = false;
        }  // other control bytes are left out
        continue;
      }
      afterBlank = false;
      switch (form_) {
        case Form::Bytes:
          *d++ = static_cast<char>(c);
          ++i;
          break;
        case Form::Mapped:
          *d++ = static_cast<char>(mapper_(c));
          ++i;
          break;
        case Form::Recode:
          d += EncodeWindowsByteAsUtf8(mapper_(c), cyrillic_, d);
          ++i;
          break;
        case Form::Utf8: {
          uint32_t cp;
          const size_t length = DecodeUtf8Sequence(u + i, n - i, cp);
          if (length != 0) {
            std::memcpy(d, u + i, length);
            d += length;
            i += length;
          } else {  // a stray byte stands for its windows-1252 character
            d += EncodeUtf8(Windows1252CodePoint(c), d);
            ++i;
          }
          break;
        }
      }
    }
    Commit(d);
  }
}

size_t TextPageWriter::Width(const char* s, size_t n) const {
  if (charset_ != TextCharset::Utf8) return n;
  size_t width = 0;
  for (size_t i = 0; i < n; ++i) width += (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80;
  return width;
}

void TextPageWriter::WrapHeldLine() {
  const size_t indent = static_cast<size_t>(indentColumns_);
  while (lineWidth_ > static_cast<size_t>(wrap_)) {
    // Not inside the line's indent or marker.
    // The last blank after the indent where the line still fits, else the first blank.
    char* line = line_.get();
    size_t breakAt = 0;
    size_t width = 0;
    for (size_t i = 0; i < lineLength_; ++i) {
      if (line[i] == ' ' && i > heldPrefix_ && line[i - 1] != ' ') {
        if (width <= static_cast<size_t>(wrap_) || breakAt == 0) breakAt = i;
        if (width > static_cast<size_t>(wrap_)) break;
      }
      width += (static_cast<unsigned char>(line[i]) & 0xC0) != 0x80 || charset_ != TextCharset::Utf8;
    }
    if (breakAt == 0) return;  // one word so far: it waits for its end
    out_.Append(std::string_view(line, breakAt));
    out_.Append('\n');
    // The rest under the paragraph's indent.
    size_t rest = breakAt + 1;
    const size_t restLength = lineLength_ - rest;
    std::memmove(line + indent, line + rest, restLength);
    std::memset(line, ' ', indent);
    lineLength_ = indent + restLength;
    lineWidth_ = Width(line, lineLength_);
    heldPrefix_ = indent;
  }
}

void TextPageWriter::FlushHeldLine() {
  if (lineLength_ > 0) out_.Append(std::string_view(line_.get(), lineLength_));
  lineLength_ = 0;
  lineWidth_ = 0;
  heldPrefix_ = 0;
}

void TextPageWriter::StartLine(bool spaced) {
  FlushHeldLine();
  wrapping_ = false;
  if (started_) Put(spaced ? "\n\n" : "\n", spaced ? 2 : 1);
  started_ = true;
}

void TextPageWriter::WriteIndent() {
  if (!indentPending_) return;
  indentPending_ = false;
  if (prefixLength_ > 0) Put(prefix_, prefixLength_);
  if (wrapping_) heldPrefix_ = lineLength_;  // no break inside the indent and marker
  // Later lines of the block are indented alone.
  prefixLength_ = static_cast<size_t>(indentColumns_);
  std::memset(prefix_, ' ', prefixLength_);
}

void TextPageWriter::StartParagraph(const Block& block) {
  wrapping_ = false;
  static_assert(kDeepestIndent * kIndentStep + 24 <= sizeof prefix_, "the deepest indent fits");
  StartLine(block.spaced);
  indentColumns_ = block.indent * kIndentStep;
  std::memset(prefix_, ' ', static_cast<size_t>(indentColumns_));
  prefixLength_ = static_cast<size_t>(indentColumns_);
  if (block.marker != ItemMarker::None) {
    // The marker ends one blank before the item's text, in the indent's last columns.
    char marker[24];
    size_t length = 0;
    if (block.marker == ItemMarker::Bullet) {
      if (charset_ == TextCharset::Utf8) {
        std::memcpy(marker, "\xE2\x80\xA2", 3);  // U+2022
        length = 3;
      } else {
        marker[0] = '\x95';  // the bullet in both Windows code pages
        length = 1;
      }
      const size_t at = static_cast<size_t>(indentColumns_ - 2);
      std::memcpy(prefix_ + at, marker, length);
      prefixLength_ = at + length + 1;
      prefix_[prefixLength_ - 1] = ' ';
    } else {
      size_t numberLength = FormatListNumber(block.number, block.numbering, marker);
      marker[numberLength++] = '.';
      std::string_view number(marker, numberLength);
      const size_t width = number.size() + 1;
      const size_t at = width <= static_cast<size_t>(indentColumns_)
                            ? static_cast<size_t>(indentColumns_) - width
                            : 0;
      std::memcpy(prefix_ + at, number.data(), number.size());
      prefix_[at + number.size()] = ' ';
      prefixLength_ = std::max(prefixLength_, at + width);
    }
  }
  indentPending_ = true;
  wrapping_ = wrap_ > 0 && !block.preformatted;
}

void TextPageWriter::Text(const char* s, size_t n) {
  Shown();
  WriteIndent();
  Encode<true>(s, n);
}

void TextPageWriter::PreformattedText(const char* s, size_t n) {
  Shown();
  WriteIndent();
  Encode<false>(s, n);
}

void TextPageWriter::Character(uint32_t cp) {
  Shown();
  WriteIndent();
  unsigned char bytes[4];
  size_t length = 0;
  switch (EncodeReferenceCharacter(cp, mapper_, charset_, bytes, length)) {
    case ReferenceOutput::Bytes:
      Put(reinterpret_cast<const char*>(bytes), length);
      break;
    case ReferenceOutput::WhiteSpace:
      Put(cp == '\t' ? "\t" : " ", 1);  // a no-break space is a blank that stays
      break;
    case ReferenceOutput::Removed:
      break;
  }
}

void TextPageWriter::LineBreak() {
  WriteIndent();
  if (wrapping_) {
    FlushHeldLine();
    out_.Append('\n');
    heldPrefix_ = 0;
  } else {
    Put("\n", 1);
  }
  indentPending_ = true;
}

void TextPageWriter::Rule(const Block& block) {
  wrapping_ = false;
  StartLine(block.spaced);
  const int indent = block.indent * kIndentStep;
  Put(kBlanks, static_cast<size_t>(indent));
  char dashes[kRuleWidth];
  std::memset(dashes, '-', sizeof dashes);
  Put(dashes, static_cast<size_t>(std::max(8, kRuleWidth - indent)));
  indentPending_ = false;
}

void TextPageWriter::TableStart(const Block& block, const TableShape&) {
  FlushHeldLine();
  grid_.Clear();
  wrapping_ = false;  // table rows are not wrapped
  inTable_ = true;
  holding_ = true;
  table_.Clear();
  tableSpaced_ = block.spaced;
  tableIndent_ = block.indent * kIndentStep;
  indentPending_ = false;
}

void TextPageWriter::RowStart(bool) {
  grid_.StartRow();
  if (holding_ && !table_.CanAddRow()) SpillTable();
  if (holding_) {
    table_.AddRow();
    return;
  }
  StartLine(false);
  Put(kBlanks, static_cast<size_t>(tableIndent_));
  rowHasCell_ = false;
}

void TextPageWriter::CellStart(const CellShape& shape) {
  // The columns cells above still take stay empty in this row.
  for (int taken; grid_.spansRows() && (taken = grid_.TakenHere()) > 0; grid_.Skip(taken)) {
    if (holding_ && !table_.CanAddCell()) SpillTable();
    if (holding_) table_.AddCell(taken);
  }
  grid_.Place(shape.span, shape.rowSpan);
  if (holding_ && !table_.CanAddCell()) SpillTable();
  if (holding_) {
    table_.AddCell(shape.span);
    return;
  }
  if (rowHasCell_) Put("  ", 2);
  rowHasCell_ = true;
}

void TextPageWriter::TableEnd() {
  if (holding_) {
    holding_ = false;  // the output takes the rows
    WriteHeldTable(false);
  }
  inTable_ = false;
}

void TextPageWriter::SpillTable() {
  holding_ = false;  // from here the output takes the text
  WriteHeldTable(true);
}

void TextPageWriter::WriteHeldTable(bool partial) {
  // Each column as wide as its widest cell of one column; two blanks between columns. A
  // cell that spans columns takes their widths and the blanks between them.
  const bool utf8 = charset_ == TextCharset::Utf8;
  constexpr size_t kColumns = TextTable::kMaxColumns;
  size_t widths[kColumns] = {};
  const size_t rows = table_.rowCount();
  for (size_t c = 0; c < table_.cellCount(); ++c)
    table_.SetCellWidth(c, TextTable::DisplayWidth(table_.text() + table_.cellBegin(c),
                                                   table_.cellEnd(c) - table_.cellBegin(c), utf8));
  for (size_t r = 0; r < rows; ++r) {
    size_t column = 0;
    for (size_t c = table_.rowBegin(r); c < table_.rowEnd(r) && column < kColumns; ++c) {
      if (table_.cellSpan(c) == 1) widths[column] = std::max(widths[column], table_.cellWidth(c));
      column += table_.cellSpan(c);
    }
  }
  for (size_t r = 0; r < rows; ++r) {
    StartLine(r == 0 && tableSpaced_);
    size_t owed = static_cast<size_t>(tableIndent_);  // blanks written before the next text
    size_t column = 0;
    rowHasCell_ = false;
    for (size_t c = table_.rowBegin(r); c < table_.rowEnd(r); ++c) {
      if (column > 0) owed += 2;
      const size_t length = table_.cellEnd(c) - table_.cellBegin(c);
      if (length > 0) {
        for (; owed > 0; owed -= std::min(owed, sizeof kBlanks - 1))
          Put(kBlanks, std::min(owed, sizeof kBlanks - 1));
        Put(table_.text() + table_.cellBegin(c), length);
      }
      // The columns it takes, less what its text took.
      size_t room = 0;
      const size_t span = table_.cellSpan(c);
      // (Columns no cell of one column has measured take no room, as browsers draw them.)
      for (size_t k = column; k < column + span && k < kColumns; ++k)
        room += widths[k] + (k > column && widths[k] > 0 ? 2 : 0);
      owed += room - std::min(room, table_.cellWidth(c));
      column += span;
      rowHasCell_ = true;
    }
    if (partial && r + 1 == rows && !rowHasCell_) Put(kBlanks, static_cast<size_t>(tableIndent_));
  }
  table_.Clear();
}

void TextPageWriter::LinkStart(LinkKind kind, const char* address, size_t n) {
  linkKind_ = links_ == VELLUMINE_LINKS_NONE ? LinkKind::None : kind;
  linkAddress_.assign(kind == LinkKind::Internal ? "#" : "");
  linkAddress_.append(address, n);
  linkShown_ = false;
}

void TextPageWriter::LinkEnd() {
  // A link with nothing to show gets no address either.
  if (linkKind_ == LinkKind::None || !linkShown_) return;
  linkKind_ = LinkKind::None;
  if (links_ == VELLUMINE_LINKS_INLINE) {
    Put(" <", 2);
    Put(linkAddress_.data(), linkAddress_.size());
    Put(">", 1);
    return;
  }
  const std::string number = "[" + std::to_string(++linkCount_) + "]";
  Put(number.data(), number.size());
  // What is held goes to the store before a line is added, so that the last line (whose
  // line feed is left out) is always in memory.
  if (addressStore_ && linkList_.size() >= heldAddresses_ &&
      addressStore_->Append(linkList_.data(), linkList_.size()))
    linkList_.clear();
  linkList_ += number + " " + linkAddress_ + "\n";
}

void TextPageWriter::Finish() {
  FlushHeldLine();
  wrapping_ = false;
  if (!linkList_.empty()) {  // the addresses after a blank line, one a line
    StartLine(true);
    if (addressStore_ && !addressStore_->ReadBack([this](const char* s, size_t n) { Put(s, n); }))
      addressesLost_ = true;
    Put(linkList_.data(), linkList_.size() - 1);
  }
  if (started_) Put("\n", 1);
}

}  // namespace vellumine
