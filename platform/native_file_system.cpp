// The real file system: the wide functions on Windows (names in UTF-8 inside, see
// system_path.h), POSIX calls elsewhere.
#include <algorithm>
#include <cstdlib>

#include "file_system.h"
#include "path_style.h"
#include "system_path.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <sys/stat.h>
#include <sys/types.h>
#endif

namespace vellumine {

namespace {

#ifdef _WIN32

// The directory functions refuse "C:\dir\"; a drive root ("C:\", "\") keeps its separator.
std::wstring WithoutTrailingSeparators(const std::string& path) {
  std::string trimmed = path;
  while (trimmed.size() > 1 && IsPathSeparator(trimmed.back(), PathStyle::Windows)) {
    if (trimmed.size() == 3 && trimmed[1] == ':') break;
    trimmed.pop_back();
  }
  return SystemPath(trimmed);
}

bool Attributes(const std::string& path, WIN32_FILE_ATTRIBUTE_DATA& data) {
  return GetFileAttributesExW(WithoutTrailingSeparators(path).c_str(), GetFileExInfoStandard,
                              &data) != 0;
}

// One FindFirstFile listing, closed when it goes out of scope.
class FindHandle {
 public:
  FindHandle(const std::string& pattern, WIN32_FIND_DATAW& entry)
      : handle_(FindFirstFileW(SystemPath(pattern).c_str(), &entry)) {}
  ~FindHandle() {
    if (handle_ != INVALID_HANDLE_VALUE) FindClose(handle_);
  }
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  bool started() const { return handle_ != INVALID_HANDLE_VALUE; }
  bool Next(WIN32_FIND_DATAW& entry) { return FindNextFileW(handle_, &entry) != 0; }

 private:
  HANDLE handle_;
};

class WindowsFileSystem final : public FileSystem {
 public:
  bool Exists(const std::string& path) override {
    WIN32_FILE_ATTRIBUTE_DATA data;
    return Attributes(path, data);
  }
  bool IsDirectory(const std::string& path) override {
    WIN32_FILE_ATTRIBUTE_DATA data;
    return Attributes(path, data) && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  }
  bool MakeDirectory(const std::string& path) override {
    return CreateDirectoryW(WithoutTrailingSeparators(path).c_str(), nullptr) != 0;
  }
  bool IsLink(const std::string& path) override {
    WIN32_FILE_ATTRIBUTE_DATA data;
    return Attributes(path, data) && (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  }
  // In 100-nanosecond steps.
  bool ModificationTime(const std::string& path, int64_t& time) override {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!Attributes(path, data)) return false;
    time = static_cast<int64_t>(static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32 |
                                data.ftLastWriteTime.dwLowDateTime);
    return true;
  }
  // The full path (GetFullPathName resolves "." and ".."), in one letter case: the file
  // system ignores case.
  std::string NameKey(const std::string& path) override {
    const std::wstring wide = Utf16FromUtf8(path);
    const DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    std::wstring key = wide;
    if (needed > 0) {
      std::wstring full(needed, L'\0');
      const DWORD length = GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
      if (length > 0 && length < needed) key.assign(full, 0, length);
    }
    if (!key.empty()) CharUpperBuffW(key.data(), static_cast<DWORD>(key.size()));
    return Utf8FromUtf16(key);
  }
  // In the listing's own order.
  bool ListDirectory(const std::string& pattern, std::vector<std::string>& names) override {
    names.clear();
    WIN32_FIND_DATAW entry;
    FindHandle find(pattern, entry);
    if (!find.started()) return false;
    do {
      names.push_back(Utf8FromUtf16(entry.cFileName));
    } while (find.Next(entry));
    return true;
  }
};

#else

// One opendir listing, closed when it goes out of scope.
class DirHandle {
 public:
  explicit DirHandle(const std::string& directory) : dir_(opendir(directory.c_str())) {}
  ~DirHandle() {
    if (dir_ != nullptr) closedir(dir_);
  }
  DirHandle(const DirHandle&) = delete;
  DirHandle& operator=(const DirHandle&) = delete;
  bool started() const { return dir_ != nullptr; }
  const char* Next() {
    const dirent* entry = readdir(dir_);
    return entry != nullptr ? entry->d_name : nullptr;
  }

 private:
  DIR* dir_;
};

class PosixFileSystem final : public FileSystem {
 public:
  bool Exists(const std::string& path) override {
    struct stat status;
    return stat(path.c_str(), &status) == 0;
  }
  bool IsDirectory(const std::string& path) override {
    struct stat status;
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
  }
  bool MakeDirectory(const std::string& path) override {
    return mkdir(path.c_str(), 0777) == 0;
  }
  bool IsLink(const std::string& path) override {
    std::string entry = path;
    while (entry.size() > 1 && entry.back() == '/') entry.pop_back();
    struct stat status;
    return lstat(entry.c_str(), &status) == 0 && S_ISLNK(status.st_mode);
  }
  bool ModificationTime(const std::string& path, int64_t& time) override {
    struct stat status;
    if (stat(path.c_str(), &status) != 0) return false;
    time = static_cast<int64_t>(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
    return true;
  }
  // The directory resolved (links, "." and ".."), and the name as it is.
  std::string NameKey(const std::string& path) override {
    const size_t nameStart = FileNameStart(path, PathStyle::Posix);
    std::string directory = path.substr(0, nameStart);
    char* resolved = realpath(directory.empty() ? "." : directory.c_str(), nullptr);
    if (resolved == nullptr) return path;
    std::string key = std::string(resolved) + "/" + path.substr(nameStart);
    std::free(resolved);
    return key;
  }
  // The pattern's directory part is listed ("*.*" stands for every entry), and the names
  // come back in byte order: the order of readdir means nothing.
  bool ListDirectory(const std::string& pattern, std::vector<std::string>& names) override {
    names.clear();
    std::string directory = pattern.substr(0, FileNameStart(pattern, PathStyle::Posix));
    DirHandle dir(directory.empty() ? "." : directory);
    if (!dir.started()) return false;
    while (const char* name = dir.Next()) names.emplace_back(name);
    std::sort(names.begin(), names.end());
    return true;
  }
};

#endif

}  // namespace

bool MakeDirectories(FileSystem& files, const std::string& path, PathStyle style) {
  // Each level from the top: a level that exists is passed, a missing one made.
  for (size_t at = 0; at < path.size(); ++at) {
    bool last = at + 1 == path.size();
    if (!IsPathSeparator(path[at], style) && !last) continue;
    std::string level = path.substr(0, last ? path.size() : at + 1);
    if (at == 0 || files.Exists(level)) continue;
    if (!files.MakeDirectory(level)) return false;
  }
  return true;
}

FileSystem& NativeFileSystem() {
#ifdef _WIN32
  static WindowsFileSystem files;
#else
  static PosixFileSystem files;
#endif
  return files;
}

}  // namespace vellumine
