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

// What a token says, in the page's positions.
std::string Describe(size_t offset, const char* text, const HtmlToken& token, size_t position) {
  std::string seen = std::to_string(static_cast<int>(token.kind)) + "@" +
                     std::to_string(offset + position);
  switch (token.kind) {
    case HtmlToken::Kind::Character:
      seen += "#" + std::to_string(token.cps[0]) + "," + std::to_string(token.count > 1 ? token.cps[1] : 0);
      break;
    case HtmlToken::Kind::StartTag: case HtmlToken::Kind::EndTag: {
      seen += "<" + std::to_string(static_cast<int>(token.tag)) + (token.selfClosing ? "/" : "");
      vellumine::TagAttributes attributes;
      vellumine::ReadUsedAttributes(text, token, vellumine::AttributeUse{true, true}, attributes);
      for (int k = 0; k < vellumine::TagAttributes::kCount; ++k)
        if (attributes.has[k])
          seen += " " + std::to_string(k) + "=" +
                  std::string(text + attributes.begin[k], attributes.end[k] - attributes.begin[k]);
      [[fallthrough]];
    }
    default:
      seen += "[" + std::to_string(offset + token.begin) + ":" + std::string(text + token.begin, token.end - token.begin) + "]";
      break;
  }
  return seen;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const size_t block = 1 + ((size_t{data[0]} << 8 | data[1]) % 65536);
  const std::string page(reinterpret_cast<const char*>(data + 2), size - 2);

  std::vector<std::string> whole;
  const std::string padded = page + std::string(BlockTokenizer::kReadPast, '\0');
  BlockTokenizer::TokenizeWhole(padded.data(), page.size(),
                                [&](const char* text, const HtmlToken& token, size_t position) {
                                  whole.push_back(Describe(0, text, token, position));
                                });

  // Two buffers taken in turn, each block in the one the last block is not in.
  std::vector<char> buffers[2];
  for (std::vector<char>& buffer : buffers)
    buffer.assign(BlockTokenizer::BufferSize(std::min(block, page.size() + 1)), '\x55');
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
                    if (k >= whole.size() || Describe(offset, text, token, position) != whole[k])
                      std::abort();
                    ++k;
                  });
    if (at == page.size()) break;
  }
  if (k != whole.size()) std::abort();
  return 0;
}
