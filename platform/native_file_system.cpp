// The real file system: the C runtime's ANSI functions on Windows (names are bytes in the
// system's code page, passed through untouched), POSIX calls elsewhere.
#include <algorithm>
#include <cstdlib>

#include "file_system.h"
#include "path_style.h"

#ifdef _WIN32
#include <windows.h>
#include <direct.h>
#include <io.h>
#include <sys/stat.h>
#include <sys/types.h>
#else
#include <dirent.h>
#include <sys/stat.h>
#include <sys/types.h>
#endif

namespace vellumine {

namespace {

#ifdef _WIN32

// The runtime's stat and mkdir refuse "C:\dir\"; a drive root ("C:\", "\") keeps its
// separator.
std::string WithoutTrailingSeparators(const std::string& path) {
  std::string trimmed = path;
  while (trimmed.size() > 1 && IsPathSeparator(trimmed.back(), PathStyle::Windows)) {
    if (trimmed.size() == 3 && trimmed[1] == ':') break;
    trimmed.pop_back();
  }
  return trimmed;
}

// One _findfirst listing, closed when it goes out of scope.
class FindHandle {
 public:
  FindHandle(const std::string& pattern, _finddata_t& entry)
      : handle_(_findfirst(pattern.c_str(), &entry)) {}
  ~FindHandle() {
    if (handle_ != -1) _findclose(handle_);
  }
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  bool started() const { return handle_ != -1; }
  bool Next(_finddata_t& entry) { return _findnext(handle_, &entry) == 0; }

 private:
  intptr_t handle_;
};

class WindowsFileSystem final : public FileSystem {
 public:
  bool Exists(const std::string& path) override {
    struct _stat status;
    return _stat(WithoutTrailingSeparators(path).c_str(), &status) == 0;
  }
  bool IsDirectory(const std::string& path) override {
    struct _stat status;
    return _stat(WithoutTrailingSeparators(path).c_str(), &status) == 0 &&
           (status.st_mode & _S_IFDIR) != 0;
  }
  bool MakeDirectory(const std::string& path) override {
    return _mkdir(WithoutTrailingSeparators(path).c_str()) == 0;
  }
  bool IsLink(const std::string& path) override {
    DWORD attributes = GetFileAttributesA(WithoutTrailingSeparators(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
  }
  bool ModificationTime(const std::string& path, int64_t& time) override {
    struct _stati64 status;
    if (_stati64(WithoutTrailingSeparators(path).c_str(), &status) != 0) return false;
    time = static_cast<int64_t>(status.st_mtime);
    return true;
  }
  // The full path (GetFullPathName resolves "." and ".."), with the letters of the code
  // page in one case: the file system ignores case.
  std::string NameKey(const std::string& path) override {
    char full[MAX_PATH];
    DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    std::string key = length > 0 && length < MAX_PATH ? std::string(full, length) : path;
    if (!key.empty()) CharUpperBuffA(key.data(), static_cast<DWORD>(key.size()));
    return key;
  }
  // In the listing's own order.
  bool ListDirectory(const std::string& pattern, std::vector<std::string>& names) override {
    names.clear();
    _finddata_t entry;
    FindHandle find(pattern, entry);
    if (!find.started()) return false;
    do {
      names.emplace_back(entry.name);
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
