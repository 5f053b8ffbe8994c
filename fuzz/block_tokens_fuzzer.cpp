// Fuzz target: the tokens of a page given a block at a time are those of the page whole, at
// the same positions, with the same bytes and attributes. The first two bytes choose the
// blocks' size (1 to 65536); the rest is the page.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "reading/block_tokenizer.h"

namespace {

using vellumine::BlockTokenizer;
using vellumine::HtmlToken;
using vellumine::TagAttributes;

// What a token says, in the page's positions (a text's bytes are compared with the page's).
struct Seen {
  HtmlToken token;  // begin and end in the page's positions
  size_t after;     // where the next token starts
  TagAttributes attributes;  // a start tag's, in the page's positions
};

Seen Describe(size_t offset, const char* text, const HtmlToken& token, size_t position) {
  Seen seen{token, offset + position, {}};
  seen.token.begin += offset;
  seen.token.end += offset;
  if (token.kind == HtmlToken::Kind::StartTag) {
    vellumine::ReadUsedAttributes(text, token, vellumine::AttributeUse{true, true}, seen.attributes);
    for (int k = 0; k < TagAttributes::kCount; ++k) {
      seen.attributes.begin[k] += offset;
      seen.attributes.end[k] += offset;
    }
  }
  return seen;
}

bool Same(const Seen& a, const Seen& b, const std::string& page) {
  const HtmlToken &x = a.token, &y = b.token;
  if (x.kind != y.kind || a.after != b.after) return false;
  switch (x.kind) {
    case HtmlToken::Kind::Character:
      return x.count == y.count && x.cps[0] == y.cps[0] && (x.count < 2 || x.cps[1] == y.cps[1]);
    case HtmlToken::Kind::StartTag:
      for (int k = 0; k < TagAttributes::kCount; ++k)
        if (a.attributes.has[k] != b.attributes.has[k] ||
            (a.attributes.has[k] && (a.attributes.begin[k] != b.attributes.begin[k] ||
                                     a.attributes.end[k] != b.attributes.end[k])))
          return false;
      [[fallthrough]];
    case HtmlToken::Kind::EndTag:
      if (x.tag != y.tag || x.selfClosing != y.selfClosing) return false;
      [[fallthrough]];
    default:
      return x.begin == y.begin && x.end == y.end && x.end <= page.size();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const size_t block = 1 + ((size_t{data[0]} << 8 | data[1]) % 65536);
  const std::string page(reinterpret_cast<const char*>(data + 2), size - 2);

  std::vector<Seen> whole;
  const std::string padded = page + std::string(BlockTokenizer::kReadPast, '\0');
  BlockTokenizer::TokenizeWhole(padded.data(), page.size(),
                                [&](const char* text, const HtmlToken& token, size_t position) {
                                  whole.push_back(Describe(0, text, token, position));
                                });

  // Two buffers taken in turn, each block in the one the last block is not in (set aside
  // once: what they hold from the last input must not matter).
  static std::vector<char> buffers[2] = {
      std::vector<char>(BlockTokenizer::BufferSize(65536), '\x55'),
      std::vector<char>(BlockTokenizer::BufferSize(65536), '\x55')};
  BlockTokenizer blocks;
  size_t k = 0;
  for (size_t at = 0, turn = 0;; ++turn) {
    const size_t n = std::min(block, page.size() - at);
    char* bytes = buffers[turn % 2].data() + BlockTokenizer::kCarry;
    std::memcpy(bytes, page.data() + at, n);
    at += n;
    const size_t offset = blocks.offset();
    blocks.Commit(bytes, n, at == page.size(),
                  [&](const char* text, const HtmlToken& token, size_t position) {
                    if (k >= whole.size() || !Same(Describe(offset, text, token, position), whole[k], page))
                      std::abort();
                    // The block's bytes are the page's.
                    const HtmlToken& t = whole[k].token;
                    if (t.kind != HtmlToken::Kind::Character &&
                        std::memcmp(text + t.begin - offset, page.data() + t.begin, t.end - t.begin) != 0)
                      std::abort();
                    ++k;
                  });
    if (at == page.size()) break;
  }
  if (k != whole.size()) std::abort();
  return 0;
}
