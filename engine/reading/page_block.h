// What the layout of the default reading tells a writer about each paragraph (each line
// of plain text) and about the characters in it.
#pragma once

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "reading/inline_style.h"
#include "reading/list_numbers.h"

namespace vellumine {

enum class ItemMarker : uint8_t { None, Bullet, Number };

// How far a break between two pieces of text goes: none, onto a new line (a paragraph in
// RTF), or with a blank line (a paragraph with space before it) between.
enum class Break : uint8_t { None, Line, Paragraph };

struct Block {
  long number = 0;                        // the item's number (ItemMarker::Number)
  int indent = 0;                         // steps in: list levels, blockquotes, definitions
  int list = 0;        // the item's list: 1 for bullets; 0 for an item that shows its number
  int listLevel = 0;   // how many lists the item's list is inside
  int heading = 0;                        // 1 to 6 for a heading, else 0
  ItemMarker marker = ItemMarker::None;   // the first line is a list item's
  ListNumbering numbering = ListNumbering::Decimal;  // how the number is written
  TextAlign align = TextAlign::None;
  bool spaced = false;                    // a blank line (space) before it
  bool preformatted = false;              // lines and blanks kept, monospace in RTF
  uint8_t unused[3] = {};                 // (no padding: compared as bytes)
  // Compared at every paragraph that may start as one before it: the bytes at once.
  friend bool operator==(const Block& a, const Block& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
  }
};
static_assert(std::has_unique_object_representations_v<Block>);

// The character formatting in force; writers that know none ignore it.
struct CharacterFormat {
  bool bold = false;
  bool subscript = false;
  bool superscript = false;
  bool italic = false;
  bool underline = false;
  bool strike = false;
  bool monospace = false;
  uint8_t color = 0;      // an entry of the RTF colour table; 0: the automatic colour
  uint8_t highlight = 0;  // the same for the background; 0: none
  // Compared at every run of text: the bytes at once.
  friend bool operator==(const CharacterFormat& a, const CharacterFormat& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
  }
};
static_assert(std::has_unique_object_representations_v<CharacterFormat>);

// A table cell as the page gives it.
struct CellShape {
  int span = 1;         // the columns it takes
  int rowSpan = 1;      // the rows it takes
  bool header = false;  // a th
  int widthPercent = 0;  // a width the page gives it: percent of the table's, or pixels
  int widthPixels = 0;
};

// A table as the page gives it.
struct TableShape {
  bool bordered = false;  // the page draws lines between its cells
  int widthPercent = 0;   // a width the page gives it: percent of the text's, or pixels
  int widthPixels = 0;
};

// What a document's properties hold.
enum class DocumentProperty : uint8_t { Title, Author, Description, Keywords };

// The deepest indent a writer lays out; deeper blocks stay at this one.
inline constexpr int kDeepestIndent = 12;

}  // namespace vellumine
