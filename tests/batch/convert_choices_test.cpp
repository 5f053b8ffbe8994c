#include "convert_choices.h"

#include <gtest/gtest.h>

#include <string>

namespace vellumine {
namespace {

TEST(ConvertChoices, ModeFromFormatAndTables) {
  using enum ConversionMode;
  struct Case {
    int format;
    bool tables;
    ConversionMode mode;
  } cases[] = {{1, false, Text},      {1, true, Text},       {0, false, Rtf}, {0, true, RtfTables},
               {-1, false, RtfTables}, {-1, true, RtfTables}, {2, false, RtfTables}};
  for (const Case& c : cases) {
    EXPECT_EQ(ChooseConversionMode(c.format, c.tables), c.mode) << c.format << " " << c.tables;
  }
}

TEST(ConvertChoices, EncodingLabelByIndex) {
  const char* labels[] = {"Auto-Select", "(Windows-1251) Cyrillic", "(KOI8-R) Cyrillic",
                          "(ISO-8859-1) Latin1", "(ISO-8859-5) Cyrillic"};
  for (int index = -1; index <= 6; ++index) {
    const char* label = index >= 0 && index < 5 ? labels[index] : labels[0];
    EXPECT_EQ(std::string(ChooseEncodingLabel(index)), label) << "index " << index;
  }
  EXPECT_EQ(std::string(ChooseEncodingLabel(1000)), "Auto-Select");
}

}  // namespace
}  // namespace vellumine
