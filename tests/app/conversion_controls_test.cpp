// The window's controls read as a conversion's options: the list's labels, the format
// buttons and the lenient size text.
#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <tuple>

#include "conversion_controls.h"

namespace vellumine {

TEST(ConversionControls, LabelsButtonsAndSizeText) {
  // Each encoding once in the list; labels compared byte for byte: anything else is Latin-1;
  // no selection is Auto-Select.
  std::set<int> listed;
  for (const EncodingListEntry& entry : kEncodingList) {
    EXPECT_EQ(EncodingOfLabel(entry.label), entry.encoding) << entry.label;
    EXPECT_EQ(EncodingOfLabel((std::string(entry.label) + " ").c_str()),
              VELLUMINE_ENCODING_ISO_8859_1);
    listed.insert(entry.encoding);
  }
  EXPECT_EQ(listed.size(), 6u);
  EXPECT_EQ(EncodingOfLabel("auto-select"), VELLUMINE_ENCODING_ISO_8859_1);
  EXPECT_EQ(EncodingOfLabel(nullptr), VELLUMINE_ENCODING_AUTO);
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
  for (auto [text, size] : {std::pair{"  +9pt", 9}, {"-7", -7}, {"- 5", 0}, {"", 0},
                            {"11.5", 11}, {"abc", 0}, {"-99999999999", -1638},
                            {"99999999999999999999", 1638}, {"1639", 1638}, {"-1637", -1637}})
    EXPECT_EQ(ReadFontSize(text), size) << text;
  EXPECT_EQ(ReadFontSize(nullptr), 0);
}

}  // namespace vellumine
