// Style attributes read (data/cases/inline-styles.tsv), colours read or refused (colors.tsv),
// the RTF colour table's promise, and list item numbers (list-numbers.tsv).
#include <climits>
#include <cstdio>
#include <cstring>

#include "engine_test_util.h"
#include "reading/inline_style.h"
#include "reading/list_numbers.h"
#include "reading/rtf_colors.h"

namespace vellumine::testing {

std::string Hex(Rgb c) {
  char text[8];
  std::snprintf(text, sizeof text, "%02x%02x%02x", c.r, c.g, c.b);
  return text;
}

// What a style says, in the order of its fields: "color ff0000, bold on", or "-".
std::string Said(const InlineStyle& s) {
  std::string said;
  auto add = [&](const std::string& field) { said += (said.empty() ? "" : ", ") + field; };
  if (s.hasColor) add("color " + Hex(s.color));
  if (s.hasBackground) add("background " + Hex(s.background));
  for (auto [name, flag] : {std::pair{"bold", s.bold}, {"italic", s.italic},
                            {"underline", s.underline}, {"strike", s.strike},
                            {"monospace", s.monospace}})
    if (flag >= 0) add(name + std::string(flag ? " on" : " off"));
  const char* aligns[] = {"", "left", "center", "right", "justify"};
  if (s.align != TextAlign::None) add(std::string("align ") + aligns[int(s.align)]);
  if (s.widthPixels) add("width " + std::to_string(s.widthPixels) + "px");
  if (s.widthPercent) add("width " + std::to_string(s.widthPercent) + "%");
  if (s.border) add("border");
  return said.empty() ? "-" : said;
}

TEST(InlineStyle, Declarations) {
  for (const Row& r : Rows("inline-styles.tsv", 2)) {
    InlineStyle style;
    ReadInlineStyle(r.fields[0], style);
    EXPECT_EQ(Said(style), r.fields[1]) << r.where << ": " << r.fields[0];
  }
  // One style read over another: what the second does not say stays.
  for (auto [first, second, said] :
       {std::tuple{"color: red", "font-weight: bold", "color ff0000, bold on"},
        {"border: 1px solid", "border-width: 2px", "border"},
        {"border: 1px solid", "border-width: 0", "-"},
        {"background-color: red", "background: none", "-"}}) {
    InlineStyle style;
    ReadInlineStyle(first, style);
    ReadInlineStyle(second, style);
    EXPECT_EQ(Said(style), said) << first << " then " << second;
  }
}

TEST(InlineStyle, Colors) {
  for (const Row& r : Rows("colors.tsv", 2)) {
    Rgb rgb{1, 2, 3};
    const bool read = ParseColor(r.fields[0], rgb);
    EXPECT_EQ(read ? Hex(rgb) : "-", r.fields[1]) << r.where << ": " << r.fields[0];
  }
}

// Every colour of a grid over the cube is given an entry within 40 of it on each channel,
// and the nearest of those, found by a search of the whole table; the exact entries are
// found for their colours.
TEST(InlineStyle, RtfColorTableHasAnEntryNearEveryColor) {
  const std::string table(RtfColorTable());
  ASSERT_TRUE(table.starts_with("{\\colortbl;")) << table;
  ASSERT_TRUE(table.ends_with("}")) << table;
  std::vector<Rgb> entries{{0, 0, 0}};  // index 0, the automatic colour: never chosen
  size_t at = std::strlen("{\\colortbl;");
  for (int r, g, b, n = 0; std::sscanf(table.c_str() + at, "\\red%d\\green%d\\blue%d;%n", &r,
                                       &g, &b, &n) == 3 && n > 0; at += n, n = 0)
    entries.push_back({uint8_t(r), uint8_t(g), uint8_t(b)});
  ASSERT_EQ(table.substr(at), "}");
  ASSERT_EQ(entries.size(), size_t(kHighlightIndex + 1));
  auto distance = [](Rgb a, Rgb b) {
    return (a.r - b.r) * (a.r - b.r) + (a.g - b.g) * (a.g - b.g) + (a.b - b.b) * (a.b - b.b);
  };
  for (int r = 0; r <= 255; r += 5)
    for (int g = 0; g <= 255; g += 5)
      for (int b = 0; b <= 255; b += 5) {
        const Rgb color{uint8_t(r), uint8_t(g), uint8_t(b)};
        const int index = RtfColorIndex(color);
        ASSERT_GE(index, 1) << Hex(color);
        ASSERT_LT(index, int(entries.size())) << Hex(color);
        const Rgb& got = entries[index];
        auto within40 = [&](Rgb e) {
          return std::abs(r - e.r) <= 40 && std::abs(g - e.g) <= 40 && std::abs(b - e.b) <= 40;
        };
        int nearest = INT_MAX;
        for (size_t i = 1; i < entries.size(); ++i)
          if (within40(entries[i])) nearest = std::min(nearest, distance(color, entries[i]));
        ASSERT_TRUE(within40(got)) << Hex(color) << " given " << Hex(got);
        ASSERT_EQ(distance(color, got), nearest) << Hex(color) << " given " << Hex(got);
      }
  for (auto [color, index] :
       {std::pair{Rgb{0, 0, 0}, 1}, {Rgb{255, 255, 255}, kWhiteIndex},
        {Rgb{5, 99, 193}, kLinkColorIndex}, {Rgb{255, 255, 0}, kHighlightIndex}}) {
    EXPECT_EQ(RtfColorIndex(color), index) << Hex(color);
    EXPECT_EQ(entries[index], color) << index;
  }
}

TEST(InlineStyle, ListNumbers) {
  char out[kLongestListNumber];
  for (const Row& r : Rows("list-numbers.tsv", 3)) {
    const size_t n = FormatListNumber(std::stol(r.fields[1]), ListNumberingOf(r.fields[0]), out);
    EXPECT_EQ(std::string(out, n), r.fields[2]) << r.where;
  }
  // Letters read back as the number they stand for (a 1, z 26, aa 27), up to the largest.
  std::vector<long> numbers{LONG_MAX, LONG_MAX - 1};
  for (long k = 1; k <= 20000; ++k) numbers.push_back(k);
  for (long k : numbers) {
    const size_t n = FormatListNumber(k, ListNumbering::LowerAlpha, out);
    unsigned long back = 0;
    for (size_t i = 0; i < n; ++i) back = back * 26 + (out[i] - 'a' + 1);
    ASSERT_EQ(back, static_cast<unsigned long>(k)) << std::string(out, n);
  }
  for (auto style : {ListNumbering::Decimal, ListNumbering::UpperAlpha, ListNumbering::UpperRoman})
    for (long k : {LONG_MIN, LONG_MAX, 3888L})
      EXPECT_LE(FormatListNumber(k, style, out), kLongestListNumber);
  EXPECT_EQ(std::string(out, FormatListNumber(LONG_MIN, ListNumbering::LowerAlpha, out)),
            std::to_string(LONG_MIN));
}

}  // namespace vellumine::testing
