// Plain text of the default reading: a line per paragraph, a blank line where paragraphs
// are spaced, four columns per indent step, bullets and numbers before list items, dashes
// for rules, tables with their columns lined up. Characters in the output's character set
// (as the classic reading chooses it); a character the set lacks is left out.
#pragma once

#include <cstddef>
#include <cstdint>

#include "reading/page_block.h"
#include "reading/page_output.h"
#include "reading/text_table.h"
#include "translation/encoding.h"
#include "translation/text_references.h"

namespace vellumine {

class TextPageWriter {
 public:
  static constexpr bool kOneLineCells = true;   // a table row is one line
  static constexpr bool kCountsCells = false;

  // table must be allocated; utf8Asked: UTF-8 text whatever the page's set.
  TextPageWriter(PageOutput& out, TextTable& table, const EncodingChoice& encoding,
                 bool utf8Asked);

  void StartParagraph(const Block& block);
  void EndParagraph() {}
  // Runs of the page's text: kScanChunk bytes past each may be read.
  void Text(const char* s, size_t n);              // blanks inside collapse to one
  void PreformattedText(const char* s, size_t n);  // one line, blanks kept
  void Character(uint32_t cp);
  void Space() {
    if (holding_) {
      Put(" ", 1);
    } else {
      out_.Append(' ');
    }
  }
  void LineBreak();
  void Rule(const Block& block);
  void Format(const CharacterFormat&) {}
  void TableStart(const Block& block);
  void RowStart(int cells);
  void CellStart(int span);
  void CellEnd() {}
  void RowEnd() {}
  void TableEnd();
  // The last line's end.
  void Finish();

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
};

}  // namespace vellumine
