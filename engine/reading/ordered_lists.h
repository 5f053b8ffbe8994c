// The ordered lists of a page, found before it is read: an RTF document declares each list's
// numbering in its header, so that every list counts from its own start.
#pragma once

#include <cstddef>

#include "translation/growing_text.h"

namespace vellumine {

struct OrderedLists {
  static constexpr size_t kMost = 1000;  // later lists go on with the last one's numbering
  size_t count = 0;
  size_t nameEnds[kMost] = {};  // the byte after each "<ol" start tag's name
  long starts[kMost] = {};      // its "start" attribute, else 1
};

// Finds the "<ol" start tags of text[0, n) (letters in either case) in order. Those that
// the reading passes over (in a comment, say) are found too; the reading takes each list's
// numbering by its position.
void FindOrderedLists(const char* text, size_t n, OrderedLists& lists);
// The same over a text read as it goes; leaves it passed, to be rewound.
void FindOrderedLists(GrowingText& page, OrderedLists& lists);

}  // namespace vellumine
