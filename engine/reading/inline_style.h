// What an element's style attribute says that the writers show: its colours, the weight,
// slant, lines and family of its type, its alignment, its width and its border. The
// declarations are read as CSS reads them: names case-blind, "!important" of no weight,
// comments passed over, a declaration that is not understood ignored, a later one winning.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vellumine {

struct Rgb {
  uint8_t r, g, b;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

enum class TextAlign : uint8_t { None, Left, Center, Right, Justify };

// What declarations said. Each field keeps its value unless a declaration says it, so that
// one style read over another (an attribute's, an element's own) is what both say, the later
// winning. The flags are -1 unsaid, 0 off, 1 on.
struct InlineStyle {
  bool hasColor = false;  // color
  Rgb color{};
  bool hasBackground = false;  // background-color, or the colour of background
  Rgb background{};
  int8_t bold = -1;       // font-weight: bold, bolder, 600 and over; normal, lighter, under 600
  int8_t italic = -1;     // font-style: italic or oblique; normal
  int8_t underline = -1;  // text-decoration(-line): underline (said, the lines it does not name are off)
  int8_t strike = -1;     //   line-through
  int8_t monospace = -1;  // font-family: a monospace family anywhere in the list
  TextAlign align = TextAlign::None;  // text-align
  // width in pixels (px, a bare number, or pt, pc, in, cm, mm, Q at 96 pixels an inch), or
  // in percent; 0 both when unsaid or "auto".
  int widthPixels = 0;
  int widthPercent = 0;
  // A border that draws a line: the style of border or border-style is not none or hidden
  // and the width of border or border-width not 0. A width said without a style leaves it
  // as it was (a line drawn by an attribute stays), a zero width takes it away.
  bool border = false;
};

// A declaration with a comment in it is read from a copy of this size; a longer one (a
// picture's data in a background, say) is passed over.
inline constexpr size_t kLongestDeclaration = 1024;

// Whether text is lower (lowercase ASCII) in any case: an attribute's or a style's word.
bool IsWordInAnyCase(std::string_view text, std::string_view lower);

// Reads the declarations of a style attribute's value (decoded, UTF-8) into style. The font
// shorthand sets weight, slant and family.
void ReadInlineStyle(std::string_view value, InlineStyle& style);

// Reads a colour: one of the 148 named colours (case-blind; transparent, currentcolor and
// inherit are none), #rgb, #rgba, #rrggbb, #rrggbbaa, rgb() or rgba() with numbers or
// percentages parted by commas or blanks, or six hex digits without "#" as <font color>
// takes them. Alpha is read and ignored. Blanks at the ends are passed over.
bool ParseColor(std::string_view value, Rgb& rgb);

}  // namespace vellumine
