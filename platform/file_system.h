// The file-system calls of the Convert command, behind an interface for tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "path_style.h"

namespace vellumine {

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  virtual bool Exists(const std::string& path) = 0;       // any kind of entry
  virtual bool IsDirectory(const std::string& path) = 0;
  virtual bool MakeDirectory(const std::string& path) = 0; // one level
  // The entry names a listing pattern ("dir\*.*") returns, in the platform's walk order
  // (byte order of names on POSIX); false when the listing cannot be started.
  virtual bool ListDirectory(const std::string& pattern, std::vector<std::string>& names) = 0;
  // A symbolic link (or another reparse point), which a recursive walk does not follow.
  virtual bool IsLink(const std::string&) { return false; }
  // The time of the last change to the file, in the platform's units; false when unknown.
  virtual bool ModificationTime(const std::string&, int64_t&) { return false; }
  // What the file system compares when it looks a file's path up: two paths with the same
  // key name one file (the directory resolved, and on Windows case ignored). By default
  // the path itself.
  virtual std::string NameKey(const std::string& path) { return path; }
};

// Makes a directory and every missing one above it (a path ending in a separator is fine);
// false when one of them cannot be made.
bool MakeDirectories(FileSystem& files, const std::string& path, PathStyle style);

// The real file system (the wide file functions on Windows, paths in UTF-8).
FileSystem& NativeFileSystem();

}  // namespace vellumine
