#include "tag_names.h"

#include <array>

#include "translation/ascii.h"

namespace vellumine {
namespace {

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


}  // namespace vellumine
