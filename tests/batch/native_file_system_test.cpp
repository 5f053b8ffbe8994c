#include "file_system.h"

#include <gtest/gtest.h>

#include "temp_directory.h"

namespace vellumine {
namespace {

TEST(NativeFileSystem, ExistenceKindAndOneLevelCreation) {
  testing::TempDirectory dir;
  dir.Write("page.htm", "<p>x");
  FileSystem& files = NativeFileSystem();
  const std::string root = dir.path();  // ends in a separator
  const char sep = root.back();
  for (const std::string& path : {root, dir.bare()}) {
    EXPECT_TRUE(files.Exists(path) && files.IsDirectory(path)) << path;
  }
  EXPECT_TRUE(files.Exists(root + "page.htm"));
  EXPECT_FALSE(files.IsDirectory(root + "page.htm"));
  EXPECT_FALSE(files.Exists(root + "missing") || files.IsDirectory(root + "missing"));

  EXPECT_TRUE(files.MakeDirectory(root + "out"));
  EXPECT_TRUE(files.IsDirectory(root + "out"));
  EXPECT_FALSE(files.MakeDirectory(root + "out"));  // already there
  EXPECT_TRUE(files.MakeDirectory(root + "second" + sep));
  EXPECT_FALSE(files.MakeDirectory(root + "a" + sep + "b" + sep));
  EXPECT_FALSE(files.Exists(root + "a"));
}

}  // namespace
}  // namespace vellumine
