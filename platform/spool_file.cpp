#include "spool_file.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdlib>
#include <vector>

#include "system_path.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace vellumine {

SpoolFile::~SpoolFile() {
  if (file_) std::fclose(file_);
  if (!path_.empty()) RemoveFile(path_);
}

#ifdef _WIN32

bool SpoolFile::Create() {
  const DWORD length = GetTempPathW(0, nullptr);
  if (length == 0) return false;
  std::vector<wchar_t> directory(length + 1);
  if (GetTempPathW(length + 1, directory.data()) == 0) return false;
  // GetTempFileNameW creates the file under a name no other file holds.
  wchar_t name[MAX_PATH + 1];
  if (GetTempFileNameW(directory.data(), L"vel", 0, name) == 0) return false;
  path_ = Utf8FromUtf16(name);
  file_ = _wfopen(name, L"w+b");
  return file_ != nullptr;
}

bool IsRegularFile(std::FILE* stream) {
  struct _stati64 status;
  return _fstati64(_fileno(stream), &status) == 0 && (status.st_mode & _S_IFMT) == _S_IFREG;
}

#else

bool SpoolFile::Create() {
  const char* directory = std::getenv("TMPDIR");
  std::string name = std::string(directory && *directory ? directory : "/tmp") +
                     "/vellumine-XXXXXX";
  const int fd = mkstemp(name.data());  // a new file, mode 0600
  if (fd < 0) return false;
  path_ = name;
  file_ = fdopen(fd, "w+b");
  if (!file_) close(fd);
  return file_ != nullptr;
}

bool IsRegularFile(std::FILE* stream) {
  struct stat status;
  return fstat(fileno(stream), &status) == 0 && S_ISREG(status.st_mode);
}

#endif

bool SpoolFile::Close() {
  if (!file_) return false;
  const bool writesFailed = std::ferror(file_) != 0;
  const bool closed = std::fclose(file_) == 0;  // closed whatever happened before
  const bool written = !writesFailed && closed;
  file_ = nullptr;
  return written;
}

}  // namespace vellumine
