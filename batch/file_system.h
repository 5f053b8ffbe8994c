// The file-system calls of the Convert command, behind an interface for tests.
#pragma once

#include <string>
#include <vector>

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
};

// The real file system (ANSI file functions on Windows).
FileSystem& NativeFileSystem();

}  // namespace vellumine
