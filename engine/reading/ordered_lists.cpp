#include "ordered_lists.h"

#include <algorithm>
#include <cstring>

#include "fast/reading_runs.h"
#include "reading/html_tokenizer.h"

namespace vellumine {

void FindOrderedLists(const char* text, size_t n, OrderedLists& lists) {
  WholeText page(text, n);
  FindOrderedLists(page, lists);
}

void FindOrderedLists(GrowingText& page, OrderedLists& lists) {
  lists.count = 0;
  TextScan scan(page);
  const char* const text = scan.text;
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  for (size_t p = 0; lists.count < OrderedLists::kMost;) {
    const size_t n = scan.n;
    const size_t found = n - p >= 3 ? FindOrderedListTag(s, p, n) : n;
    if (n - found < 4) {  // no "<ol" and the byte after it before n
      scan.Pass(p);
      if (!scan.More()) break;
      p = std::max(p, std::min(found, n - std::min<size_t>(n, 3)));  // a "<ol" may straddle n
      continue;
    }
    p = found;
    const char after = text[p + 3];
    if (after != '>' && after != '/' && after != ' ' && after != '\t' && after != '\n' &&
        after != '\r' && after != '\f') {
      ++p;
      continue;
    }
    const size_t nameEnd = p + 3;
    const void* close = std::memchr(text + nameEnd, '>', n - nameEnd);
    if (!close && scan.More()) continue;  // the tag's end is further on
    const size_t end = close ? static_cast<size_t>(static_cast<const char*>(close) - text) : n;
    size_t vb, ve;
    lists.nameEnds[lists.count] = nameEnd;
    lists.starts[lists.count] = FindAttribute(text, nameEnd, end, "start", vb, ve)
                                    ? ParseAttributeNumber(text, vb, ve, 1)
                                    : 1;
    ++lists.count;
    ++p;
  }
}

}  // namespace vellumine
