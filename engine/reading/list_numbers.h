// An ordered list's item numbers as browsers write them: 1, 2, 3; a, b, ... z, aa, ab; i,
// ii, iii, iv.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vellumine {

enum class ListNumbering : uint8_t { Decimal, LowerAlpha, UpperAlpha, LowerRoman, UpperRoman };

// The longest number written: "-9223372036854775808".
inline constexpr size_t kLongestListNumber = 20;

// Writes n in style at out (kLongestListNumber bytes) and returns its length. Letters
// count from 1, Roman numerals go up to 3999; past those n is written in digits.
size_t FormatListNumber(long n, ListNumbering style, char* out);

// The numbering an <ol type> ("1", "a", "A", "i", "I": case counts) or a list-style-type
// (decimal, lower-alpha or lower-latin, upper-alpha or upper-latin, lower-roman,
// upper-roman: case-blind) names; decimal for anything else.
ListNumbering ListNumberingOf(std::string_view typeOrStyle);

}  // namespace vellumine
