// What a reference's name stands for, for every writer: the quotes written as ASCII, the
// rows of EntityTable, and HTML's whole list of names. Each writer reads a reference with
// its own syntax and writes the characters in its own form.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vellumine {

// The typographic quotes, written as the ASCII quote they look like.
struct QuoteName {
  std::string_view name;
  char ascii;
};
inline constexpr QuoteName kQuoteNames[] = {
    {"rsquo", '\''}, {"lsquo", '\''}, {"rdquo", '"'}, {"ldquo", '"'}};

// The quote spelled exactly so, or nullptr.
const QuoteName* FindQuoteName(const char* name, size_t length);

// The characters of a name (the quotes aside).
struct NamedCharacters {
  size_t count = 0;        // 0: the name stands for nothing
  uint32_t cps[2] = {};    // the characters
  unsigned char tableByte = 0;  // a row of EntityTable: its windows-1252 byte; else 0
};

// A row of EntityTable (case matters), else one of HTML's names.
NamedCharacters ResolveName(const char* name, size_t length);

}  // namespace vellumine
