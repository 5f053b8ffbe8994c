// Output file names in both path styles, whatever the platform the tests run on.
#include "output_path.h"

#include <gtest/gtest.h>

#include <string>

namespace vellumine {
namespace {

constexpr PathStyle W = PathStyle::Windows;
constexpr PathStyle P = PathStyle::Posix;
constexpr vellumine_format Text = VELLUMINE_FORMAT_TEXT;
constexpr vellumine_format Rtf = VELLUMINE_FORMAT_RTF;

TEST(MakeOutputPathTest, Names) {
  struct Case {
    const char* input;
    const char* directory;
    vellumine_format format;
    PathStyle style;
    const char* output;
  };
  const Case cases[] = {
      {"C:\\a.b\\page.htm", "D:\\o\\", Rtf, W, "D:\\o\\page.rtf"},
      {"C:\\web\\site\\page.html", "D:\\out", Rtf, W, "D:\\out\\page.rtf"},
      {"index", "D:\\o\\", Text, W, "D:\\o\\index.txt"},
      {"C:\\x\\report.final.htm", "D:\\o\\", Rtf, W, "D:\\o\\report.final.rtf"},
      {"C:\\x\\name.", "D:\\o\\", Text, W, "D:\\o\\name.txt"},
      {"C:\\dir.v2\\page", "D:\\o\\", Rtf, W, "D:\\o\\page.rtf"},  // the dot is not in the name
      {"page.htm", "", Text, W, "page.txt"},
      // Windows style: both separators split the path, and a directory ending in "/" needs
      // no backslash.
      {"C:/web/page.htm", "D:/out/", Rtf, W, "D:/out/page.rtf"},
      {"C:\\web/sub\\page.htm", "D:/out", Rtf, W, "D:/out\\page.rtf"},
      // Posix style: a backslash is part of the name.
      {"/srv/web/page.htm", "/tmp/out", Text, P, "/tmp/out/page.txt"},
      {"C:\\a.b\\page", "D:\\o", Rtf, P, "D:\\o/C:\\a.rtf"},
  };
  for (const Case& c : cases) {
    std::string out = "stale";
    EXPECT_TRUE(MakeOutputPath(c.input, c.directory, c.format, c.style, out));
    EXPECT_EQ(out, c.output) << c.input << " into " << c.directory;
  }
}

// The 259-character limit holds in the Windows style only (at its boundary: ConvertFileTest).
TEST(MakeOutputPathTest, NoLimitInPosixStyle) {
  std::string out;
  EXPECT_TRUE(MakeOutputPath("/in/" + std::string(5000, 'n'), "/", Text, P, out));
  EXPECT_FALSE(MakeOutputPath("C:\\in\\" + std::string(5000, 'n'), "D:\\", Text, W, out));
}

}  // namespace
}  // namespace vellumine
