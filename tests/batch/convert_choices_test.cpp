#include "convert_choices.h"

#include <gtest/gtest.h>

#include <string>

namespace vellumine {
namespace {

TEST(ConvertChoices, ModeFromFormatAndTables) {
  struct Case {
    int format;
    bool tables;
    ConversionMode mode;
  } cases[] = {
      {1, false, ConversionMode::Text},       {1, true, ConversionMode::Text},
      {0, false, ConversionMode::Rtf},        {0, true, ConversionMode::RtfTables},
      {-1, false, ConversionMode::RtfTables}, {-1, true, ConversionMode::RtfTables},
      {2, false, ConversionMode::RtfTables},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ChooseConversionMode(c.format, c.tables), c.mode)
        << "format " << c.format << " tables " << c.tables;
  }
}

TEST(ConvertChoices, EncodingLabelByIndex) {
  struct Case {
    int index;
    const char* label;
  } cases[] = {
      {0, "Auto-Select"},           {1, "(Windows-1251) Cyrillic"},
      {2, "(KOI8-R) Cyrillic"},     {3, "(ISO-8859-1) Latin1"},
      {4, "(ISO-8859-5) Cyrillic"}, {-1, "Auto-Select"},
      {5, "Auto-Select"},           {1000, "Auto-Select"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(std::string(ChooseEncodingLabel(c.index)), c.label) << "index " << c.index;
  }
}

}  // namespace
}  // namespace vellumine
