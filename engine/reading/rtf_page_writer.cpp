#include "rtf_page_writer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "fast/kept_blocks.h"
#include "fast/reading_runs.h"
#include "fast/text_measure.h"
#include "reading/rtf_colors.h"
#include "reading/rtf_picture.h"
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
constexpr int kMostCells = 63;      // cells a row of RTF holds
constexpr int kCellGap = 70;        // twips between a cell's text and its side
constexpr long kLongestRow = 22 * 1440;  // twips: 22 inches, the widest page readers take
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

// The words that switch the look from `from` to `to` (with a link's look where it is in one),
// in a paragraph bold of itself or not, and preformatted or not.
template <bool kLink>
[[gnu::always_inline]] inline size_t FormatChange(const CharacterFormat& from,
                                                  const CharacterFormat& to, bool headingBold,
                                                  bool preformatted, char* words) {
  constexpr bool fromLink = kLink, toLink = kLink;
  size_t length = 0;
  auto put = [&](std::string_view word) {
    std::memcpy(words + length, word.data(), word.size());
    length += word.size();
  };
  if ((to.bold || headingBold) != (from.bold || headingBold))
    put(to.bold || headingBold ? "\\b" : "\\b0");
  if (to.subscript != from.subscript || to.superscript != from.superscript)
    put(to.superscript ? "\\super" : to.subscript ? "\\sub" : "\\nosupersub");
  if (to.italic != from.italic) put(to.italic ? "\\i" : "\\i0");
  // Links are underlined and blue, unless the page colours them.
  if ((to.underline || toLink) != (from.underline || fromLink))
    put(to.underline || toLink ? "\\ul" : "\\ulnone");
  if (to.strike != from.strike) put(to.strike ? "\\strike" : "\\strike0");
  // Preformatted paragraphs are in the monospace font of themselves.
  if ((to.monospace || preformatted) != (from.monospace || preformatted))
    put(to.monospace || preformatted ? "\\f1" : "\\f0");
  const int fromColor = from.color != 0 ? from.color : fromLink ? kLinkColorIndex : 0;
  const int toColor = to.color != 0 ? to.color : toLink ? kLinkColorIndex : 0;
  if (toColor != fromColor) {
    put("\\cf");
    length += FormatNumber(toColor, words + length);
  }
  if (to.highlight != from.highlight) {  // (some readers take the one, some the other)
    put("\\highlight");
    length += FormatNumber(to.highlight, words + length);
    put("\\chcbpat");
    length += FormatNumber(to.highlight, words + length);
  }
  return length;
}

}  // namespace

// What a table's rows need: where the held rows' definitions go and their cells, the grid
// of columns, and what the first rows' cells ask of each column.
template <bool kTables>
struct RtfPageWriter<kTables>::Table : KeptByThread {
  TableGrid grid;
  bool measuring = false;  // the first rows are held while their columns are measured
  int heldRows = 0;        // rows held whole
  int row = 0;             // the open row's place in rows
  bool allHeader = true;   // the open row's cells are all header cells so far
  bool headerRun = true;   // every row so far is a header row
  HeldRow rows[kMeasuredRows + 1];
  RowCell cells[(kMeasuredRows + 1) * kMostCells];
  // Each column: its longest word and line (characters), a width the page gives it, and
  // where it ends once decided (twips from the table's left side).
  uint32_t longestWord[TableGrid::kColumns] = {};
  uint32_t longestLine[TableGrid::kColumns] = {};
  int widthPercent[TableGrid::kColumns] = {};
  int widthPixels[TableGrid::kColumns] = {};
  long right[TableGrid::kColumns] = {};
  int columns = 0;  // measured (those past them are narrow)
  long extraWidth = 0;  // of each column past them
  // The open cell's measure, and its column (-1: not measured).
  TextMeasure cell;
  int column = -1;

  void Start() {
    const size_t used = static_cast<size_t>(grid.widest());  // (the last table's columns)
    std::fill_n(longestWord, std::min(used, std::size(longestWord)), 0u);
    std::fill_n(longestLine, std::min(used, std::size(longestLine)), 0u);
    std::fill_n(widthPercent, std::min(used, std::size(widthPercent)), 0);
    std::fill_n(widthPixels, std::min(used, std::size(widthPixels)), 0);
    grid.Clear();
    measuring = true;
    heldRows = 0;
    headerRun = true;
    column = -1;
  }
  // Where a column ends, twips from the table's left side (no row wider than readers take).
  long Right(int c) const {
    if (c < columns) return right[c];
    return std::min(kLongestRow, right[columns - 1] + (c - columns + 1) * extraWidth);
  }
};

template <bool kTables>
RtfPageWriter<kTables>::RtfPageWriter(PageOutput& out, const EncodingChoice& encoding,
                                      const char* fontName, int fontSize, PictureFinder* pictures)
    : out_(out),
      mapper_(encoding.mapper),
      utf8_(encoding.utf8),
      cyrillic_(encoding.cyrillic),
      bodySize_(fontSize > 0 ? 2 * fontSize : 20),
      fontName_(fontName ? fontName : "Arial"),
      pictures_(pictures) {
  if constexpr (kTables) table_ = new (std::nothrow) Table;
}

template <bool kTables>
RtfPageWriter<kTables>::~RtfPageWriter() {
  delete table_;
}

template <bool kTables>
void RtfPageWriter<kTables>::Property(DocumentProperty property, const char* s, size_t n) {
  if (headerWritten_) return;
  const int k = static_cast<int>(property);
  if (propertyLength_[k] > 0) return;  // the first one counts
  if (n > kLongestProperty) {  // cut before a character, never inside one
    n = kLongestProperty;
    while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
  }
  std::memcpy(properties_[k], s, n);
  propertyLength_[k] = n;
}

template <bool kTables>
void RtfPageWriter<kTables>::AppendText(std::string_view utf8) {
  const auto* u = reinterpret_cast<const unsigned char*>(utf8.data());
  for (size_t i = 0; i < utf8.size();) {
    char* d = out_.Room(32);
    const unsigned char c = u[i];
    if (c < 0x80) {
      ++i;
      if (c == '{' || c == '}' || c == '\\') *d++ = '\\';
      if (c >= 0x20 && c != 0x7F) *d++ = static_cast<char>(c);
    } else {
      uint32_t cp;
      i += DecodeUtf8Character(u + i, utf8.size() - i, cp);
      d = PutCharacter(d, cp, cyrillic_);
    }
    out_.Commit(d);
  }
}

template <bool kTables>
void RtfPageWriter<kTables>::WriteHeader() {
  headerWritten_ = true;
  const char* charset = cyrillic_ ? "204" : "0";
  // Tab stops every eight characters of Courier New, as preformatted text expects.
  AppendFormatted(out_,
                  "{\\rtf1\\ansi\\ansicpg%s\\deff0\\deflang1033\\deftab%d\\uc1{\\fonttbl{\\f0\\fswiss"
                  "\\fprq2\\fcharset%s ",
                  cyrillic_ ? "1251" : "1252", 48 * bodySize_, charset);
  for (const char* p = fontName_; *p != '\0'; ++p)
    if (IsHeaderFontNameByte(static_cast<unsigned char>(*p))) out_.Append(*p);
  AppendFormatted(out_,
                  ";}{\\f1\\fmodern\\fprq1\\fcharset%s Courier New;}{\\f2\\ftech\\fcharset2 "
                  "Symbol;}}\n",
                  charset);
  out_.Append(RtfColorTable());
  out_.Append("\n");
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
  // The page's properties, and the page: A4, margins of 2 cm.
  static constexpr const char* kPropertyGroups[4] = {"{\\title ", "{\\author ", "{\\doccomm ",
                                                      "{\\keywords "};
  bool info = false;
  for (int k = 0; k < 4; ++k) {
    if (propertyLength_[k] == 0) continue;
    if (!info) out_.Append("{\\info");
    info = true;
    out_.Append(kPropertyGroups[k]);
    AppendText(std::string_view(properties_[k], propertyLength_[k]));
    out_.Append("}");
  }
  if (info) out_.Append("}");
  out_.Append("\\paperw11906\\paperh16838\\margl1134\\margr1134\\margt1134\\margb1134\n");
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
      append(" ");
      length += FormatListNumber(block.number, block.numbering, into + length);
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
  switch (block.align) {
    case TextAlign::Center: append("\\qc"); break;
    case TextAlign::Right: append("\\qr"); break;
    case TextAlign::Justify: append("\\qj"); break;
    default: break;
  }
  if (block.preformatted) append("\\f1");
  control("\\fs", size);
  append(block.heading > 0 ? "\\b " : " ");
  if (block.marker == ItemMarker::Number && block.list == 0) {  // an item with its number
    length += FormatListNumber(block.number, block.numbering, into + length);
    append(".\\tab ");
  }
  return length;
}

template <bool kTables>
void RtfPageWriter<kTables>::SwitchFormat(const CharacterFormat& format) {
  // At most ten words and a blank, written at once.
  char words[128];
  size_t length =
      fieldOpen_ ? FormatChange<true>(format_, format, headingBold_, block_.preformatted, words)
                 : FormatChange<false>(format_, format, headingBold_, block_.preformatted, words);
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
  // Underlined and blue, where the page says neither.
  static_assert(kLinkColorIndex == 66, "the link's colour below");
  static constexpr std::string_view kResults[4] = {"\"}{\\fldrslt\\ul\\cf66 ", "\"}{\\fldrslt\\cf66 ",
                                                   "\"}{\\fldrslt\\ul ", "\"}{\\fldrslt "};
  out_.Append(kResults[(format_.color != 0 ? 2 : 0) + (format_.underline ? 1 : 0)]);
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
  Begin();
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
  Begin();
  afterRow_ = false;
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
  if (kTables && measuring_) [[unlikely]] Measure(s, n);
  Encode<true>(s, n);
}

template <bool kTables>
void RtfPageWriter<kTables>::PreformattedText(const char* s, size_t n) {
  BeforeText();
  if (kTables && measuring_) [[unlikely]] Measure(s, n);
  Encode<false>(s, n);
}

template <bool kTables>
void RtfPageWriter<kTables>::Character(uint32_t cp) {
  BeforeText();
  if (kTables && measuring_) {
    static constexpr char kOne[1 + kScanChunk] = "x";  // (read a chunk past)
    static constexpr char kBlank[1 + kScanChunk] = " ";
    Measure(cp == ' ' || cp == '\t' || cp == 0xA0 ? kBlank : kOne, 1);
  }
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
  if (kTables && measuring_) MeasureBreak();
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
  Begin();
  afterRow_ = false;
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
void RtfPageWriter<kTables>::MeasureSpace() {
  if (measuring_) table_->cell.Blank();
}

template <bool kTables>
bool RtfPageWriter<kTables>::OpenPicture(std::string_view src) {
  if (pictures_ == nullptr) return false;
  return pictures_->Open(src, picture_);  // (open until Picture writes it)
}

template <bool kTables>
void RtfPageWriter<kTables>::Picture(long width, long height) {
  if (pictures_ == nullptr) return;
  // No wider than the text, or than its cell's share of a table.
  const int textWidth = kTextWidth - block_.indent * kTwipsPerIndent;
  WriteOpenRtfPicture(out_, *pictures_, picture_, width, height, textWidth);
  if (kTables && measuring_) {
    // As wide as the picture's own pixels, in characters of the body's size.
    const long columns = std::max(1l, std::min(width > 0 ? width : 100, 2000l) * 3 / bodySize_);
    TextMeasure& m = table_->cell;
    m.word += static_cast<uint32_t>(columns);
    m.line += static_cast<uint32_t>(columns);
  }
}

template <bool kTables>
void RtfPageWriter<kTables>::Measure(const char* s, size_t n) {
  MeasureText(reinterpret_cast<const unsigned char*>(s), n, utf8_, table_->cell);
}

template <bool kTables>
void RtfPageWriter<kTables>::MeasureBreak() {
  table_->cell.Break();
}

template <bool kTables>
void RtfPageWriter<kTables>::MeasureCellEnd() {
  Table& t = *table_;
  if (t.column < 0) return;
  t.cell.Break();
  t.longestWord[t.column] = std::max(t.longestWord[t.column], t.cell.longestWord);
  t.longestLine[t.column] = std::max(t.longestLine[t.column], t.cell.longestLine);
  t.column = -1;
  measuring_ = false;
}

template <bool kTables>
void RtfPageWriter<kTables>::TableStart(const Block& block, const TableShape& shape) {
  Begin();
  tableBlock_ = block;
  tableShape_ = shape;
  firstRow_ = true;
  if constexpr (kTables) {
    // Rows that follow rows are one table to readers: a small empty paragraph keeps two apart.
    if (afterRow_) out_.Append("\n\\pard\\plain\\sb0\\sa0\\fs4\\par");
    if (table_) table_->Start();
    measuring_ = false;
  }
}

template <bool kTables>
void RtfPageWriter<kTables>::RowStart(bool headSection) {
  Begin();
  CloseField();
  inRow_ = true;
  cellsWritten_ = 0;
  if constexpr (kTables) {
    cellCount_ = 0;
    Table& t = *table_;
    t.grid.StartRow();
    t.row = t.measuring ? t.heldRows : 0;
    if (!t.measuring || !out_.holding()) out_.Hold(*this);
    t.rows[t.row] = HeldRow{out_.held(), 0, headSection};
    t.allHeader = true;
  } else {
    Block row = tableBlock_;
    row.spaced = firstRow_ && tableBlock_.spaced;
    WriteParagraphStart(row, false);
  }
  firstRow_ = false;
}

template <bool kTables>
void RtfPageWriter<kTables>::AddCell(int column, int span, Merge merge, bool header) {
  Table& t = *table_;
  HeldRow& row = t.rows[t.row];
  if (row.cells < kMostCells) t.cells[t.row * kMostCells + row.cells++] = RowCell{
      static_cast<uint16_t>(std::min(column, 65535)), static_cast<uint16_t>(std::min(span, 65535)),
      merge, header};
  t.allHeader = t.allHeader && header;
}

template <bool kTables>
void RtfPageWriter<kTables>::FillTakenColumns(bool rowEnd) {
  // Each column a cell above still takes gets an empty cell merged with it; at the row's end,
  // so do the free columns before the last one taken.
  Table& t = *table_;
  const int most = cellCount_ > 0 ? cellCount_ : kMostCells;
  for (;;) {
    if (cellsWritten_ + 1 > most - (rowEnd ? 0 : 1)) return;
    int span = t.grid.TakenHere();
    Merge merge = Merge::Below;
    if (span == 0) {
      if (!rowEnd) return;
      int takenSpan = 0;
      const int taken = t.grid.NextTakenAfter(takenSpan);
      if (taken < 0) return;
      span = taken - t.grid.column();
      merge = Merge::None;
    }
    AddCell(t.grid.column(), span, merge, false);
    t.grid.Skip(span);
    out_.Append("\n\\pard\\plain\\intbl\\cell");
    ++cellsWritten_;
  }
}

template <bool kTables>
void RtfPageWriter<kTables>::FinishCell() {
  if (!paragraphEndPending_) out_.Append("\n\\pard\\plain\\intbl ");
  out_.Append("\\cell");
  paragraphEndPending_ = false;
  ++cellsWritten_;
  if (kTables && table_) MeasureCellEnd();
}

template <bool kTables>
void RtfPageWriter<kTables>::CellStart(const CellShape& shape) {
  CloseField();
  if constexpr (kTables) {
    // Past the row's last cell, the last cell takes the rest of the row.
    const int most = cellCount_ > 0 ? cellCount_ : kMostCells;
    const bool joins = cellEndPending_ && cellsWritten_ + 1 >= most;
    if (cellEndPending_ && !joins) FinishCell();
    cellEndPending_ = false;
    inCell_ = true;
    if (joins || (cellsWritten_ > 0 && cellsWritten_ + 1 > most)) return;
    Table& t = *table_;
    if (t.grid.spansRows()) FillTakenColumns(false);
    const int column = t.grid.Place(shape.span, shape.rowSpan);
    AddCell(column, shape.span, shape.rowSpan > 1 ? Merge::First : Merge::None, shape.header);
    if (t.measuring && column < TableGrid::kColumns) {
      if (shape.span == 1) {
        t.column = column;
        measuring_ = true;
        t.cell = TextMeasure{};
      }
      if (shape.span == 1 && t.widthPercent[column] == 0 && t.widthPixels[column] == 0) {
        t.widthPercent[column] = shape.widthPercent;
        t.widthPixels[column] = shape.widthPixels;
      }
    }
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
void RtfPageWriter<kTables>::DecideWidths() {
  // As a browser's automatic layout: each column at least as wide as its longest word and at
  // most as its longest line, the room between shared out by how much more each would take;
  // widths the page gives kept where the text allows. No wider than the text.
  Table& t = *table_;
  const int columns = std::clamp(t.grid.widest(), 1, TableGrid::kColumns);
  const long text = std::max(1000l, static_cast<long>(kTextWidth - tableBlock_.indent * kTwipsPerIndent));
  const long character = bodySize_ * 5l;  // twips: an average character of the body's font
  const long padding = 2l * kCellGap;
  long want = 0;  // the table's width as the page gives it
  if (tableShape_.widthPercent > 0) want = text * tableShape_.widthPercent / 100;
  else if (tableShape_.widthPixels > 0) want = tableShape_.widthPixels * 15l;
  want = std::min(want, text);
  long least[TableGrid::kColumns], most[TableGrid::kColumns];
  bool given[TableGrid::kColumns];
  long leastSum = 0, mostSum = 0, autoSum = 0;  // autoSum: most of the columns without a width
  for (int c = 0; c < columns; ++c) {
    least[c] = padding + character * std::max<long>(1, std::min<long>(t.longestWord[c], 200));
    most[c] = std::max(least[c], padding + character * std::min<long>(t.longestLine[c], 100000));
    long width = 0;
    if (t.widthPercent[c] > 0) width = (want > 0 ? want : text) * std::min(t.widthPercent[c], 100) / 100;
    else if (t.widthPixels[c] > 0) width = std::min(t.widthPixels[c] * 15l, text);
    given[c] = width > 0;
    if (given[c]) least[c] = most[c] = std::max(width, padding + character);
    leastSum += least[c];
    mostSum += most[c];
    if (!given[c]) autoSum += most[c];
  }
  const long width = want > 0 ? std::max(want, std::min(leastSum, text)) : std::min(mostSum, text);
  long edge = 0;
  for (int c = 0; c < columns; ++c) {
    long w;
    if (width >= mostSum)  // the room left goes to the columns without a width of their own
      w = autoSum > 0 ? most[c] + (given[c] ? 0 : (width - mostSum) * most[c] / autoSum)
                      : most[c] + (width - mostSum) * most[c] / std::max(1l, mostSum);
    else if (width > leastSum)
      w = least[c] + (most[c] - least[c]) * (width - leastSum) / std::max(1l, mostSum - leastSum);
    else
      w = least[c] * width / std::max(1l, leastSum);
    edge += std::max(w, 100l);  // (a narrow column of many still shows a letter)
    t.right[c] = edge;
  }
  // Columns past those measured (a later row's) are narrow.
  t.columns = columns;
  t.extraWidth = padding + 6 * character;
  t.measuring = false;
}

template <bool kTables>
std::string_view RtfPageWriter<kTables>::FormatRowDefinition(int row, int cells,
                                                             RowDefinition& into) const {
  const Table& t = *table_;
  size_t length = 0;
  auto append = [&](std::string_view word) {
    std::memcpy(into.bytes + length, word.data(), word.size());
    length += word.size();
  };
  auto control = [&](std::string_view word, long value) {
    append(word);
    length += FormatNumber(value, into.bytes + length);
  };
  const long left = tableBlock_.indent * kTwipsPerIndent;
  auto right = [&](int column) { return left + t.Right(column); };
  control("\n\\trowd\\trgaph", kCellGap);
  if (t.rows[row].header) append("\\trhdr");
  if (left > 0) control("\\trleft", left);
  const int recorded = t.rows[row].cells;
  long last = left;
  for (int k = 0; k < cells; ++k) {
    RowCell cell{0, static_cast<uint16_t>(std::max(1, t.grid.widest())), Merge::None, false};
    if (k < recorded) cell = t.cells[row * kMostCells + k];
    if (cell.merge == Merge::First) append("\\clvmgf");
    if (cell.merge == Merge::Below) append("\\clvmrg");
    if (tableShape_.bordered)
      append("\\clbrdrt\\brdrs\\brdrw10\\clbrdrl\\brdrs\\brdrw10\\clbrdrb\\brdrs\\brdrw10"
             "\\clbrdrr\\brdrs\\brdrw10");
    // The last cell of a row cut short takes the rest of what its cells took.
    const RowCell& end = k + 1 == cells && recorded > cells ? t.cells[row * kMostCells + recorded - 1] : cell;
    last = std::max(last + 1, right(end.column + end.span - 1));
    control("\\cellx", last);
  }
  return std::string_view(into.bytes, length);
}

template <bool kTables>
void RtfPageWriter<kTables>::ReleaseTable(std::string_view held, bool rowOpen) {
  // Each held row's definition, then its cells; the open row's from the cells it has.
  Table& t = *table_;
  const int rows = t.heldRows + (rowOpen ? 1 : 0);
  RowDefinition definition;
  out_.Append(held.substr(0, rows > 0 ? t.rows[0].mark : held.size()));
  for (int r = 0; r < rows; ++r) {
    const int cells = std::clamp(t.rows[r].cells, 1, kMostCells);
    if (rowOpen && r == t.heldRows) cellCount_ = cells;
    out_.Append(FormatRowDefinition(r, cells, definition));
    const size_t end = r + 1 < rows ? t.rows[r + 1].mark : held.size();
    out_.Append(held.substr(t.rows[r].mark, end - t.rows[r].mark));
  }
}

template <bool kTables>
void RtfPageWriter<kTables>::WriteHeld(std::string_view held) {
  // More than is held: the rows so far are written, the open one with the cells it has.
  Table& t = *table_;
  if (t.measuring) {
    DecideWidths();
    ReleaseTable(held, true);
    return;
  }
  cellCount_ = std::clamp(t.rows[t.row].cells, 1, kMostCells);
  RowDefinition definition;
  out_.Append(FormatRowDefinition(t.row, cellCount_, definition));
  out_.Append(held);
}

template <bool kTables>
void RtfPageWriter<kTables>::RowEnd() {
  CloseField();
  if constexpr (kTables) {
    if (cellEndPending_ || inCell_) FinishCell();
    cellEndPending_ = false;
    inCell_ = false;
    Table& t = *table_;
    if (cellCount_ == 0 && t.grid.spansRows()) FillTakenColumns(true);
    if (cellsWritten_ == 0) {  // a row without cells has one, empty
      AddCell(t.grid.column(), 1, Merge::None, false);
      out_.Append("\n\\pard\\plain\\intbl\\cell");
      ++cellsWritten_;
    }
    // Header rows (those of the thead, or of header cells alone) from the first on, repeated
    // on each page.
    HeldRow& row = t.rows[t.row];
    row.header = t.headerRun && (row.header || (t.allHeader && row.cells > 0));
    t.headerRun = row.header;
    if (cellCount_ == 0) {  // held whole
      if (t.measuring) {
        if (++t.heldRows == kMeasuredRows) {
          DecideWidths();
          ReleaseTable(out_.EndHold(), false);
        }
      } else {
        cellCount_ = std::clamp(cellsWritten_, 1, kMostCells);
        RowDefinition definition;
        const std::string_view held = out_.EndHold();
        out_.Append(FormatRowDefinition(t.row, cellCount_, definition));
        out_.Append(held);
      }
    }
    for (; cellCount_ > 0 && cellsWritten_ < cellCount_; ++cellsWritten_)
      out_.Append("\n\\pard\\plain\\intbl\\cell");
    out_.Append("\\row");
    afterRow_ = true;
  } else {
    out_.Append("\\par");
  }
  inRow_ = false;
}

template <bool kTables>
void RtfPageWriter<kTables>::TableEnd() {
  if constexpr (kTables) {
    if (table_->measuring && out_.holding()) {
      DecideWidths();
      ReleaseTable(out_.EndHold(), false);
    }
    table_->measuring = false;
  }
}

template <bool kTables>
void RtfPageWriter<kTables>::Finish() {
  Begin();
  CloseField();
  if (paragraphEndPending_) out_.Append("\\par");
  paragraphEndPending_ = false;
  out_.Append("}");
}

template class RtfPageWriter<false>;
template class RtfPageWriter<true>;

}  // namespace vellumine
