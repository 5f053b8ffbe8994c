#include "input_file.h"

#include "system_path.h"

#include <sys/stat.h>
#include <sys/types.h>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <cerrno>
#include <unistd.h>
#endif

namespace vellumine {

InputFile::~InputFile() {
  if (file_) std::fclose(file_);
}

bool InputFile::Open(const char* path) {
  file_ = OpenFile(path, "rb");
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

bool InputFile::ReadAt(uint64_t offset, char* into, size_t n, size_t& got) {
  // Reads at an offset leave the file position alone, so two parts can be read at once.
  got = 0;
  if (!file_) return false;
  while (got < n) {
    size_t part = n - got < (size_t{1} << 30) ? n - got : size_t{1} << 30;
#ifdef _WIN32
    OVERLAPPED at = {};
    uint64_t from = offset + got;
    at.Offset = static_cast<DWORD>(from);
    at.OffsetHigh = static_cast<DWORD>(from >> 32);
    DWORD read = 0;
    HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file_)));
    if (!ReadFile(handle, into + got, static_cast<DWORD>(part), &read, &at)) {
      if (GetLastError() == ERROR_HANDLE_EOF) break;
      return false;
    }
#else
    ssize_t read = pread(fileno(file_), into + got, part, static_cast<off_t>(offset + got));
    if (read < 0) {
      if (errno == EINTR) continue;
      return false;
    }
#endif
    if (read == 0) break;
    got += static_cast<size_t>(read);
  }
  return true;
}

bool InputFile::ReadAll(char* data, size_t n, size_t& got) { return ReadAt(0, data, n, got); }

}  // namespace vellumine
