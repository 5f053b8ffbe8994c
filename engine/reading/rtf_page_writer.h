// RTF of the default reading: a paragraph per block with its indent, spacing, alignment and
// list number or bullet (as RTF's paragraph numbering, so that readers see list items),
// headings large and bold, preformatted lines in Courier New, rules as paragraph borders,
// links blue and underlined, the page's colours, pictures, and tables as RTF tables (kTables:
// columns as wide as their content asks, borders where the page draws them, merged cells,
// header rows) or as a paragraph per row with the cells separated by tabs. Character
// formatting is switched with control words, never held in groups, so no group is left open
// whatever the page's tags do. The document is A4 with margins of 2 cm, and carries the
// page's title, author, description and keywords.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "reading/link_address.h"
#include "reading/page_block.h"
#include "reading/page_output.h"
#include "reading/picture_finder.h"
#include "reading/table_grid.h"
#include "translation/encoding.h"

namespace vellumine {

// With kTables, a table's first rows (up to kMeasuredRows, or PageOutput::kLongestHeld bytes)
// are held until its columns' widths are known from their content; each later row is held
// until it ends (its definition, written first, needs its cells). A row of more than
// kLongestHeld bytes is written with the cells it has by then, and its later cells join the
// last of them. Rows have at most 63 cells: the last takes the rest of a longer row.
template <bool kTables>
class RtfPageWriter final : private PageOutput::Holder {
 public:
  static constexpr bool kOneLineCells = !kTables;

  static constexpr int kTextWidth = 11906 - 2 * 1134;  // twips: A4 less its margins
  static constexpr int kMeasuredRows = 100;

  // The header goes before the first of the body: the font table with fontName (its bytes
  // that would end the table left out), Courier New and Symbol, the colour table, the
  // styles, the list table of bullets (an ordered list's items are written with their
  // numbers, which the page may give in any order), the document's properties and its page.
  // fontSize in points. pictures: where <img>'s pictures come from (none: their text).
  RtfPageWriter(PageOutput& out, const EncodingChoice& encoding, const char* fontName,
                int fontSize, PictureFinder* pictures = nullptr);
  ~RtfPageWriter();

  bool WantsLooks() const { return true; }
  void SetPictures(PictureFinder* pictures) { pictures_ = pictures; }
  // Whether the writer has the memory its tables need.
  bool ready() const { return !kTables || table_ != nullptr; }
  // A property of the document (UTF-8), kept when it comes before the body.
  void Property(DocumentProperty property, const char* s, size_t n);
  // Whether the picture src names can be shown (then Picture shows it, at the <img>'s
  // width and height in pixels, -1 where it gives none).
  bool OpenPicture(std::string_view src);
  void Picture(long width, long height);

  void StartParagraph(const Block& block);
  void EndParagraph();
  // Runs of the page's text: kScanChunk bytes past each may be read.
  void Text(const char* s, size_t n);
  void PreformattedText(const char* s, size_t n);
  void Character(uint32_t cp);
  void Space() {
    out_.Append(' ');
    if constexpr (kTables) MeasureSpace();
  }
  void LineBreak();
  void Rule(const Block& block);
  void Format(const CharacterFormat& format) {
    if (!(format == format_)) SwitchFormat(format);
  }
  // A link over what follows up to LinkEnd (a field whose result is the text; written
  // again after each paragraph end inside it). address is printable ASCII without quote
  // or backslash; an internal link's is the bookmark's name. Its bytes stay as they are
  // until LinkEnd (they are read again for every field).
  void LinkStart(LinkKind kind, const char* address, size_t n);
  void LinkEnd();
  // A place named name (UTF-8) that internal links jump to.
  void Bookmark(const char* name, size_t n);
  bool WantsLinks() const { return true; }
  bool WantsPlaces() const { return true; }
  void TableStart(const Block& block, const TableShape& shape);
  void RowStart(bool headSection);  // headSection: in the table's thead
  void CellStart(const CellShape& shape);
  void CellEnd();
  void RowEnd();
  void TableEnd();
  // The end of the document.
  void Finish();

 private:
  template <bool kCollapse>
  void Encode(const char* s, size_t n);
  static constexpr size_t kStartCapacity = 320;
  void WriteParagraphStart(const Block& block, bool inCell);
  size_t FormatParagraphStart(const Block& block, bool inCell, char (&into)[kStartCapacity]) const;
  void SwitchFormat(const CharacterFormat& format);
  void WriteHeader();
  void Begin() {
    if (!headerWritten_) WriteHeader();
  }
  void AppendText(std::string_view utf8);  // properties' text
  void FinishCell();
  // Tables: each cell of a held row, where it stands in the grid of columns.
  enum class Merge : uint8_t { None, First, Below };  // a cell taking rows: first, or below it
  struct RowCell {
    uint16_t column = 0;
    uint16_t span = 1;
    Merge merge = Merge::None;
    bool header = false;
  };
  struct HeldRow {
    size_t mark = 0;  // where its definition goes among the held bytes
    int cells = 0;
    bool header = false;
  };
  struct Table;  // what a table's rows need (heap, one per conversion)
  void AddCell(int column, int span, Merge merge, bool header);
  void FillTakenColumns(bool rowEnd);
  // The row definition of row (of its first cells, and at least one).
  struct RowDefinition {
    char bytes[64 + 140 * 63];
  };
  std::string_view FormatRowDefinition(int row, int cells, RowDefinition& into) const;
  void DecideWidths();
  void ReleaseTable(std::string_view held, bool rowOpen);
  void WriteHeld(std::string_view held) override;
  [[gnu::noinline]] void Measure(const char* s, size_t n);  // (rare: out of line)
  void MeasureBreak();
  void MeasureSpace();
  void MeasureCellEnd();
  void OpenField();
  void CloseField();
  // A name as bookmarks and links to them spell it: printable ASCII, RTF's bytes escaped.
  void AppendName(std::string_view name);
  int HeadingSize(int level) const;  // in half-points
  void BeforeText() {
    if (linkKind_ != LinkKind::None && !fieldOpen_) OpenField();
  }

  PageOutput& out_;
  CharMapper mapper_;
  bool utf8_;
  bool cyrillic_;
  int bodySize_;                 // half-points
  const char* fontName_;
  bool headerWritten_ = false;
  // The document's properties (UTF-8), as far as they fit.
  static constexpr size_t kLongestProperty = 1024;
  char properties_[4][kLongestProperty];
  size_t propertyLength_[4] = {};
  PictureFinder* pictures_;
  PictureFacts picture_;  // the one open
  Block block_;                  // the open paragraph's
  // The last few kinds of paragraph start written, kept for the next paragraphs like them
  // (a page's paragraphs, code lines and list items take turns); the oldest goes first.
  struct KeptStart {
    Block block;
    bool inCell = false;
    size_t length = 0;  // 0: none kept here
    char bytes[kStartCapacity];
  };
  static constexpr int kKeptStarts = 8;
  KeptStart starts_[kKeptStarts];
  int nextStart_ = 0;  // the one replaced next
  int lastStart_ = 0;  // the one written last
  CharacterFormat format_;       // in force in the open paragraph
  bool headingBold_ = false;     // the paragraph is bold of itself
  bool paragraphEndPending_ = false;  // a paragraph ended; its "\par" (or "\cell") not yet
  // Links: the address of the link over the text, and whether its field is open.
  LinkKind linkKind_ = LinkKind::None;
  const char* linkAddress_ = nullptr;  // the caller's, until LinkEnd
  size_t linkLength_ = 0;
  bool fieldOpen_ = false;
  CharacterFormat formatOutsideField_;  // in force again when the field's group closes
  // Tables.
  bool inRow_ = false;
  bool inCell_ = false;
  bool cellEndPending_ = false;
  bool afterRow_ = false;  // the last thing written is a table's row
  int cellCount_ = 0;  // the row's, once its definition is written (0 before)
  int cellsWritten_ = 0;
  bool firstRow_ = false;
  Block tableBlock_;
  TableShape tableShape_;
  Table* table_ = nullptr;
  bool measuring_ = false;  // the open cell's text is measured (table_->column)
};

extern template class RtfPageWriter<false>;
extern template class RtfPageWriter<true>;

}  // namespace vellumine
