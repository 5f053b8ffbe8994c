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
  constexpr size_t kStep = size_t{64} << 10;
  lists.count = 0;
  const char* const text = page.text();
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  size_t n = page.Reach(kStep);
  // Reads on from p; false when the text had ended.
  auto more = [&](size_t p) {
    if (page.Ended()) return false;
    n = page.Reach(std::max(p, n) + kStep);
    return true;
  };
  for (size_t p = 0; lists.count < OrderedLists::kMost;) {
    const size_t found = n - p >= 3 ? FindOrderedListTag(s, p, n) : n;
    if (n - found < 4) {  // no "<ol" and the byte after it before n
      page.Pass(p);
      const size_t resume = std::min(found, n - std::min<size_t>(n, 3));  // a "<ol" may straddle n
      if (!more(n)) break;
      p = std::max(p, resume);
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
    if (!close && more(n)) continue;  // the tag's end is further on
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
