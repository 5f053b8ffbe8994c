#include "input_file.h"

#include <sys/stat.h>
#include <sys/types.h>

#ifdef _WIN32
#include <io.h>
#endif

namespace vellumine {

InputFile::~InputFile() {
  if (file_) std::fclose(file_);
}

bool InputFile::Open(const char* path) {
  file_ = std::fopen(path, "rb");
  if (!file_) return false;
  // fopen succeeds on a directory on some systems; only a regular file is an input.
#ifdef _WIN32
  struct _stati64 status;
  bool known = _fstati64(_fileno(file_), &status) == 0;
  bool regular = known && (status.st_mode & _S_IFMT) == _S_IFREG;
#else
  struct stat status;
  bool known = fstat(fileno(file_), &status) == 0;
  bool regular = known && S_ISREG(status.st_mode);
#endif
  if (!regular) {
    std::fclose(file_);
    file_ = nullptr;
    return false;
  }
  size_ = static_cast<uint64_t>(status.st_size);
  return true;
}

bool InputFile::ReadAll(char* data, size_t n, size_t& got) {
  got = 0;
  while (got < n) {
    size_t part = std::fread(data + got, 1, n - got, file_);
    got += part;
    if (part == 0) break;
  }
  return !std::ferror(file_);
}

}  // namespace vellumine
