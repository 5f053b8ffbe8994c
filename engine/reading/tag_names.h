// The tags the default reading knows, by name: each start or end tag is looked up once.
#pragma once

#include <cstddef>
#include <array>
#include <cstdint>

namespace vellumine {

enum class Tag : uint8_t {
  Unknown,
  // Blocks that start and end a line (an RTF paragraph) of their own.
  P, Div, Section, Article, Header, Footer, Nav, Main, Aside, Address, Figure, Figcaption,
  Blockquote, Details, Summary, Form, Fieldset, Legend, Center, Caption, Body, Noscript,
  Dl, Dt, Dd, Li, Ul, Ol, Menu, Dir, Hr, H1, H2, H3, H4, H5, H6, Pre, Listing, Xmp,
  Table, Tr, Td, Th,
  // Inline.
  Br, B, Strong, Sub, Sup, Q, A, Img, Base, Em, I, Cite, Var, Dfn, U, Ins, S, Strike, Del,
  Code, Kbd, Samp, Tt, Span, Font, Mark,
  // What only shapes or describes: table sections, the document's properties.
  Thead, Tbody, Tfoot, Meta,
  // The document's title (its start tag's token holds the title's text).
  Title,
  // Elements whose content is never text.
  Script, Style, Template, Svg, Option,
};

inline constexpr Tag kLastTag = Tag::Option;

// The tag spelled name[0..length) in any case; Unknown for every other name.
Tag LookUpTag(const char* name, size_t length);

namespace tag_table {
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
    {"strong", Tag::Strong}, {"sub", Tag::Sub}, {"sup", Tag::Sup}, {"q", Tag::Q},
    {"a", Tag::A}, {"img", Tag::Img}, {"base", Tag::Base}, {"em", Tag::Em}, {"i", Tag::I},
    {"cite", Tag::Cite}, {"var", Tag::Var}, {"dfn", Tag::Dfn}, {"u", Tag::U},
    {"ins", Tag::Ins}, {"s", Tag::S}, {"strike", Tag::Strike}, {"del", Tag::Del},
    {"code", Tag::Code}, {"kbd", Tag::Kbd}, {"samp", Tag::Samp}, {"tt", Tag::Tt}, {"span", Tag::Span},
    {"font", Tag::Font}, {"mark", Tag::Mark}, {"thead", Tag::Thead}, {"tbody", Tag::Tbody},
    {"tfoot", Tag::Tfoot}, {"meta", Tag::Meta}, {"script", Tag::Script},
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
inline constexpr std::array<Entry, kSlots> kTable = MakeTable();

}  // namespace tag_table

// The same for a name of one to eight bytes already lowercased into one word, the first
// byte in the lowest.
inline Tag LookUpTagWord(uint64_t word) {
  using namespace tag_table;
  for (size_t slot = Slot(word);; slot = (slot + 1) % kSlots) {
    const Entry& entry = kTable[slot];
    if (entry.word == word) return entry.tag;
    if (entry.word == 0) return Tag::Unknown;
  }
}

constexpr bool IsHeading(Tag tag) { return tag >= Tag::H1 && tag <= Tag::H6; }
constexpr int HeadingLevel(Tag tag) { return static_cast<int>(tag) - static_cast<int>(Tag::H1) + 1; }

}  // namespace vellumine
