// A file in the system's temporary directory that holds a stream's bytes for a reader that
// needs a file it can read again: created under a fresh name that no one else holds,
// readable by its owner alone, and removed when this is destroyed.
#pragma once

#include <cstdio>
#include <string>

namespace vellumine {

class SpoolFile {
 public:
  SpoolFile() = default;
  ~SpoolFile();  // closed and removed
  SpoolFile(const SpoolFile&) = delete;
  SpoolFile& operator=(const SpoolFile&) = delete;

  // Creates the empty file, open for writing and reading; false when none can be made.
  bool Create();
  std::FILE* file() const { return file_; }
  // Closes the file for writing; false when a write failed. It stays until destruction.
  bool Close();
  // Its UTF-8 path.
  const std::string& path() const { return path_; }

 private:
  std::FILE* file_ = nullptr;
  std::string path_;
};

// Whether an open stream is a regular file (not a pipe, a terminal or a device).
bool IsRegularFile(std::FILE* stream);

}  // namespace vellumine
