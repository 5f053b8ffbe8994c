// The input file, opened in binary mode: the engine applies the text-mode read
// transformation itself so that every platform reads the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "translation/raw_text_source.h"

namespace vellumine {

class InputFile final : public RawTextSource {
 public:
  InputFile() = default;
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // Opens a regular file for reading and learns its size; false for a missing or
  // unreadable file and for a directory.
  bool Open(const char* path);
  uint64_t size() const { return size_; }
  std::FILE* file() const { return file_; }

  // Reads up to n bytes from offset (fewer at the end of the file); false when the read
  // fails outright.
  bool ReadAt(uint64_t offset, char* into, size_t n, size_t& got) override;
  // The same from the start.
  bool ReadAll(char* data, size_t n, size_t& got);

 private:
  std::FILE* file_ = nullptr;
  uint64_t size_ = 0;
};

}  // namespace vellumine
