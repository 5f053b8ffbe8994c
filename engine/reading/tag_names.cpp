#include "tag_names.h"

#include <array>

#include "translation/ascii.h"

namespace vellumine {
namespace {

// Up to eight lowercase letters in one word, the first in the lowest byte.
constexpr uint64_t Pack(const char* name) {
  uint64_t word = 0;
  for (size_t i = 0; name[i] != '\0'; ++i) word |= static_cast<uint64_t>(name[i]) << (8 * i);
  return word;
}

struct Name {
  const char* name;
  Tag tag;
};

constexpr Name kNames[] = {
    {"p", Tag::P}, {"div", Tag::Div}, {"section", Tag::Section}, {"article", Tag::Article},
    {"header", Tag::Header}, {"footer", Tag::Footer}, {"nav", Tag::Nav}, {"main", Tag::Main},
    {"aside", Tag::Aside}, {"address", Tag::Address}, {"figure", Tag::Figure},
    {"details", Tag::Details}, {"summary", Tag::Summary}, {"form", Tag::Form},
    {"fieldset", Tag::Fieldset}, {"legend", Tag::Legend}, {"center", Tag::Center},
    {"caption", Tag::Caption}, {"body", Tag::Body}, {"noscript", Tag::Noscript},
    {"dl", Tag::Dl}, {"dt", Tag::Dt}, {"dd", Tag::Dd}, {"li", Tag::Li}, {"ul", Tag::Ul},
    {"ol", Tag::Ol}, {"menu", Tag::Menu}, {"dir", Tag::Dir}, {"hr", Tag::Hr}, {"h1", Tag::H1},
    {"h2", Tag::H2}, {"h3", Tag::H3}, {"h4", Tag::H4}, {"h5", Tag::H5}, {"h6", Tag::H6},
    {"pre", Tag::Pre}, {"listing", Tag::Listing}, {"xmp", Tag::Xmp}, {"table", Tag::Table},
    {"tr", Tag::Tr}, {"td", Tag::Td}, {"th", Tag::Th}, {"br", Tag::Br}, {"b", Tag::B},
    {"strong", Tag::Strong}, {"sub", Tag::Sub}, {"sup", Tag::Sup}, {"q", Tag::Q}, {"script", Tag::Script},
    {"style", Tag::Style}, {"title", Tag::Title}, {"template", Tag::Template},
    {"svg", Tag::Svg}, {"option", Tag::Option},
};

// The names of up to eight letters in an open-addressed table: a multiply finds the slot.
constexpr size_t kSlots = 256;
constexpr size_t Slot(uint64_t word) {
  return static_cast<size_t>((word * 0x9E3779B97F4A7C15ull) >> 56);
}
struct Entry {
  uint64_t word = 0;
  Tag tag = Tag::Unknown;
};
constexpr std::array<Entry, kSlots> MakeTable() {
  std::array<Entry, kSlots> table{};
  for (const Name& name : kNames) {
    const uint64_t word = Pack(name.name);
    size_t slot = Slot(word);
    while (table[slot].word != 0) slot = (slot + 1) % kSlots;
    table[slot] = {word, name.tag};
  }
  return table;
}
constexpr std::array<Entry, kSlots> kTable = MakeTable();

constexpr bool EqualsLower(const char* name, size_t length, const char* lower) {
  for (size_t i = 0; i < length; ++i)
    if (lower[i] == '\0' || AsciiLower(static_cast<unsigned char>(name[i])) != lower[i])
      return false;
  return lower[length] == '\0';
}

}  // namespace

Tag LookUpTag(const char* name, size_t length) {
  if (length > 8) {
    if (EqualsLower(name, length, "blockquote")) return Tag::Blockquote;
    if (EqualsLower(name, length, "figcaption")) return Tag::Figcaption;
    return Tag::Unknown;
  }
  uint64_t word = 0;
  for (size_t i = 0; i < length; ++i)
    word |= static_cast<uint64_t>(AsciiLower(static_cast<unsigned char>(name[i]))) << (8 * i);
  return LookUpTagWord(word);
}

Tag LookUpTagWord(uint64_t word) {
  for (size_t slot = Slot(word);; slot = (slot + 1) % kSlots) {
    const Entry& entry = kTable[slot];
    if (entry.word == word) return entry.tag;
    if (entry.word == 0) return Tag::Unknown;
  }
}

}  // namespace vellumine
