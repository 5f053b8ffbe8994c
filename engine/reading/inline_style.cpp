#include "inline_style.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace vellumine {
namespace {

// The named colours, by name: HTML's (those of CSS), in the order of a byte-wise search.
struct NamedColor {
  std::string_view name;
  uint32_t rgb;
};
constexpr NamedColor kNamedColors[] = {
    {"aliceblue", 0xF0F8FF},        {"antiquewhite", 0xFAEBD7},      {"aqua", 0x00FFFF},
    {"aquamarine", 0x7FFFD4},       {"azure", 0xF0FFFF},             {"beige", 0xF5F5DC},
    {"bisque", 0xFFE4C4},           {"black", 0x000000},             {"blanchedalmond", 0xFFEBCD},
    {"blue", 0x0000FF},             {"blueviolet", 0x8A2BE2},        {"brown", 0xA52A2A},
    {"burlywood", 0xDEB887},        {"cadetblue", 0x5F9EA0},         {"chartreuse", 0x7FFF00},
    {"chocolate", 0xD2691E},        {"coral", 0xFF7F50},             {"cornflowerblue", 0x6495ED},
    {"cornsilk", 0xFFF8DC},         {"crimson", 0xDC143C},           {"cyan", 0x00FFFF},
    {"darkblue", 0x00008B},         {"darkcyan", 0x008B8B},          {"darkgoldenrod", 0xB8860B},
    {"darkgray", 0xA9A9A9},         {"darkgreen", 0x006400},         {"darkgrey", 0xA9A9A9},
    {"darkkhaki", 0xBDB76B},        {"darkmagenta", 0x8B008B},       {"darkolivegreen", 0x556B2F},
    {"darkorange", 0xFF8C00},       {"darkorchid", 0x9932CC},        {"darkred", 0x8B0000},
    {"darksalmon", 0xE9967A},       {"darkseagreen", 0x8FBC8F},      {"darkslateblue", 0x483D8B},
    {"darkslategray", 0x2F4F4F},    {"darkslategrey", 0x2F4F4F},     {"darkturquoise", 0x00CED1},
    {"darkviolet", 0x9400D3},       {"deeppink", 0xFF1493},          {"deepskyblue", 0x00BFFF},
    {"dimgray", 0x696969},          {"dimgrey", 0x696969},           {"dodgerblue", 0x1E90FF},
    {"firebrick", 0xB22222},        {"floralwhite", 0xFFFAF0},       {"forestgreen", 0x228B22},
    {"fuchsia", 0xFF00FF},          {"gainsboro", 0xDCDCDC},         {"ghostwhite", 0xF8F8FF},
    {"gold", 0xFFD700},             {"goldenrod", 0xDAA520},         {"gray", 0x808080},
    {"green", 0x008000},            {"greenyellow", 0xADFF2F},       {"grey", 0x808080},
    {"honeydew", 0xF0FFF0},         {"hotpink", 0xFF69B4},           {"indianred", 0xCD5C5C},
    {"indigo", 0x4B0082},           {"ivory", 0xFFFFF0},             {"khaki", 0xF0E68C},
    {"lavender", 0xE6E6FA},         {"lavenderblush", 0xFFF0F5},     {"lawngreen", 0x7CFC00},
    {"lemonchiffon", 0xFFFACD},     {"lightblue", 0xADD8E6},         {"lightcoral", 0xF08080},
    {"lightcyan", 0xE0FFFF},        {"lightgoldenrodyellow", 0xFAFAD2},
    {"lightgray", 0xD3D3D3},        {"lightgreen", 0x90EE90},        {"lightgrey", 0xD3D3D3},
    {"lightpink", 0xFFB6C1},        {"lightsalmon", 0xFFA07A},       {"lightseagreen", 0x20B2AA},
    {"lightskyblue", 0x87CEFA},     {"lightslategray", 0x778899},    {"lightslategrey", 0x778899},
    {"lightsteelblue", 0xB0C4DE},   {"lightyellow", 0xFFFFE0},       {"lime", 0x00FF00},
    {"limegreen", 0x32CD32},        {"linen", 0xFAF0E6},             {"magenta", 0xFF00FF},
    {"maroon", 0x800000},           {"mediumaquamarine", 0x66CDAA},  {"mediumblue", 0x0000CD},
    {"mediumorchid", 0xBA55D3},     {"mediumpurple", 0x9370DB},      {"mediumseagreen", 0x3CB371},
    {"mediumslateblue", 0x7B68EE},  {"mediumspringgreen", 0x00FA9A}, {"mediumturquoise", 0x48D1CC},
    {"mediumvioletred", 0xC71585},  {"midnightblue", 0x191970},      {"mintcream", 0xF5FFFA},
    {"mistyrose", 0xFFE4E1},        {"moccasin", 0xFFE4B5},          {"navajowhite", 0xFFDEAD},
    {"navy", 0x000080},             {"oldlace", 0xFDF5E6},           {"olive", 0x808000},
    {"olivedrab", 0x6B8E23},        {"orange", 0xFFA500},            {"orangered", 0xFF4500},
    {"orchid", 0xDA70D6},           {"palegoldenrod", 0xEEE8AA},     {"palegreen", 0x98FB98},
    {"paleturquoise", 0xAFEEEE},    {"palevioletred", 0xDB7093},     {"papayawhip", 0xFFEFD5},
    {"peachpuff", 0xFFDAB9},        {"peru", 0xCD853F},              {"pink", 0xFFC0CB},
    {"plum", 0xDDA0DD},             {"powderblue", 0xB0E0E6},        {"purple", 0x800080},
    {"rebeccapurple", 0x663399},    {"red", 0xFF0000},               {"rosybrown", 0xBC8F8F},
    {"royalblue", 0x4169E1},        {"saddlebrown", 0x8B4513},       {"salmon", 0xFA8072},
    {"sandybrown", 0xF4A460},       {"seagreen", 0x2E8B57},          {"seashell", 0xFFF5EE},
    {"sienna", 0xA0522D},           {"silver", 0xC0C0C0},            {"skyblue", 0x87CEEB},
    {"slateblue", 0x6A5ACD},        {"slategray", 0x708090},         {"slategrey", 0x708090},
    {"snow", 0xFFFAFA},             {"springgreen", 0x00FF7F},       {"steelblue", 0x4682B4},
    {"tan", 0xD2B48C},              {"teal", 0x008080},              {"thistle", 0xD8BFD8},
    {"tomato", 0xFF6347},           {"turquoise", 0x40E0D0},         {"violet", 0xEE82EE},
    {"wheat", 0xF5DEB3},            {"white", 0xFFFFFF},             {"whitesmoke", 0xF5F5F5},
    {"yellow", 0xFFFF00},           {"yellowgreen", 0x9ACD32},
};
static_assert(std::size(kNamedColors) == 148);
constexpr bool ByName(const NamedColor& a, const NamedColor& b) { return a.name < b.name; }
static_assert(std::is_sorted(std::begin(kNamedColors), std::end(kNamedColors), ByName));
constexpr size_t kLongestColorName = 20;  // lightgoldenrodyellow

// The families taken for monospace beside any whose name holds "mono" (monospace,
// ui-monospace, DejaVu Sans Mono, Liberation Mono, ...; not Monotype Corsiva) or begins
// with "courier".
constexpr std::string_view kMonospaceFamilies[] = {
    "consolas", "menlo", "monaco", "lucida console", "lucida sans typewriter",
    "source code pro", "fira code", "cascadia code", "fixedsys"};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c | 0x20) : c; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool Is(std::string_view text, std::string_view lower) { return IsWordInAnyCase(text, lower); }
template <size_t N>
bool IsOneOf(std::string_view text, const std::string_view (&words)[N]) {
  return std::any_of(std::begin(words), std::end(words), [&](auto w) { return Is(text, w); });
}

// Whether text begins with lower, case-blind.
bool StartsWith(std::string_view text, std::string_view lower) {
  return text.size() >= lower.size() && Is(text.substr(0, lower.size()), lower);
}

// A family's name as written (blanks between its words in any number) is lower.
bool IsFamily(std::string_view name, std::string_view lower) {
  size_t i = 0;
  for (size_t k = 0; k < name.size(); ++k) {
    if (IsBlank(name[k])) {
      if (k > 0 && IsBlank(name[k - 1])) continue;
      if (i == lower.size() || lower[i++] != ' ') return false;
    } else if (i == lower.size() || Lower(name[k]) != lower[i++]) {
      return false;
    }
  }
  return i == lower.size();
}

bool IsMonospaceFamily(std::string_view name) {
  for (size_t i = 0; i + 4 <= name.size(); ++i)
    if (Is(name.substr(i, 4), "mono")) return !Is(name.substr(i, 8), "monotype");
  return StartsWith(name, "courier") ||
         std::any_of(std::begin(kMonospaceFamilies), std::end(kMonospaceFamilies),
                     [&](auto family) { return IsFamily(name, family); });
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = Lower(c);
  return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// digits: 3 or 4 of them (each doubled), or 6 or 8 (in pairs); the fourth or last pair alpha.
bool ReadHexColor(std::string_view digits, Rgb& rgb) {
  const size_t n = digits.size();
  if (n != 3 && n != 4 && n != 6 && n != 8) return false;
  if (!std::all_of(digits.begin(), digits.end(), [](char c) { return HexDigit(c) >= 0; }))
    return false;
  const bool doubled = n < 6;
  auto channel = [&](size_t i) {
    const int value = doubled ? HexDigit(digits[i]) * 17
                              : HexDigit(digits[2 * i]) * 16 + HexDigit(digits[2 * i + 1]);
    return static_cast<uint8_t>(value);
  };
  rgb = {channel(0), channel(1), channel(2)};
  return true;
}

// The end of the string whose quote is at text[start]: past its closing quote, or the end.
size_t StringEnd(std::string_view text, size_t start) {
  size_t i = start + 1;
  while (i < text.size() && text[i] != text[start]) i += text[i] == '\\' ? 2 : 1;
  return std::min(i + 1, text.size());
}

// A number with its unit: "12px", "50%", "-1.5" (no exponent).
struct Dimension {
  double number = 0;
  std::string_view unit;  // letters, "%", or empty
};

// Reads a number and its unit from the start of text, which is left at what follows.
bool ReadDimension(std::string_view& text, Dimension& dimension) {
  size_t i = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) ++i;
  double number = 0;
  bool digits = false;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, digits = true)
    number = number * 10 + (text[i] - '0');
  if (i + 1 < text.size() && text[i] == '.' && text[i + 1] >= '0' && text[i + 1] <= '9') {
    double scale = 1;
    for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, digits = true)
      number += (text[i] - '0') * (scale /= 10);
  }
  if (!digits) return false;
  const size_t unitStart = i;
  if (i < text.size() && text[i] == '%')
    ++i;
  else
    while (i < text.size() && ((Lower(text[i]) >= 'a' && Lower(text[i]) <= 'z'))) ++i;
  dimension = {negative ? -number : number, text.substr(unitStart, i - unitStart)};
  text.remove_prefix(i);
  return true;
}

// A whole part as a dimension.
bool IsDimension(std::string_view part, Dimension& dimension) {
  return ReadDimension(part, dimension) && part.empty();
}

// Pixels a unit stands for, for the units of a fixed size.
struct FixedUnit {
  std::string_view unit;
  double pixels;
};
constexpr FixedUnit kFixedUnits[] = {{"", 1},   {"px", 1},          {"pt", 96.0 / 72},
                                     {"pc", 16}, {"in", 96},         {"cm", 96 / 2.54},
                                     {"mm", 9.6 / 2.54}, {"q", 2.4 / 2.54}};
constexpr std::string_view kAngleUnits[] = {"deg", "grad", "rad", "turn"};
constexpr std::string_view kRelativeUnits[] = {"%",  "em", "rem",  "ex",  "ch",
                                               "vw", "vh", "vmin", "vmax"};

// A length (or a percentage): a number with a unit, or 0.
bool IsLength(std::string_view part) {
  Dimension d;
  if (!IsDimension(part, d)) return false;
  if (d.unit.empty()) return d.number == 0;
  return IsOneOf(d.unit, kRelativeUnits) ||
         std::any_of(std::begin(kFixedUnits), std::end(kFixedUnits),
                     [&](const FixedUnit& u) { return Is(d.unit, u.unit); });
}

// A channel of rgb(): a number (0 to 255) or a percentage, held to its range.
bool ReadChannel(std::string_view& text, uint8_t& channel) {
  Dimension d;
  if (!ReadDimension(text, d)) return false;
  if (!d.unit.empty() && d.unit != "%") return false;
  const double value = d.unit.empty() ? d.number : d.number * 255 / 100;
  channel = static_cast<uint8_t>(std::clamp(value, 0.0, 255.0) + 0.5);
  return true;
}

// What rgb( or rgba( holds up to its ")": three channels and an alpha, all parted by
// commas, or by blanks with "/" before the alpha.
bool ReadRgbFunction(std::string_view inner, Rgb& rgb) {
  const bool commas = inner.find(',') != std::string_view::npos;
  uint8_t channels[3];
  for (int i = 0; i < 3; ++i) {
    const std::string_view before = inner;
    inner = Trim(inner);
    if (i > 0 && commas) {
      if (!inner.starts_with(',')) return false;
      inner = Trim(inner.substr(1));
    } else if (i > 0 && inner.size() == before.size()) {
      return false;  // no blank between channels
    }
    if (!ReadChannel(inner, channels[i])) return false;
  }
  inner = Trim(inner);
  if (!inner.empty()) {
    if (inner[0] != (commas ? ',' : '/')) return false;
    inner = Trim(inner.substr(1));
    Dimension alpha;
    if (!IsDimension(inner, alpha) || !(alpha.unit.empty() || alpha.unit == "%")) return false;
  }
  rgb = {channels[0], channels[1], channels[2]};
  return true;
}

// Takes the next part of a value from rest: a word (up to a blank, a comma, a slash or a
// quote; a function's parentheses with what they hold included), a quoted string, or a
// comma or a slash alone. Blanks before it are passed over; empty at the end.
std::string_view NextPart(std::string_view& rest) {
  size_t i = 0;
  while (i < rest.size() && IsBlank(rest[i])) ++i;
  size_t end = i;
  if (i < rest.size() && (rest[i] == '"' || rest[i] == '\'')) {
    end = StringEnd(rest, i);
  } else if (i < rest.size() && (rest[i] == ',' || rest[i] == '/')) {
    end = i + 1;
  } else {  // a word, or nothing at the end
    for (int depth = 0; end < rest.size(); ++end) {
      const char c = rest[end];
      if (depth == 0 && (IsBlank(c) || c == ',' || c == '/' || c == '"' || c == '\'')) break;
      if (c == '(') ++depth;
      if (c == ')' && depth > 0) --depth;
    }
  }
  const std::string_view part = rest.substr(i, end - i);
  rest.remove_prefix(end);
  return part;
}

bool IsQuoted(std::string_view part) {
  return part.size() >= 2 && (part[0] == '"' || part[0] == '\'') && part.back() == part[0];
}

// Reads a font-family list from rest: whether a family in it is a monospace one. False for
// a list with an empty or a broken family.
bool ReadFamilies(std::string_view rest, int8_t& monospace) {
  bool any = false;
  std::string_view part = NextPart(rest);
  while (true) {
    // A family: a string, or words up to the next comma.
    std::string_view name;
    if (part.empty() || part == "," || part == "/") return false;
    if (part[0] == '"' || part[0] == '\'') {
      if (!IsQuoted(part)) return false;
      name = part.substr(1, part.size() - 2);
      part = NextPart(rest);
    } else {
      const char* first = part.data();
      do {
        name = {first, static_cast<size_t>(part.data() + part.size() - first)};
        part = NextPart(rest);
      } while (!part.empty() && part != "," && part != "/" && part[0] != '"' && part[0] != '\'');
    }
    any = any || IsMonospaceFamily(name);
    if (part.empty()) break;
    if (part != ",") return false;
    part = NextPart(rest);
  }
  monospace = static_cast<int8_t>(any);
  return true;
}

// A font-weight: 1 bold, 0 not, -1 not a weight.
int8_t WeightOf(std::string_view part) {
  if (Is(part, "bold") || Is(part, "bolder")) return 1;
  if (Is(part, "normal") || Is(part, "lighter")) return 0;
  Dimension d;
  if (!IsDimension(part, d) || !d.unit.empty() || d.number < 1 || d.number > 1000) return -1;
  return static_cast<int8_t>(d.number >= 600);
}

constexpr std::string_view kFontSizeWords[] = {
    "xx-small", "x-small", "small", "medium", "large", "x-large", "xx-large", "xxx-large",
    "larger", "smaller"};
constexpr std::string_view kFontWordsBeforeSize[] = {
    "normal", "small-caps", "ultra-condensed", "extra-condensed", "condensed",
    "semi-condensed", "semi-expanded", "expanded", "extra-expanded", "ultra-expanded"};

// The font shorthand: [style, variant, weight, stretch] size[/line-height] families. What it
// does not name is normal.
bool ReadFont(std::string_view rest, InlineStyle& style) {
  int8_t bold = 0, italic = 0, monospace = 0;
  std::string_view part = NextPart(rest);
  for (;; part = NextPart(rest)) {
    if (Is(part, "italic") || Is(part, "oblique"))
      italic = 1;
    else if (const int8_t weight = WeightOf(part); weight >= 0 && !Is(part, "normal"))
      bold = weight;
    else if (!IsOneOf(part, kFontWordsBeforeSize))
      break;
  }
  if (!IsLength(part) && !IsOneOf(part, kFontSizeWords)) return false;
  std::string_view afterSize = rest;
  if (NextPart(afterSize) == "/") {
    if (NextPart(afterSize).empty()) return false;
    rest = afterSize;
  }
  if (!ReadFamilies(rest, monospace)) return false;
  style.bold = bold;
  style.italic = italic;
  style.monospace = monospace;
  return true;
}

constexpr std::string_view kLineWords[] = {"none", "underline", "overline", "line-through",
                                           "blink"};
constexpr std::string_view kDecorationWords[] = {"solid", "double", "dotted", "dashed", "wavy",
                                                 "auto", "from-font"};

// text-decoration (or with lineOnly, text-decoration-line): its lines, its style, colour and
// thickness. The lines it does not name are off.
bool ReadDecoration(std::string_view rest, bool lineOnly, InlineStyle& style) {
  int8_t underline = 0, strike = 0;
  for (std::string_view part = NextPart(rest); !part.empty(); part = NextPart(rest)) {
    Rgb color;
    if (Is(part, "underline"))
      underline = 1;
    else if (Is(part, "line-through"))
      strike = 1;
    else if (!IsOneOf(part, kLineWords) &&
             (lineOnly || !(IsOneOf(part, kDecorationWords) || IsLength(part) ||
                            ParseColor(part, color))))
      return false;
  }
  style.underline = underline;
  style.strike = strike;
  return true;
}

// What a style attribute's border declarations said: -1 unsaid.
struct BorderSaid {
  int8_t draws = -1;      // a style other than none and hidden
  int8_t zeroWidth = -1;  // every width 0
};

constexpr std::string_view kBorderStyles[] = {"none", "hidden", "dotted", "dashed", "solid",
                                              "double", "groove", "ridge", "inset", "outset"};
constexpr std::string_view kBorderWidthWords[] = {"thin", "medium", "thick"};

bool IsNoLine(std::string_view part) { return Is(part, "none") || Is(part, "hidden"); }
bool IsZero(std::string_view part) {
  Dimension d;
  return IsDimension(part, d) && d.number == 0;
}

// border (with styles and widths), border-style (styles) or border-width (widths); a side
// that draws a line makes the border draw.
bool ReadBorder(std::string_view rest, bool styles, bool widths, BorderSaid& said) {
  int8_t draws = 0, zeroWidth = 1;
  bool styleSaid = false, widthSaid = false;
  for (std::string_view part = NextPart(rest); !part.empty(); part = NextPart(rest)) {
    Rgb color;
    if (styles && IsOneOf(part, kBorderStyles)) {
      styleSaid = true;
      draws = draws || !IsNoLine(part);
    } else if (widths && (IsOneOf(part, kBorderWidthWords) || IsLength(part))) {
      widthSaid = true;
      zeroWidth = zeroWidth && IsZero(part);
    } else if (!(styles && widths && ParseColor(part, color))) {
      return false;
    }
  }
  if (styles && widths) {  // the shorthand: what it does not say is none and medium
    said.draws = styleSaid ? draws : int8_t{0};
    said.zeroWidth = widthSaid ? zeroWidth : int8_t{0};
  } else if (styles) {
    said.draws = draws;
  } else {
    said.zeroWidth = zeroWidth;
  }
  return true;
}

bool ReadWidth(std::string_view part, InlineStyle& style) {
  if (Is(part, "auto")) {
    style.widthPixels = style.widthPercent = 0;
    return true;
  }
  Dimension d;
  if (!IsDimension(part, d) || d.number < 0) return false;
  const double number = std::min(d.number, 1e6);
  if (d.unit == "%") {
    style.widthPixels = 0;
    style.widthPercent = static_cast<int>(number + 0.5);
    return true;
  }
  for (const FixedUnit& u : kFixedUnits) {
    if (Is(d.unit, u.unit)) {
      style.widthPercent = 0;
      style.widthPixels = static_cast<int>(number * u.pixels + 0.5);
      return true;
    }
  }
  return false;
}

enum class Property : uint8_t {
  Color, BackgroundColor, Background, FontWeight, FontStyle, FontFamily, Font,
  TextDecoration, TextDecorationLine, TextAlign, Width, Border, BorderStyle, BorderWidth,
};
struct PropertyName {
  std::string_view name;
  Property property;
};
constexpr PropertyName kProperties[] = {
    {"color", Property::Color},
    {"background-color", Property::BackgroundColor},
    {"background", Property::Background},
    {"font-weight", Property::FontWeight},
    {"font-style", Property::FontStyle},
    {"font-family", Property::FontFamily},
    {"font", Property::Font},
    {"text-decoration", Property::TextDecoration},
    {"text-decoration-line", Property::TextDecorationLine},
    {"text-align", Property::TextAlign},
    {"width", Property::Width},
    {"border", Property::Border},
    {"border-style", Property::BorderStyle},
    {"border-width", Property::BorderWidth},
};

// The values every property takes, which leave the element as its parent or the page has
// it: nothing said.
constexpr std::string_view kWideKeywords[] = {"inherit", "initial", "unset", "revert",
                                              "revert-layer"};

struct Alignment {
  std::string_view word;
  TextAlign align;
};
constexpr Alignment kAlignments[] = {
    {"left", TextAlign::Left},   {"start", TextAlign::Left},     {"center", TextAlign::Center},
    {"right", TextAlign::Right}, {"end", TextAlign::Right},      {"justify", TextAlign::Justify},
    {"-webkit-center", TextAlign::Center}, {"-moz-center", TextAlign::Center}};

// One declaration, without comments: "name: value", "!important" at its end allowed.
void ReadDeclaration(std::string_view declaration, InlineStyle& style, BorderSaid& border) {
  const size_t colon = declaration.find(':');
  if (colon == std::string_view::npos) return;
  const std::string_view name = Trim(declaration.substr(0, colon));
  std::string_view value = Trim(declaration.substr(colon + 1));
  if (const size_t bang = value.rfind('!'); bang != std::string_view::npos) {
    if (!Is(Trim(value.substr(bang + 1)), "important")) return;
    value = Trim(value.substr(0, bang));
  }
  if (value.empty() || IsOneOf(value, kWideKeywords)) return;
  const auto* known = std::find_if(std::begin(kProperties), std::end(kProperties),
                                   [&](const PropertyName& p) { return Is(name, p.name); });
  if (known == std::end(kProperties)) return;

  std::string_view rest = value;
  const std::string_view first = NextPart(rest);
  const bool alone = Trim(rest).empty();
  Rgb color;
  switch (known->property) {
    case Property::Color:
      if (alone && ParseColor(first, color)) style.hasColor = true, style.color = color;
      break;
    case Property::BackgroundColor:
      if (alone && ParseColor(first, color)) style.hasBackground = true, style.background = color;
      if (alone && Is(first, "transparent")) style.hasBackground = false;
      break;
    case Property::Background: {  // the colour among its parts, or none
      style.hasBackground = false;
      for (std::string_view part = first; !part.empty(); part = NextPart(rest))
        if (ParseColor(part, color)) style.hasBackground = true, style.background = color;
      break;
    }
    case Property::FontWeight:
      if (const int8_t weight = WeightOf(first); alone && weight >= 0) style.bold = weight;
      break;
    case Property::FontStyle: {
      const std::string_view angle = NextPart(rest);  // oblique may give one
      Dimension d;
      if (Is(first, "normal") && alone) style.italic = 0;
      if ((Is(first, "italic") && alone) ||
          (Is(first, "oblique") && (alone || (Trim(rest).empty() && IsDimension(angle, d) &&
                                              IsOneOf(d.unit, kAngleUnits)))))
        style.italic = 1;
      break;
    }
    case Property::FontFamily:
      ReadFamilies(value, style.monospace);
      break;
    case Property::Font:
      ReadFont(value, style);
      break;
    case Property::TextDecoration:
    case Property::TextDecorationLine:
      ReadDecoration(value, known->property == Property::TextDecorationLine, style);
      break;
    case Property::TextAlign:
      for (const Alignment& a : kAlignments)
        if (alone && Is(first, a.word)) style.align = a.align;
      break;
    case Property::Width:
      if (alone) ReadWidth(first, style);
      break;
    case Property::Border:
    case Property::BorderStyle:
    case Property::BorderWidth:
      ReadBorder(value, known->property != Property::BorderWidth,
                 known->property != Property::BorderStyle, border);
      break;
  }
}

// The end of the declaration that starts at text[start]: its ";" (or the end), one in a
// string, in parentheses or in a comment not counted.
size_t DeclarationEnd(std::string_view text, size_t start, bool& hasComment) {
  int depth = 0;
  for (size_t i = start; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"' || c == '\'') {
      i = StringEnd(text, i) - 1;
    } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
      hasComment = true;
      const size_t close = text.find("*/", i + 2);
      if (close == std::string_view::npos) return text.size();
      i = close + 1;
    } else if (c == '(') {
      ++depth;
    } else if (c == ')' && depth > 0) {
      --depth;
    } else if (c == ';' && depth == 0) {
      return i;
    }
  }
  return text.size();
}

// declaration with each comment made a blank, at out (kLongestDeclaration bytes at least as
// many as declaration's).
std::string_view WithoutComments(std::string_view declaration, char* out) {
  size_t n = 0;
  for (size_t i = 0; i < declaration.size();) {
    const char c = declaration[i];
    if (c == '"' || c == '\'') {
      const size_t end = StringEnd(declaration, i);
      std::memcpy(out + n, declaration.data() + i, end - i);
      n += end - i;
      i = end;
    } else if (c == '/' && i + 1 < declaration.size() && declaration[i + 1] == '*') {
      const size_t close = declaration.find("*/", i + 2);
      out[n++] = ' ';
      i = close == std::string_view::npos ? declaration.size() : close + 2;
    } else {
      out[n++] = c;
      ++i;
    }
  }
  return {out, n};
}

}  // namespace

bool IsWordInAnyCase(std::string_view text, std::string_view lower) {
  if (text.size() != lower.size()) return false;
  for (size_t i = 0; i < text.size(); ++i)
    if (Lower(text[i]) != lower[i]) return false;
  return true;
}

void ReadInlineStyle(std::string_view value, InlineStyle& style) {
  BorderSaid border;
  for (size_t start = 0; start < value.size();) {
    bool hasComment = false;
    const size_t end = DeclarationEnd(value, start, hasComment);
    const std::string_view declaration = value.substr(start, end - start);
    start = end + 1;
    if (!hasComment) {
      ReadDeclaration(declaration, style, border);
    } else if (declaration.size() <= kLongestDeclaration) {
      char uncommented[kLongestDeclaration];
      ReadDeclaration(WithoutComments(declaration, uncommented), style, border);
    }
  }
  if (border.draws >= 0)
    style.border = border.draws == 1 && border.zeroWidth != 1;
  else if (border.zeroWidth == 1)
    style.border = false;
}

bool ParseColor(std::string_view value, Rgb& rgb) {
  value = Trim(value);
  if (value.starts_with('#')) return ReadHexColor(value.substr(1), rgb);
  if (value.size() == 6 && ReadHexColor(value, rgb)) return true;  // as <font color> has it
  for (const std::string_view function : {"rgb(", "rgba("})
    if (StartsWith(value, function) && value.ends_with(')'))
      return ReadRgbFunction(value.substr(function.size(), value.size() - function.size() - 1),
                             rgb);
  if (value.size() > kLongestColorName) return false;
  char lower[kLongestColorName];
  std::transform(value.begin(), value.end(), lower, Lower);
  const std::string_view name(lower, value.size());
  const auto* named = std::lower_bound(std::begin(kNamedColors), std::end(kNamedColors),
                                       NamedColor{name, 0}, ByName);
  if (named == std::end(kNamedColors) || named->name != name) return false;
  rgb = {static_cast<uint8_t>(named->rgb >> 16), static_cast<uint8_t>(named->rgb >> 8),
         static_cast<uint8_t>(named->rgb)};
  return true;
}

}  // namespace vellumine
