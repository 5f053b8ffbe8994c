// Output file names in both path styles, whatever the platform the tests run on.
#include "output_path.h"

#include <gtest/gtest.h>

#include <string>

namespace vellumine {
namespace {

struct Case {
  const char* input;
  const char* directory;
  ConversionMode mode;
  PathStyle style;
  const char* output;
};

constexpr PathStyle W = PathStyle::Windows;
constexpr PathStyle P = PathStyle::Posix;
constexpr ConversionMode Text = ConversionMode::Text;
constexpr ConversionMode Rtf = ConversionMode::Rtf;
constexpr ConversionMode Tables = ConversionMode::RtfTables;

TEST(MakeOutputPathTest, Names) {
  const Case cases[] = {
      {"C:\\a.b\\page.htm", "D:\\o\\", Tables, W, "D:\\o\\page.rtf"},
      {"C:\\web\\site\\page.html", "D:\\out", Rtf, W, "D:\\out\\page.rtf"},
      {"C:\\web\\site\\page.html", "D:\\out\\", Text, W, "D:\\out\\page.txt"},
      {"index", "D:\\o\\", Text, W, "D:\\o\\index.txt"},
      {"C:\\x\\report.final.htm", "D:\\o\\", Rtf, W, "D:\\o\\report.final.rtf"},
      {"C:\\x\\.htaccess", "D:\\o\\", Text, W, "D:\\o\\.txt"},
      {"C:\\x\\name.", "D:\\o\\", Text, W, "D:\\o\\name.txt"},
      {"C:\\dir.v2\\page", "D:\\o\\", Rtf, W, "D:\\o\\page.rtf"},  // the dot is not in the name
      // Windows style: both separators split the path, and a directory ending in "/" needs
      // no backslash.
      {"C:/web/page.htm", "D:/out/", Rtf, W, "D:/out/page.rtf"},
      {"C:\\web/sub\\page.htm", "D:/out", Rtf, W, "D:/out\\page.rtf"},
      // Posix style: a backslash is part of the name.
      {"/srv/web/page.htm", "/tmp/out", Text, P, "/tmp/out/page.txt"},
      {"/srv/web/page.htm", "/tmp/out/", Rtf, P, "/tmp/out/page.rtf"},
      {"/srv/a\\b.htm", "/tmp/o", Rtf, P, "/tmp/o/a\\b.rtf"},
      {"C:\\a.b\\page", "D:\\o", Tables, P, "D:\\o/C:\\a.rtf"},
      {"page.htm", "", Text, P, "page.txt"},
      {"page.htm", "", Text, W, "page.txt"},
  };
  for (const Case& c : cases) {
    std::string out = "stale";
    EXPECT_TRUE(MakeOutputPath(c.input, c.directory, c.mode, c.style, out));
    EXPECT_EQ(out, c.output) << c.input << " into " << c.directory;
  }
}

TEST(MakeOutputPathTest, WindowsLimitOf259Characters) {
  // "D:\" + name + ".txt": the name's length decides.
  auto make = [](size_t nameLength, PathStyle style, std::string& out) {
    return MakeOutputPath("C:\\in\\" + std::string(nameLength, 'n') + ".htm", "D:\\",
                          Text, style, out);
  };
  std::string out;
  EXPECT_TRUE(make(252, W, out));
  EXPECT_EQ(out.size(), 259u);
  EXPECT_FALSE(make(253, W, out));
  EXPECT_EQ(out.size(), 260u);
  EXPECT_TRUE(make(253, P, out));
  EXPECT_TRUE(make(5000, P, out));
}

TEST(OutputExtensionTest, Modes) {
  EXPECT_STREQ(OutputExtension(Text), ".txt");
  EXPECT_STREQ(OutputExtension(Rtf), ".rtf");
  EXPECT_STREQ(OutputExtension(Tables), ".rtf");
  EXPECT_STREQ(OutputExtension(ToConversionMode(7)), ".rtf");
  EXPECT_STREQ(OutputExtension(ToConversionMode(-1)), ".rtf");
}

TEST(FileNameStartTest, Styles) {
  EXPECT_EQ(FileNameStart("C:\\a\\b.htm", W), 5u);
  EXPECT_EQ(FileNameStart("C:\\a\\b.htm", P), 0u);
  EXPECT_EQ(FileNameStart("/a/b/", P), 5u);
  EXPECT_EQ(FileNameStart("a/b\\c", W), 4u);
  EXPECT_EQ(FileNameStart("", W), 0u);
}

}  // namespace
}  // namespace vellumine
