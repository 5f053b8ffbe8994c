#include "tag_names.h"

#include "translation/ascii.h"

namespace vellumine {
namespace {

// Up to eight lowercase letters in one word, the first in the lowest byte.
constexpr uint64_t Pack(const char* name) {
  uint64_t word = 0;
  for (size_t i = 0; name[i] != '\0'; ++i) word |= static_cast<uint64_t>(name[i]) << (8 * i);
  return word;
}

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
  switch (word) {
    case Pack("p"): return Tag::P;
    case Pack("div"): return Tag::Div;
    case Pack("section"): return Tag::Section;
    case Pack("article"): return Tag::Article;
    case Pack("header"): return Tag::Header;
    case Pack("footer"): return Tag::Footer;
    case Pack("nav"): return Tag::Nav;
    case Pack("main"): return Tag::Main;
    case Pack("aside"): return Tag::Aside;
    case Pack("address"): return Tag::Address;
    case Pack("figure"): return Tag::Figure;
    case Pack("details"): return Tag::Details;
    case Pack("summary"): return Tag::Summary;
    case Pack("form"): return Tag::Form;
    case Pack("fieldset"): return Tag::Fieldset;
    case Pack("legend"): return Tag::Legend;
    case Pack("center"): return Tag::Center;
    case Pack("caption"): return Tag::Caption;
    case Pack("body"): return Tag::Body;
    case Pack("noscript"): return Tag::Noscript;
    case Pack("dl"): return Tag::Dl;
    case Pack("dt"): return Tag::Dt;
    case Pack("dd"): return Tag::Dd;
    case Pack("li"): return Tag::Li;
    case Pack("ul"): return Tag::Ul;
    case Pack("ol"): return Tag::Ol;
    case Pack("menu"): return Tag::Menu;
    case Pack("dir"): return Tag::Dir;
    case Pack("hr"): return Tag::Hr;
    case Pack("h1"): return Tag::H1;
    case Pack("h2"): return Tag::H2;
    case Pack("h3"): return Tag::H3;
    case Pack("h4"): return Tag::H4;
    case Pack("h5"): return Tag::H5;
    case Pack("h6"): return Tag::H6;
    case Pack("pre"): return Tag::Pre;
    case Pack("listing"): return Tag::Listing;
    case Pack("xmp"): return Tag::Xmp;
    case Pack("table"): return Tag::Table;
    case Pack("tr"): return Tag::Tr;
    case Pack("td"): return Tag::Td;
    case Pack("th"): return Tag::Th;
    case Pack("br"): return Tag::Br;
    case Pack("b"): return Tag::B;
    case Pack("strong"): return Tag::Strong;
    case Pack("sub"): return Tag::Sub;
    case Pack("sup"): return Tag::Sup;
    default: return Tag::Unknown;
  }
}

}  // namespace vellumine
