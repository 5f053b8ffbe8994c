// A file that replaces its target whole: written under a temporary name in the target's
// directory and renamed over the target only when complete, so that the target holds either
// its previous bytes or all of the new ones, whenever the writer stops. A symbolic link to a
// file is kept: the file it leads to is replaced. A target that is no file (a device, a
// pipe) cannot be replaced and is written directly.
#pragma once

#include <cstdio>
#include <string>

namespace vellumine {

class ReplacementFile {
 public:
  ReplacementFile() = default;
  ~ReplacementFile();  // an uncommitted temporary file is closed and removed
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  // Creates the temporary file beside target. False when target cannot be written (a
  // directory, a read-only or locked file) or the temporary file cannot be created.
  bool Create(const std::string& target);

  std::FILE* file() const { return file_; }
  // Whether a file was under the target's name when the temporary file was created.
  bool replacesFile() const { return replacesFile_; }
  const std::string& temporaryPath() const { return temporary_; }

  // Closes the temporary file and renames it over the target (replacing a previous file).
  // False, with the temporary file removed and any previous target untouched, when closing
  // or renaming fails.
  bool Commit();

  // Closes and removes the temporary file; the target stays as it was.
  void Discard();

 private:
  std::FILE* file_ = nullptr;
  std::string target_;     // the file to replace (a link's destination)
  std::string temporary_;  // empty when writing directly or when nothing is open
  bool replacesFile_ = false;
};

// Writes bytes as the whole new content of path, through a ReplacementFile.
bool ReplaceFileContent(const std::string& path, const char* bytes, size_t n);

}  // namespace vellumine
