// RTF of the default reading: a paragraph per block with its indent, spacing and list
// number or bullet (as RTF's paragraph numbering, so that readers see list items),
// headings large and bold, preformatted lines in Courier New, rules as paragraph borders,
// and tables as RTF tables (kTables) or as a paragraph per row with the cells separated by
// tabs. Character formatting is switched with control words, never held in groups, so no
// group is left open whatever the page's tags do.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "reading/link_address.h"
#include "reading/page_block.h"
#include "reading/page_output.h"
#include "translation/encoding.h"

namespace vellumine {

// With kTables, a row is held until it ends (its definition, written first, needs the number
// of its cells); a row of more than PageOutput::kLongestHeld bytes is written with the cells
// it has by then, and its later cells join the last of them. Rows have at most 63 cells: the
// last takes the rest of a longer row.
template <bool kTables>
class RtfPageWriter final : private PageOutput::Holder {
 public:
  static constexpr bool kOneLineCells = !kTables;

  // Writes the header: the font table with fontName (its bytes that would end the table
  // left out), Courier New and Symbol, and the list table of bullets (an ordered list's items
  // are written with their numbers, which the page may give in any order). fontSize in
  // points.
  RtfPageWriter(PageOutput& out, const EncodingChoice& encoding, const char* fontName,
                int fontSize);

  void StartParagraph(const Block& block);
  void EndParagraph();
  // Runs of the page's text: kScanChunk bytes past each may be read.
  void Text(const char* s, size_t n);
  void PreformattedText(const char* s, size_t n);
  void Character(uint32_t cp);
  void Space() { out_.Append(' '); }
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
  void TableStart(const Block& block);
  void RowStart();
  void CellStart(int span);  // the columns it takes (as one cell here)
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
  void FinishCell();
  // The row definition of cellCount_ cells (at most 63).
  struct RowDefinition {
    char bytes[40 + 30 * 63];
  };
  std::string_view FormatRowDefinition(RowDefinition& into) const;
  void WriteBeforeHeld() override;
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
  bool inTable_ = false;
  bool inRow_ = false;
  bool inCell_ = false;
  bool cellEndPending_ = false;
  int cellCount_ = 0;  // the row's, once its definition is written (0 before)
  int cellsWritten_ = 0;
  bool firstRow_ = false;
  Block tableBlock_;
};

extern template class RtfPageWriter<false>;
extern template class RtfPageWriter<true>;

}  // namespace vellumine
