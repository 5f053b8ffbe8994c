#include "rtf_page_writer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "fast/reading_runs.h"
#include "translation/entities.h"
#include "translation/rtf_writer.h"
#include "translation/utf8.h"
#include "translation/windows_code_pages.h"

namespace vellumine {
namespace {

constexpr size_t kPiece = 4096;     // input bytes encoded per room asked for
constexpr size_t kMostPerByte = 12;  // output bytes one input byte can become ("\\u-1234\\'hh")
constexpr int kTwipsPerIndent = 360;
constexpr size_t kShortName = 64;    // a bookmark's name copied whole at once up to this
constexpr int kTableWidth = 9500;   // twips
constexpr int kMostCells = 63;      // cells a row of RTF holds
// Heading sizes against the body's, in percent, h1 to h6.
constexpr int kHeadingPercent[6] = {200, 160, 130, 115, 100, 90};

constexpr char kHex[] = "0123456789abcdef";

// Copies a name of at most kShortName bytes to d when all of it is plain (a bookmark's or
// an internal link's); false otherwise. It is copied first where it may be read a chunk
// past its end; d has room for the name and a chunk more (stored whole).
bool CopyShortPlainName(std::string_view name, char* d) {
  unsigned char padded[kShortName + kScanChunk];
  std::memcpy(padded, name.data(), name.size());
  return CopyPlainRunReadingPast<PlainBytes::RtfName>(padded, name.size(), d) == name.size();
}

char* PutHexEscape(char* d, unsigned char b) {
  d[0] = '\\';
  d[1] = '\'';
  d[2] = kHex[b >> 4];
  d[3] = kHex[b & 15];
  return d + 4;
}

// Writes value in decimal at out (room for 21 bytes); returns its length.
size_t FormatNumber(long value, char* out) {
  char digits[24];
  char* end = digits + sizeof digits;
  char* d = end;
  unsigned long magnitude = value < 0 ? 0ul - static_cast<unsigned long>(value)
                                      : static_cast<unsigned long>(value);
  do {
    *--d = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (value < 0) *--d = '-';
  std::memcpy(out, d, static_cast<size_t>(end - d));
  return static_cast<size_t>(end - d);
}

// One UTF-16 unit as "\\u" and its value as a signed 16-bit number, then what readers
// without Unicode show instead: the character's byte in the document's code page, or a
// blank (which ends the control word) and "?".
char* PutUnicodeUnit(char* d, uint32_t unit, unsigned char fallback) {
  const long value = unit >= 0x8000 ? static_cast<long>(unit) - 0x10000 : static_cast<long>(unit);
  *d++ = '\\';
  *d++ = 'u';
  d += FormatNumber(value, d);
  if (fallback >= 0x80) return PutHexEscape(d, fallback);
  *d++ = ' ';
  *d++ = '?';
  return d;
}

// A character beyond ASCII in Unicode (a surrogate pair past U+FFFF), so that every reader
// takes it whatever code page it assumes; at most 22 bytes.
char* PutCharacter(char* d, uint32_t cp, bool cyrillic) {
  if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
  if (cp <= 0xFFFF) return PutUnicodeUnit(d, cp, cyrillic ? Windows1251Byte(cp) : Windows1252Byte(cp));
  d = PutUnicodeUnit(d, 0xD800 + ((cp - 0x10000) >> 10), 0);
  return PutUnicodeUnit(d, 0xDC00 + ((cp - 0x10000) & 0x3FF), 0);
}

bool IsBlank(unsigned char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// Appends printf-formatted text (the header's).
template <typename... Args>
void AppendFormatted(PageOutput& out, const char* format, Args... args) {
  char buffer[160];
  const int length = std::snprintf(buffer, sizeof buffer, format, args...);
  if (length > 0) out.Append(std::string_view(buffer, static_cast<size_t>(length)));
}

// Appends a control word and its number: "\\sb" and 120 give "\\sb120".
void AppendControl(PageOutput& out, std::string_view word, long value) {
  char buffer[24];
  out.Append(word);
  out.Append(std::string_view(buffer, FormatNumber(value, buffer)));
}

}  // namespace

template <bool kTables>
RtfPageWriter<kTables>::RtfPageWriter(PageOutput& out, const EncodingChoice& encoding,
                                      const char* fontName, int fontSize)
    : out_(out),
      mapper_(encoding.mapper),
      utf8_(encoding.utf8),
      cyrillic_(encoding.cyrillic),
      bodySize_(fontSize > 0 ? 2 * fontSize : 20) {
  const char* charset = cyrillic_ ? "204" : "0";
  // Tab stops every eight characters of Courier New, as preformatted text expects.
  AppendFormatted(out_,
                  "{\\rtf1\\ansi\\ansicpg%s\\deff0\\deflang1033\\deftab%d\\uc1{\\fonttbl{\\f0\\fswiss"
                  "\\fprq2\\fcharset%s ",
                  cyrillic_ ? "1251" : "1252", 48 * bodySize_, charset);
  for (const char* p = fontName ? fontName : "Arial"; *p != '\0'; ++p)
    if (IsHeaderFontNameByte(static_cast<unsigned char>(*p))) out_.Append(*p);
  AppendFormatted(out_,
                  ";}{\\f1\\fmodern\\fprq1\\fcharset%s Courier New;}{\\f2\\ftech\\fcharset2 "
                  "Symbol;}}\n",
                  charset);
  // Headings in styles of their own, so that word processors see an outline.
  out_.Append("{\\stylesheet");
  AppendControl(out_, "{\\s0\\fs", bodySize_);
  out_.Append(" Normal;}");
  for (int level = 1; level <= 6; ++level) {
    AppendControl(out_, "\n{\\s", level);
    AppendControl(out_, "\\keepn\\sb240\\sa60\\outlinelevel", level - 1);
    AppendControl(out_, "\\b\\fs", HeadingSize(level));
    AppendControl(out_, "\\sbasedon0\\snext0 heading ", level);
    out_.Append(";}");
  }
  out_.Append("}\n");
  // Lists: list 1 bullets, nine levels, and its one override.
  out_.Append("{\\*\\listtable{\\list\\listtemplateid1\\listhybrid");
  for (int level = 0; level < 9; ++level) {
    out_.Append("{\\listlevel\\levelnfc23\\levelnfcn23\\leveljc0\\leveljcn0\\levelfollow0"
                "\\levelstartat1{\\leveltext\\'01\\'95;}{\\levelnumbers;}\\fi-360");
    AppendControl(out_, "\\li", (level + 1) * kTwipsPerIndent);
    AppendControl(out_, "\\lin", (level + 1) * kTwipsPerIndent);
    out_.Append("}");
  }
  out_.Append("\\listid1}}\n{\\*\\listoverridetable{\\listoverride\\listid1\\listoverridecount0\\ls1}}\n");
}

template <bool kTables>
void RtfPageWriter<kTables>::WriteParagraphStart(const Block& block, bool inCell) {
  block_ = block;
  headingBold_ = block.heading > 0;
  format_ = CharacterFormat{};
  // Most paragraphs start as one of the last few did (a list item's differ by their number),
  // most often as the last one (the lines of a code block).
  auto matches = [&](const KeptStart& kept) {
    return kept.length > 0 && kept.block == block && kept.inCell == inCell;
  };
  if (matches(starts_[lastStart_])) {
    out_.Append(std::string_view(starts_[lastStart_].bytes, starts_[lastStart_].length));
    return;
  }
  for (int i = 0; i < kKeptStarts; ++i) {
    if (matches(starts_[i])) {
      lastStart_ = i;
      out_.Append(std::string_view(starts_[i].bytes, starts_[i].length));
      return;
    }
  }
  lastStart_ = nextStart_;
  KeptStart& kept = starts_[nextStart_];
  nextStart_ = (nextStart_ + 1) % kKeptStarts;
  kept.block = block;
  kept.inCell = inCell;
  kept.length = FormatParagraphStart(block, inCell, kept.bytes);
  out_.Append(std::string_view(kept.bytes, kept.length));
}

template <bool kTables>
size_t RtfPageWriter<kTables>::FormatParagraphStart(const Block& block, bool inCell,
                                                    char (&into)[kStartCapacity]) const {
  size_t length = 0;
  auto append = [&](std::string_view bytes) {
    std::memcpy(into + length, bytes.data(), bytes.size());
    length += bytes.size();
  };
  auto control = [&](std::string_view word, long value) {
    append(word);
    length += FormatNumber(value, into + length);
  };
  const int left = block.indent * kTwipsPerIndent;
  // A list item: its marker as text for readers without lists, then its list and level.
  if (block.marker != ItemMarker::None && block.list > 0) {
    append("\n{\\listtext\\pard\\plain");
    control("\\fs", bodySize_);
    if (block.marker == ItemMarker::Bullet) {
      append(" \\'95\\tab}");
    } else {
      control(" ", block.number);
      append(".\\tab}");
    }
  }
  append(inCell ? "\n\\pard\\plain\\intbl" : "\n\\pard\\plain");
  if (block.marker != ItemMarker::None && block.list > 0) {
    control("\\ls", block.list);
    control("\\ilvl", block.listLevel);
  }
  if (block.marker != ItemMarker::None) {
    control("\\fi", -kTwipsPerIndent);
    control("\\li", left);
  } else if (left > 0) {
    control("\\li", left);
  }
  int size = bodySize_;
  if (block.heading > 0) {
    size = HeadingSize(block.heading);
    control("\\s", block.heading);
    control("\\outlinelevel", block.heading - 1);
    append(block.spaced ? "\\keepn\\sb240\\sa60" : "\\keepn\\sb0\\sa60");
  } else {
    append(block.spaced ? "\\sb120" : "\\sb0");
  }
  if (block.centered) append("\\qc");
  if (block.preformatted) append("\\f1");
  control("\\fs", size);
  append(block.heading > 0 ? "\\b " : " ");
  if (block.marker == ItemMarker::Number && block.list == 0) {  // an item with its number
    control("", block.number);
    append(".\\tab ");
  }
  return length;
}

template <bool kTables>
void RtfPageWriter<kTables>::SwitchFormat(const CharacterFormat& format) {
  // At most six words and a blank, written at once.
  char words[48];
  size_t length = 0;
  auto put = [&](std::string_view word) {
    std::memcpy(words + length, word.data(), word.size());
    length += word.size();
  };
  if ((format.bold || headingBold_) != (format_.bold || headingBold_))
    put(format.bold || headingBold_ ? "\\b" : "\\b0");
  if (format.subscript != format_.subscript || format.superscript != format_.superscript)
    put(format.superscript ? "\\super" : format.subscript ? "\\sub" : "\\nosupersub");
  if (format.italic != format_.italic) put(format.italic ? "\\i" : "\\i0");
  if (format.underline != format_.underline) put(format.underline ? "\\ul" : "\\ulnone");
  if (format.strike != format_.strike) put(format.strike ? "\\strike" : "\\strike0");
  // Preformatted paragraphs are in the monospace font of themselves.
  if ((format.monospace || block_.preformatted) != (format_.monospace || block_.preformatted))
    put(format.monospace || block_.preformatted ? "\\f1" : "\\f0");
  if (length > 0) {
    words[length++] = ' ';
    out_.Append(std::string_view(words, length));
  }
  format_ = format;
}

template <bool kTables>
int RtfPageWriter<kTables>::HeadingSize(int level) const {
  return std::max(2, bodySize_ * kHeadingPercent[level - 1] / 100);
}

template <bool kTables>
void RtfPageWriter<kTables>::AppendName(std::string_view name) {
  // Bytes outside printable ASCII, the quote, the backslash and braces become "%hh": the
  // name is then the same in the bookmark and in the link, and ends neither.
  if (name.size() <= kShortName) {
    char* const room = out_.Room(name.size() + kScanChunk);
    if (CopyShortPlainName(name, room)) {
      out_.Commit(room + name.size());
      return;
    }
  } else if (name.size() <= PageOutput::kLargestRoom / 2) {
    const auto* s = reinterpret_cast<const unsigned char*>(name.data());
    char* const room = out_.Room(name.size() + kScanChunk);
    if (CopyPlainRun<PlainBytes::RtfName>(s, name.size(), room) == name.size()) {
      out_.Commit(room + name.size());
      return;
    }
  }
  for (size_t at = 0; at < name.size();) {
    const size_t piece = std::min(name.size() - at, size_t{1024});
    char* const start = out_.Room(3 * piece);
    char* d = start;
    for (unsigned char c : name.substr(at, piece)) {
      if (c > 0x20 && c < 0x7F && c != '"' && c != '\\' && c != '{' && c != '}') {
        *d++ = static_cast<char>(c);
      } else {
        *d++ = '%';
        *d++ = "0123456789ABCDEF"[c >> 4];
        *d++ = "0123456789ABCDEF"[c & 15];
      }
    }
    out_.Commit(d);
    at += piece;
  }
}

template <bool kTables>
void RtfPageWriter<kTables>::LinkStart(LinkKind kind, const char* address, size_t n) {
  CloseField();
  linkKind_ = kind;
  linkAddress_ = address;
  linkLength_ = std::min(n, kLongestAddress);
}

template <bool kTables>
void RtfPageWriter<kTables>::LinkEnd() {
  CloseField();
  linkKind_ = LinkKind::None;
}

template <bool kTables>
void RtfPageWriter<kTables>::OpenField() {
  // The instruction in an ignorable destination: readers without fields show the result.
  if (linkKind_ == LinkKind::Internal) {
    out_.Append("{\\field{\\*\\fldinst HYPERLINK \\\\l \"");
    AppendName(std::string_view(linkAddress_, linkLength_));
  } else {
    out_.Append("{\\field{\\*\\fldinst HYPERLINK \"");
    // Printable ASCII without quote or backslash: only braces need escapes.
    const auto* s = reinterpret_cast<const unsigned char*>(linkAddress_);
    char* d = out_.Room(2 * linkLength_ + kScanChunk);
    for (size_t i = 0; i < linkLength_;) {
      const size_t k = CopyPlainRun<PlainBytes::RtfText>(s + i, linkLength_ - i, d);
      d += k;
      i += k;
      if (i == linkLength_) break;
      const char c = linkAddress_[i++];
      if (c == '{' || c == '}') *d++ = '\\';
      *d++ = c;
    }
    out_.Commit(d);
  }
  out_.Append("\"}{\\fldrslt ");
  fieldOpen_ = true;
  formatOutsideField_ = format_;
}

template <bool kTables>
void RtfPageWriter<kTables>::CloseField() {
  if (!fieldOpen_) return;
  out_.Append("}}");
  fieldOpen_ = false;
  format_ = formatOutsideField_;  // the group's formatting ends with it
}

template <bool kTables>
void RtfPageWriter<kTables>::Bookmark(const char* name, size_t n) {
  constexpr std::string_view kStart = "{\\*\\bkmkstart ";
  constexpr std::string_view kEnd = "}{\\*\\bkmkend ";
  if (n <= kShortName) {
    // A short plain name is checked once and copied, with the rest, in one piece of room
    // (the check stores a chunk past the name, which the rest then overwrites).
    char* const room = out_.Room(kStart.size() + 2 * n + kEnd.size() + 1 + kScanChunk);
    char* d = room;
    std::memcpy(d, kStart.data(), kStart.size());
    d += kStart.size();
    if (CopyShortPlainName(std::string_view(name, n), d)) {
      std::memcpy(d + n, kEnd.data(), kEnd.size());
      std::memcpy(d + n + kEnd.size(), d, n);
      d += 2 * n + kEnd.size();
      *d++ = '}';
      out_.Commit(d);
      return;
    }
  }
  out_.Append(kStart);
  AppendName(std::string_view(name, n));
  out_.Append(kEnd);
  AppendName(std::string_view(name, n));
  out_.Append("}");
}

template <bool kTables>
void RtfPageWriter<kTables>::StartParagraph(const Block& block) {
  CloseField();
  if (paragraphEndPending_) out_.Append("\\par");
  paragraphEndPending_ = false;
  WriteParagraphStart(block, kTables && inCell_);
}

template <bool kTables>
void RtfPageWriter<kTables>::EndParagraph() {
  CloseField();
  if (kTables && inCell_)
    paragraphEndPending_ = true;  // the cell's last paragraph ends with the cell
  else
    out_.Append("\\par");
}

template <bool kTables>
template <bool kCollapse>
void RtfPageWriter<kTables>::Encode(const char* s, size_t n) {
  const auto* u = reinterpret_cast<const unsigned char*>(s);
  bool afterBlank = false;  // the last byte written is a blank of this run
  size_t i = 0;
  while (i < n) {
    const size_t end = i + std::min(n - i, kPiece);
    char* const start = out_.Room((end - i) * kMostPerByte + kScanChunk);
    char* d = start;
    while (i < end) {
      const size_t k =
          CopyPlainRunWithBlanks<PlainBytes::RtfText, kCollapse>(u + i, end - i, d, afterBlank);
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
            if (c == '\t') {
              std::memcpy(d, "\\tab ", 5);
              d += 5;
            } else {
              *d++ = ' ';
            }
          } else if (!afterBlank) {
            *d++ = ' ';
            afterBlank = true;
          }
          continue;
        }
        afterBlank = false;
        if (c == '{' || c == '}' || c == '\\') {
          *d++ = '\\';
          *d++ = static_cast<char>(c);
        } else if (c > 0x20 && c != 0x7F) {
          *d++ = static_cast<char>(c);
        }  // other control bytes are left out
        continue;
      }
      afterBlank = false;
      if (!utf8_) {
        const unsigned char b = mapper_(c);
        d = PutCharacter(d, cyrillic_ ? Windows1251CodePoint(b) : Windows1252CodePoint(b), cyrillic_);
        ++i;
        continue;
      }
      uint32_t cp;
      i += DecodeUtf8Character(u + i, n - i, cp);
      d = PutCharacter(d, cp, false);
    }
    out_.Commit(d);
  }
}

template <bool kTables>
void RtfPageWriter<kTables>::Text(const char* s, size_t n) {
  BeforeText();
  Encode<true>(s, n);
}

template <bool kTables>
void RtfPageWriter<kTables>::PreformattedText(const char* s, size_t n) {
  BeforeText();
  Encode<false>(s, n);
}

template <bool kTables>
void RtfPageWriter<kTables>::Character(uint32_t cp) {
  BeforeText();
  char buffer[kRtfCharacterCapacity + 4];
  if (cp < 0x80) {
    if (cp == '\t') {
      out_.Append("\\tab ");
    } else if (cp == '{' || cp == '}' || cp == '\\') {
      buffer[0] = '\\';
      buffer[1] = static_cast<char>(cp);
      out_.Append(std::string_view(buffer, 2));
    } else if (cp >= 0x20 && cp != 0x7F) {
      out_.Append(static_cast<char>(cp));
    }
    return;
  }
  if (cp == 0xA0) {
    out_.Append("\\~");
    return;
  }
  out_.Commit(PutCharacter(out_.Room(24), cp, cyrillic_));
}

template <bool kTables>
void RtfPageWriter<kTables>::LineBreak() {
  if (!block_.preformatted) {
    out_.Append("\\line ");
    return;
  }
  // Each line of a preformatted block is a paragraph of its own.
  CloseField();
  const CharacterFormat format = format_;
  Block next = block_;
  next.spaced = false;
  next.marker = ItemMarker::None;
  out_.Append("\\par");
  WriteParagraphStart(next, kTables && inCell_);
  if (!(format == format_)) SwitchFormat(format);
}

template <bool kTables>
void RtfPageWriter<kTables>::Rule(const Block& block) {
  CloseField();
  if (paragraphEndPending_) out_.Append("\\par");
  paragraphEndPending_ = false;
  out_.Append(kTables && inCell_ ? "\n\\pard\\plain\\intbl" : "\n\\pard\\plain");
  out_.Append(block.spaced ? "\\sb120\\sa120" : "\\sb0\\sa120");
  if (block.indent > 0) AppendControl(out_, "\\li", block.indent * kTwipsPerIndent);
  out_.Append("\\brdrb\\brdrs\\brdrw10\\brsp20\\fs4 ");
  block_ = Block{};
  EndParagraph();
}

template <bool kTables>
void RtfPageWriter<kTables>::TableStart(const Block& block) {
  tableBlock_ = block;
  inTable_ = true;
  firstRow_ = true;
}

template <bool kTables>
void RtfPageWriter<kTables>::RowStart() {
  CloseField();
  inRow_ = true;
  cellsWritten_ = 0;
  if constexpr (kTables) {
    cellCount_ = 0;
    out_.Hold(*this);
  } else {
    Block row = tableBlock_;
    row.spaced = firstRow_ && tableBlock_.spaced;
    WriteParagraphStart(row, false);
  }
  firstRow_ = false;
}

template <bool kTables>
std::string_view RtfPageWriter<kTables>::FormatRowDefinition(RowDefinition& into) const {
  size_t length = 0;
  auto control = [&](std::string_view word, long value) {
    std::memcpy(into.bytes + length, word.data(), word.size());
    length += word.size();
    length += FormatNumber(value, into.bytes + length);
  };
  const int left = tableBlock_.indent * kTwipsPerIndent;
  control("\n\\trowd\\trgaph", 70);
  if (left > 0) control("\\trleft", left);
  for (int k = 1; k <= cellCount_; ++k) control("\\cellx", left + kTableWidth * k / cellCount_);
  return std::string_view(into.bytes, length);
}

template <bool kTables>
void RtfPageWriter<kTables>::WriteBeforeHeld() {
  // The row so far is written: the cells it has, the open one included.
  cellCount_ = std::clamp(cellsWritten_ + (inCell_ || cellEndPending_ ? 1 : 0), 1, kMostCells);
  RowDefinition definition;
  out_.Append(FormatRowDefinition(definition));
}

template <bool kTables>
void RtfPageWriter<kTables>::FinishCell() {
  if (!paragraphEndPending_) out_.Append("\n\\pard\\plain\\intbl ");
  out_.Append("\\cell");
  paragraphEndPending_ = false;
  ++cellsWritten_;
}

template <bool kTables>
void RtfPageWriter<kTables>::CellStart(int) {
  CloseField();
  if constexpr (kTables) {
    // Past the row's last cell, the last cell takes the rest of the row.
    const int most = cellCount_ > 0 ? cellCount_ : kMostCells;
    if (cellEndPending_ && cellsWritten_ + 1 < most) FinishCell();
    cellEndPending_ = false;
    inCell_ = true;
  } else {
    if (cellsWritten_++ > 0) out_.Append("\\tab ");
  }
}

template <bool kTables>
void RtfPageWriter<kTables>::CellEnd() {
  CloseField();
  if constexpr (kTables) cellEndPending_ = true;
}

template <bool kTables>
void RtfPageWriter<kTables>::RowEnd() {
  CloseField();
  if constexpr (kTables) {
    if (cellEndPending_ || inCell_) FinishCell();
    cellEndPending_ = false;
    inCell_ = false;
    if (cellCount_ == 0) {  // held whole: its definition goes first
      cellCount_ = std::clamp(cellsWritten_, 1, kMostCells);
      RowDefinition definition;
      out_.Release(FormatRowDefinition(definition));
    }
    for (; cellsWritten_ < cellCount_; ++cellsWritten_) out_.Append("\n\\pard\\plain\\intbl\\cell");
    out_.Append("\\row");
  } else {
    out_.Append("\\par");
  }
  inRow_ = false;
}

template <bool kTables>
void RtfPageWriter<kTables>::TableEnd() {
  inTable_ = false;
}

template <bool kTables>
void RtfPageWriter<kTables>::Finish() {
  CloseField();
  if (paragraphEndPending_) out_.Append("\\par");
  paragraphEndPending_ = false;
  out_.Append("}");
}

template class RtfPageWriter<false>;
template class RtfPageWriter<true>;

}  // namespace vellumine
