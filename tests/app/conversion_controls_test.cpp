// The window's controls read as a conversion's options: the list's labels, the format
// buttons and the lenient size text.
#include "conversion_controls.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <tuple>

namespace vellumine {
namespace {

TEST(ConversionControls, EncodingOfLabel) {
  for (auto [label, encoding] :
       {std::pair{"Auto-Select", VELLUMINE_ENCODING_AUTO},
        {"(Windows-1251) Cyrillic", VELLUMINE_ENCODING_WINDOWS_1251},
        {"(KOI8-R) Cyrillic", VELLUMINE_ENCODING_KOI8_R},
        {"(ISO-8859-1) Latin1", VELLUMINE_ENCODING_ISO_8859_1},
        {"(ISO-8859-5) Cyrillic", VELLUMINE_ENCODING_ISO_8859_5},
        {"(UTF-8) Unicode", VELLUMINE_ENCODING_UTF_8},
        // Compared byte for byte: anything else is Latin-1; no selection is Auto-Select.
        {"auto-select", VELLUMINE_ENCODING_ISO_8859_1},
        {"(UTF-8) unicode", VELLUMINE_ENCODING_ISO_8859_1},
        {nullptr, VELLUMINE_ENCODING_AUTO}}) {
    EXPECT_EQ(EncodingOfLabel(label), encoding) << (label ? label : "(none)");
  }
}

TEST(ConversionControls, FormatFromTheButtonsAndTables) {
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

TEST(ConversionControls, LenientSizeText) {
  for (auto [text, size] : {std::pair{"  +9pt", 9}, {"-7", -7}, {"- 5", 0}, {"", 0},
                            {"11.5", 11}, {"abc", 0}, {"-99999999999", -1638},
                            {"99999999999999999999", 1638}, {"1639", 1638}, {"-1637", -1637}}) {
    EXPECT_EQ(ReadFontSize(text), size) << text;
  }
  EXPECT_EQ(ReadFontSize(nullptr), 0);
}

}  // namespace
}  // namespace vellumine
