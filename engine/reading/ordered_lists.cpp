#include "ordered_lists.h"

#include <cstring>

#include "fast/reading_runs.h"
#include "reading/html_tokenizer.h"

namespace vellumine {

void FindOrderedLists(const char* text, size_t n, OrderedLists& lists) {
  lists.count = 0;
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  for (size_t p = 0; p + 3 <= n && lists.count < OrderedLists::kMost; ++p) {
    p = FindOrderedListTag(s, p, n);
    if (n - p < 4) break;
    const char after = text[p + 3];
    if (after != '>' && after != '/' && after != ' ' && after != '\t' && after != '\n' &&
        after != '\r' && after != '\f')
      continue;
    const size_t nameEnd = p + 3;
    const void* close = std::memchr(text + nameEnd, '>', n - nameEnd);
    const size_t end = close ? static_cast<size_t>(static_cast<const char*>(close) - text) : n;
    size_t vb, ve;
    lists.nameEnds[lists.count] = nameEnd;
    lists.starts[lists.count] = FindAttribute(text, nameEnd, end, "start", vb, ve)
                                    ? ParseAttributeNumber(text, vb, ve, 1)
                                    : 1;
    ++lists.count;
  }
}

}  // namespace vellumine
