#include "replacement_file.h"

#include "system_path.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>
#include <process.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace vellumine {
namespace {

// What is under a target's name now.
enum class TargetKind {
  Missing,     // nothing: a new file is made
  File,        // a file that opens for writing (which changes nothing in it)
  Device,      // something else that opens for writing: a device or a pipe
  Unwritable,  // a directory, a read-only or locked file, or no way to tell
};

#ifdef _WIN32
TargetKind InspectTarget(const std::string& target, std::string& resolved) {
  resolved = target;
  HANDLE handle = CreateFileW(SystemPath(target).c_str(), GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND ? TargetKind::Missing : TargetKind::Unwritable;
  }
  DWORD type = GetFileType(handle);
  CloseHandle(handle);
  return type == FILE_TYPE_DISK ? TargetKind::File : TargetKind::Device;
}
int CreateNew(const std::string& path) {
  return _wopen(SystemPath(path).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY,
                _S_IREAD | _S_IWRITE);
}
void CloseDescriptor(int fd) { _close(fd); }
std::FILE* StreamOf(int fd) { return _fdopen(fd, "wb"); }
unsigned ProcessId() { return static_cast<unsigned>(_getpid()); }
bool RenameOver(const std::string& from, const std::string& to) {
  return MoveFileExW(SystemPath(from).c_str(), SystemPath(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING) != 0;
}
#else
TargetKind InspectTarget(const std::string& target, std::string& resolved) {
  resolved = target;
  int fd = open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? TargetKind::Missing : TargetKind::Unwritable;
  struct stat status;
  bool known = fstat(fd, &status) == 0;
  close(fd);
  if (!known) return TargetKind::Unwritable;
  if (!S_ISREG(status.st_mode)) return TargetKind::Device;
  struct stat link;
  if (lstat(target.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
    std::unique_ptr<char, decltype(&std::free)> real(realpath(target.c_str(), nullptr), &std::free);
    if (!real) return TargetKind::Unwritable;
    resolved = real.get();
  }
  return TargetKind::File;
}
int CreateNew(const std::string& path) {
  // As fopen's "w" makes it.
  return open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}
void CloseDescriptor(int fd) { close(fd); }
std::FILE* StreamOf(int fd) { return fdopen(fd, "wb"); }
unsigned ProcessId() { return static_cast<unsigned>(getpid()); }
bool RenameOver(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}
#endif

#ifdef _WIN32
bool IsSeparator(char c) { return c == '\\' || c == '/'; }
#else
bool IsSeparator(char c) { return c == '/'; }
#endif
// The longest name of one directory entry the file systems take.
constexpr size_t kLongestName = 255;

std::atomic<unsigned> temporaryCounter{0};

// A temporary name beside target: "page.rtf.<process>-<n>.tmp", or, where that would make
// too long a name, "~" and hexadecimal digits, exactly as long as the target's name.
std::string TemporaryName(const std::string& target, unsigned n, bool shortForm) {
  size_t start = target.size();
  while (start > 0 && !IsSeparator(target[start - 1])) --start;
  std::string name = target + "." + std::to_string(ProcessId()) + "-" + std::to_string(n) + ".tmp";
  if (!shortForm && name.size() - start <= kLongestName) return name;
  name = target.substr(0, start) + "~";
  uint64_t bits = (static_cast<uint64_t>(ProcessId()) << 32 | n) * 0x9E3779B97F4A7C15ull;
  for (size_t i = start + 1; i < target.size(); ++i, bits = bits >> 4 | bits << 60)
    name += "0123456789abcdef"[bits & 0xF];
  return name;
}

}  // namespace

ReplacementFile::~ReplacementFile() { Discard(); }

bool ReplacementFile::Create(const std::string& target) {
  Discard();
  const TargetKind kind = InspectTarget(target, target_);
  replacesFile_ = kind == TargetKind::File;
  switch (kind) {
    case TargetKind::Unwritable:
      return false;
    case TargetKind::Device:
      file_ = OpenFile(target_, "wb");
      return file_ != nullptr;
    case TargetKind::Missing:
    case TargetKind::File:
      break;
  }
  // Another name is tried while one is taken, and the short form when the long one is.
  bool shortForm = false;
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary_ = TemporaryName(target_, temporaryCounter.fetch_add(1), shortForm);
    int fd = CreateNew(temporary_);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      if (errno == ENAMETOOLONG && !shortForm) {
        shortForm = true;
        continue;
      }
      break;
    }
    file_ = StreamOf(fd);
    if (file_ != nullptr) return true;
    CloseDescriptor(fd);
    RemoveFile(temporary_);
    break;
  }
  temporary_.clear();
  return false;
}

bool ReplacementFile::Commit() {
  if (file_ == nullptr) return false;
  bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (temporary_.empty()) return closed;  // written directly
  bool renamed = closed && RenameOver(temporary_, target_);
  if (!renamed) RemoveFile(temporary_);
  temporary_.clear();
  return renamed;
}

void ReplacementFile::Discard() {
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
  }
  if (!temporary_.empty()) {
    RemoveFile(temporary_);
    temporary_.clear();
  }
}

bool ReplaceFileContent(const std::string& path, const char* bytes, size_t n) {
  ReplacementFile file;
  if (!file.Create(path)) return false;
  if (std::fwrite(bytes, 1, n, file.file()) != n) return false;  // removed by the destructor
  return file.Commit();
}

}  // namespace vellumine
