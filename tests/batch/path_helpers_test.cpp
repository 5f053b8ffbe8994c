// The walk's name filter and directory helpers.
#include <gtest/gtest.h>

#include "directory_path.h"
#include "html_file_name.h"

namespace vellumine {
namespace {

TEST(IsHtmlFileName, QualifyingAndNot) {
  // The extension's letters anywhere in the name qualify it ("htmfile", "myaspnotes").
  for (const char* name : {"page.htm", "index.HTML", "a.shtml", "a.phtml", "a.xhtml",
                           "default.ASPX", "htmfile", "myaspnotes", ".htm", "report.final.htm"}) {
    EXPECT_TRUE(IsHtmlFileName(name)) << name;
  }
  for (const char* name : {"notes.txt", "readme", "html.txt", "page.htm.bak", ".htaccess", "",
                           ".", "..", "x.h-t-m"}) {
    EXPECT_FALSE(IsHtmlFileName(name)) << name;
  }
}

TEST(DirectoryPath, CutAndAppendInBothStyles) {
  using enum PathStyle;
  struct Case {
    const char* path;
    PathStyle style;
    const char* directory;  // CutToDirectory
    const char* appended;   // AppendSeparator
  } cases[] = {
      {"C:\\web\\page.htm", Windows, "C:\\web\\", "C:\\web\\page.htm\\"},
      {"C:\\web\\", Windows, "C:\\web\\", "C:\\web\\"},
      {"C:/web/", Windows, "C:/web/", "C:/web/"},
      {"", Windows, "", "\\"},
      {"/srv/web/page.htm", Posix, "/srv/web/", "/srv/web/page.htm/"},
      {"web\\", Posix, "", "web\\/"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CutToDirectory(c.path, c.style), c.directory) << c.path;
    std::string path = c.path;
    AppendSeparator(path, c.style);
    EXPECT_EQ(path, c.appended) << c.path;
  }
}

}  // namespace
}  // namespace vellumine
