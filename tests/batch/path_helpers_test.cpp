// The walk's name filter and directory helpers.
#include <gtest/gtest.h>

#include "directory_path.h"
#include "html_file_name.h"

namespace vellumine {
namespace {

TEST(IsHtmlFileName, QualifyingAndNot) {
  struct Case {
    const char* name;
    bool html;
  } cases[] = {
      {"page.htm", true},      {"index.HTML", true},     {"a.shtml", true},
      {"a.phtml", true},       {"a.xhtml", true},        {"default.asp", true},
      {"default.ASPX", true},  {"htmfile", true},        {"myaspnotes", true},
      {"notes.txt", false},    {"readme", false},        {"html.txt", false},
      {"page.htm.bak", false}, {".htaccess", false},     {".htm", true},
      {"a.HtM", true},         {"", false},              {".", false},
      {"..", false},           {"x.h-t-m", false},       {"report.final.htm", true},
  };
  for (const Case& c : cases) EXPECT_EQ(IsHtmlFileName(c.name), c.html) << '"' << c.name << '"';
}

TEST(CutToDirectory, BothStyles) {
  struct Case {
    const char* path;
    PathStyle style;
    const char* directory;
  } cases[] = {
      {"C:\\web\\page.htm", PathStyle::Windows, "C:\\web\\"},
      {"C:\\web\\", PathStyle::Windows, "C:\\web\\"},
      {"C:/web/page.htm", PathStyle::Windows, "C:/web/"},
      {"page.htm", PathStyle::Windows, ""},
      {"", PathStyle::Windows, ""},
      {"/srv/web/page.htm", PathStyle::Posix, "/srv/web/"},
      {"web\\page.htm", PathStyle::Posix, ""},
      {"page.htm", PathStyle::Posix, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CutToDirectory(c.path, c.style), c.directory) << c.path;
  }
}

TEST(AppendSeparator, OnlyWhenMissing) {
  struct Case {
    const char* path;
    PathStyle style;
    const char* result;
  } cases[] = {
      {"D:\\out", PathStyle::Windows, "D:\\out\\"}, {"D:\\out\\", PathStyle::Windows, "D:\\out\\"},
      {"D:/out/", PathStyle::Windows, "D:/out/"},   {"", PathStyle::Windows, "\\"},
      {"out", PathStyle::Posix, "out/"},            {"out/", PathStyle::Posix, "out/"},
      {"out\\", PathStyle::Posix, "out\\/"},
  };
  for (const Case& c : cases) {
    std::string path = c.path;
    AppendSeparator(path, c.style);
    EXPECT_EQ(path, c.result) << c.path;
  }
}

}  // namespace
}  // namespace vellumine
