// The output file: every line feed reaches it as CR LF, and any failed write, flush or
// close is remembered so that the job can report it and remove the partial file.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>

#include "output_stream.h"

namespace vellumine {

class FileOutputStream final : public OutputStream {
 public:
  FileOutputStream() = default;
  ~FileOutputStream() override;  // closes without reporting
  FileOutputStream(const FileOutputStream&) = delete;
  FileOutputStream& operator=(const FileOutputStream&) = delete;

  // Creates (or truncates) the file; false when it cannot be opened for writing.
  bool Open(const char* path);
  using OutputStream::Write;
  void Write(const char* data, size_t n) override;
  // Writes what is staged, flushes and closes; false when anything failed on the way.
  bool Close();
  bool failed() const { return failed_; }

 private:
  static constexpr size_t kStagingSize = 64 * 1024;
  void Flush();

  std::FILE* file_ = nullptr;
  std::unique_ptr<char[]> staging_;  // line ends already expanded, waiting for fwrite
  size_t staged_ = 0;                // bytes in staging_
  bool failed_ = false;              // a write, flush or close failed
};

}  // namespace vellumine
