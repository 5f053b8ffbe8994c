// Plain text of the default reading: a line per paragraph, a blank line where paragraphs
// are spaced, four columns per indent step, bullets and numbers before list items, dashes
// for rules, tables with their columns lined up. Characters in the output's character set
// (as the classic reading chooses it); a character the set lacks is left out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "reading/link_address.h"
#include "reading/page_block.h"
#include "reading/page_output.h"
#include "reading/table_grid.h"
#include "reading/text_table.h"
#include "translation/encoding.h"
#include "translation/overflow_store.h"
#include "translation/text_references.h"
#include "vellumine.h"

namespace vellumine {

class TextPageWriter {
 public:
  static constexpr bool kOneLineCells = true;   // a table row is one line

  // Listed addresses from this many bytes on go to the overflow store, when there is one.
  static constexpr size_t kHeldAddresses = size_t{1} << 20;

  // table must be allocated; utf8Asked: UTF-8 text whatever the page's set; links: where
  // links' addresses go; addressStore: where the list of addresses goes past heldAddresses
  // bytes (kept in memory without one, or when it fails).
  TextPageWriter(PageOutput& out, TextTable& table, const EncodingChoice& encoding,
                 bool utf8Asked, vellumine_links links = VELLUMINE_LINKS_NONE, int wrap = 0,
                 OverflowStore* addressStore = nullptr,
                 size_t heldAddresses = kHeldAddresses);

  void StartParagraph(const Block& block);
  void EndParagraph() {}
  // Runs of the page's text: kScanChunk bytes past each may be read.
  void Text(const char* s, size_t n);              // blanks inside collapse to one
  void PreformattedText(const char* s, size_t n);  // one line, blanks kept
  void Character(uint32_t cp);
  void Space() {
    if (holding_ || wrapping_) {
      Put(" ", 1);
    } else {
      out_.Append(' ');
    }
  }
  void LineBreak();
  void Rule(const Block& block);
  void Format(const CharacterFormat&) {}
  // A link over what follows up to LinkEnd: its address after its text (" <address>"), or
  // a number after its text ("[1]") and the address in the list at the end.
  void LinkStart(LinkKind kind, const char* address, size_t n);
  void LinkEnd();
  void Bookmark(const char*, size_t) {}
  bool WantsLinks() const { return links_ != VELLUMINE_LINKS_NONE; }
  bool WantsPlaces() const { return false; }
  bool WantsLooks() const { return false; }
  void Property(DocumentProperty, const char*, size_t) {}
  bool OpenPicture(std::string_view) { return false; }
  void Picture(long, long) {}
  void TableStart(const Block& block, const TableShape& shape);
  void RowStart(bool headSection);
  void CellStart(const CellShape& shape);
  void CellEnd() {}
  void RowEnd() {}
  void TableEnd();
  // The last line's end.
  void Finish();
  // Whether the listed addresses could not all be written (their store failed to read back).
  bool addressesLost() const { return addressesLost_; }

 private:
  enum class Form : uint8_t {
    Bytes,   // every byte as it stands (a single-byte page in the output's set)
    Mapped,  // bytes from 0x80 up through the mapper (KOI8-R, ISO-8859-5)
    Recode,  // a single-byte page written as UTF-8
    Utf8,    // a UTF-8 page: sequences as they stand, a stray byte as its character
  };
  template <bool kCollapse>
  void Encode(const char* s, size_t n);
  void StartLine(bool spaced);
  void WriteIndent();
  void Shown() { linkShown_ = true; }  // something of the open link's text was written
  // Wrapping: the line is held until it is longer than the width, then broken at its last
  // blank that leaves it no longer (or at its first blank, after a word longer than that).
  void WrapHeldLine();
  void FlushHeldLine();
  size_t Width(const char* s, size_t n) const;
  // Room for k bytes where text goes now: the held table, or the output.
  char* Room(size_t k);
  void Commit(char* end);
  void Put(const char* bytes, size_t n);
  void WriteHeldTable(bool partial);
  void SpillTable();

  PageOutput& out_;
  TextTable& table_;
  CharMapper mapper_;
  TextCharset charset_;
  Form form_;
  bool cyrillic_;
  bool started_ = false;     // a line has been begun
  bool indentPending_ = false;
  char prefix_[96] = {};     // what the next line begins with (indent and marker)
  size_t prefixLength_ = 0;
  int indentColumns_ = 0;    // a continuation line's indent
  // Tables: held while holding_, else written as they come.
  bool inTable_ = false;
  bool holding_ = false;
  bool tableSpaced_ = false;
  int tableIndent_ = 0;
  bool rowHasCell_ = false;  // written tables: a cell began in this row
  TableGrid grid_;           // the columns cells above take
  // Links.
  vellumine_links links_;
  LinkKind linkKind_ = LinkKind::None;
  std::string linkAddress_;   // the open link's, as written after it
  bool linkShown_ = false;
  std::string linkList_;      // "[1] address" lines for the end (after those stored)
  long linkCount_ = 0;
  OverflowStore* addressStore_;
  size_t heldAddresses_;
  bool addressesLost_ = false;  // the store could not give its addresses back
  // Wrapping.
  int wrap_;                  // columns; 0: none
  bool wrapping_ = false;     // the open paragraph wraps
  std::unique_ptr<char[]> line_;  // the line held while wrapping
  size_t lineLength_ = 0;
  size_t lineWidth_ = 0;
  size_t heldPrefix_ = 0;     // bytes of the held line's indent and marker
  static constexpr size_t kLineCapacity = size_t{256} << 10;
};

}  // namespace vellumine
