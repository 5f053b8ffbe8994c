// The window's controls read as a conversion's options: the format buttons and the lenient
// size text.
#include <gtest/gtest.h>

#include <tuple>

#include "conversion_controls.h"

namespace vellumine {

// "*.txt" is text whatever the tables box says; with neither button checked, RTF with tables.
TEST(ConversionControls, FormatButtonsAndTablesBox) {
  for (auto [radio, tables, format, tablesOn] :
       {std::tuple{1, false, VELLUMINE_FORMAT_TEXT, true}, {1, true, VELLUMINE_FORMAT_TEXT, true},
        {0, false, VELLUMINE_FORMAT_RTF, false}, {0, true, VELLUMINE_FORMAT_RTF, true},
        {-1, false, VELLUMINE_FORMAT_RTF, true}, {2, false, VELLUMINE_FORMAT_RTF, true}}) {
    vellumine_options options;
    vellumine_options_init(&options);
    SetFormat(options, radio, tables);
    EXPECT_EQ(options.format, format) << radio << " " << tables;
    EXPECT_EQ(options.tables != 0, tablesOn) << radio;
  }
}

// Blanks and a sign allowed, reading stops at the first other byte, held to what readers
// take, either sign.
TEST(ConversionControls, SizeTextReadLeniently) {
  for (auto [text, size] : {std::pair{"  +9pt", 9}, {"-7", -7}, {"- 5", 0}, {"", 0},
                            {"11.5", 11}, {"abc", 0}, {"-99999999999", -1638},
                            {"99999999999999999999", 1638}, {"1639", 1638}, {"-1637", -1637}})
    EXPECT_EQ(ReadFontSize(text), size) << text;
  EXPECT_EQ(ReadFontSize(nullptr), 0);
}

}  // namespace vellumine
