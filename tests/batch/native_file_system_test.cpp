#include "file_system.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "temp_directory.h"

namespace vellumine {
namespace {

using testing::TempDirectory;

TEST(NativeFileSystem, ExistenceAndKind) {
  TempDirectory dir;
  dir.Write("page.htm", "<p>x");
  FileSystem& files = NativeFileSystem();
  std::string root = dir.path();  // ends in a separator
  std::string bare = root.substr(0, root.size() - 1);

  EXPECT_TRUE(files.Exists(root));
  EXPECT_TRUE(files.Exists(bare));
  EXPECT_TRUE(files.IsDirectory(root));
  EXPECT_TRUE(files.IsDirectory(bare));
  EXPECT_TRUE(files.Exists(root + "page.htm"));
  EXPECT_FALSE(files.IsDirectory(root + "page.htm"));
  EXPECT_FALSE(files.Exists(root + "missing"));
  EXPECT_FALSE(files.IsDirectory(root + "missing"));
}

TEST(NativeFileSystem, MakesOneLevelOnly) {
  TempDirectory dir;
  FileSystem& files = NativeFileSystem();
  EXPECT_TRUE(files.MakeDirectory(dir.path() + "out"));
  EXPECT_TRUE(files.IsDirectory(dir.path() + "out"));
  EXPECT_FALSE(files.MakeDirectory(dir.path() + "out"));  // already there
#ifdef _WIN32
  EXPECT_TRUE(files.MakeDirectory(dir.path() + "second\\"));
  EXPECT_FALSE(files.MakeDirectory(dir.path() + "a\\b\\"));
#else
  EXPECT_TRUE(files.MakeDirectory(dir.path() + "second/"));
  EXPECT_FALSE(files.MakeDirectory(dir.path() + "a/b/"));
#endif
  EXPECT_TRUE(files.IsDirectory(dir.path() + "second"));
  EXPECT_FALSE(files.Exists(dir.path() + "a"));
}

TEST(NativeFileSystem, Listing) {
  TempDirectory dir;
  std::vector<std::string> created = {"b.htm", "a.htm", "_x.html", "z.txt", "\xE0.htm"};
#ifndef _WIN32
  created.push_back("B.htm");  // a name of its own only where case matters
#endif
  for (const std::string& name : created) dir.Write(name, "x");
  std::filesystem::create_directory(dir.path() + "sub.htm");

  std::vector<std::string> names;
  ASSERT_TRUE(NativeFileSystem().ListDirectory(dir.path() + "*.*", names));
  std::vector<std::string> entries;
  for (const std::string& name : names) {
    if (name != "." && name != "..") entries.push_back(name);
  }
#ifdef _WIN32
  // The listing's own order; every entry is there.
  std::sort(entries.begin(), entries.end());
#endif
  // Byte order: upper case before "_" before lower case, and 0xE0 last.
  std::vector<std::string> expected = {"_x.html", "a.htm", "b.htm", "sub.htm", "z.txt",
                                       "\xE0.htm"};
#ifndef _WIN32
  expected.insert(expected.begin(), "B.htm");
#endif
  EXPECT_EQ(entries, expected);

  EXPECT_FALSE(NativeFileSystem().ListDirectory(dir.path() + "missing" +
                                                    dir.path().back() + "*.*",
                                                names));
}

}  // namespace
}  // namespace vellumine
