// The tags the default reading knows, by name: each start or end tag is looked up once.
#pragma once

#include <cstddef>
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
  Br, B, Strong, Sub, Sup, Q,
  // Elements whose content is never text.
  Script, Style, Title, Template, Svg, Option,
};

// The tag spelled name[0..length) in any case; Unknown for every other name.
Tag LookUpTag(const char* name, size_t length);

// The same for a name of one to eight bytes already lowercased into one word, the first
// byte in the lowest.
Tag LookUpTagWord(uint64_t word);

constexpr bool IsHeading(Tag tag) { return tag >= Tag::H1 && tag <= Tag::H6; }
constexpr int HeadingLevel(Tag tag) { return static_cast<int>(tag) - static_cast<int>(Tag::H1) + 1; }

}  // namespace vellumine
