#include "list_numbers.h"

#include <algorithm>

namespace vellumine {
namespace {

struct RomanDigit {
  long value;
  std::string_view lower;
};
constexpr RomanDigit kRomanDigits[] = {
    {1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"}, {90, "xc"}, {50, "l"},
    {40, "xl"},  {10, "x"},   {9, "ix"},  {5, "v"},    {4, "iv"},  {1, "i"}};
constexpr long kLargestRoman = 3999;

struct NumberingName {
  std::string_view name;
  ListNumbering numbering;
};
constexpr NumberingName kListStyleTypes[] = {
    {"decimal", ListNumbering::Decimal},         {"lower-alpha", ListNumbering::LowerAlpha},
    {"lower-latin", ListNumbering::LowerAlpha},  {"upper-alpha", ListNumbering::UpperAlpha},
    {"upper-latin", ListNumbering::UpperAlpha},  {"lower-roman", ListNumbering::LowerRoman},
    {"upper-roman", ListNumbering::UpperRoman}};

char Upper(char c, bool upper) { return upper ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

size_t FormatListNumber(long n, ListNumbering style, char* out) {
  const bool upper = style == ListNumbering::UpperAlpha || style == ListNumbering::UpperRoman;
  size_t length = 0;
  if ((style == ListNumbering::LowerRoman || style == ListNumbering::UpperRoman) && n > 0 &&
      n <= kLargestRoman) {
    for (const RomanDigit& digit : kRomanDigits)
      for (; n >= digit.value; n -= digit.value)
        for (char c : digit.lower) out[length++] = Upper(c, upper);
    return length;
  }
  // Letters and digits are written from the last.
  unsigned long rest = n < 0 ? 0ul - static_cast<unsigned long>(n) : static_cast<unsigned long>(n);
  if ((style == ListNumbering::LowerAlpha || style == ListNumbering::UpperAlpha) && n > 0) {
    for (; rest > 0; rest = (rest - 1) / 26)
      out[length++] = Upper(static_cast<char>('a' + (rest - 1) % 26), upper);
  } else {
    do out[length++] = static_cast<char>('0' + rest % 10);
    while ((rest /= 10) > 0);
    if (n < 0) out[length++] = '-';
  }
  std::reverse(out, out + length);
  return length;
}

ListNumbering ListNumberingOf(std::string_view typeOrStyle) {
  if (typeOrStyle.size() == 1) {
    switch (typeOrStyle[0]) {
      case 'a': return ListNumbering::LowerAlpha;
      case 'A': return ListNumbering::UpperAlpha;
      case 'i': return ListNumbering::LowerRoman;
      case 'I': return ListNumbering::UpperRoman;
      default: return ListNumbering::Decimal;
    }
  }
  for (const NumberingName& type : kListStyleTypes) {
    if (type.name.size() != typeOrStyle.size()) continue;
    if (std::equal(type.name.begin(), type.name.end(), typeOrStyle.begin(), [](char a, char b) {
          return a == (b >= 'A' && b <= 'Z' ? static_cast<char>(b | 0x20) : b);
        }))
      return type.numbering;
  }
  return ListNumbering::Decimal;
}

}  // namespace vellumine
