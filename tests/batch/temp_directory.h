// A fresh directory under the system's temporary directory, removed with everything in it.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "system_path.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace vellumine::testing {

using FilePtr = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

// Paths in tests are UTF-8, as in the program; std::filesystem's paths from them and back.
inline std::filesystem::path PathOf(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}
inline std::string Utf8Of(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

// A folder's name (Cyrillic and Greek) and pages' names in many scripts, for names typed,
// walked and converted: Cyrillic, Greek, Japanese, Chinese, an emoji, a Latin letter beyond
// ASCII, and plain.
inline const std::string kScriptsFolder =
    "\u041f\u0430\u043f\u043a\u0430 \u03c6\u03ac\u03ba\u03b5\u03bb\u03bf\u03c2";
inline const std::vector<std::string> kScriptNames = {
    "\u041f\u0440\u0438\u0432\u0435\u0442", "\u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac",
    "\u65e5\u672c\u8a9e", "\u4e2d\u6587", "\U0001F600 smile", "caf\u00e9", "plain"};

// The whole file, or "<missing>".
inline std::string ReadBytes(const std::string& path) {
  FilePtr file(OpenFile(path, "rb"), &std::fclose);
  std::string contents = file ? "" : "<missing>";
  for (int c; file && (c = std::fgetc(file.get())) != EOF;) contents += static_cast<char>(c);
  return contents;
}

// Every file under dir (relative name, bytes; directories with a "/", links as "-> target").
inline std::map<std::string, std::string> Snapshot(const std::string& dir) {
  std::map<std::string, std::string> files;
  std::error_code error;
  namespace fs = std::filesystem;
  for (const auto& entry : fs::recursive_directory_iterator(PathOf(dir), error)) {
    const std::u8string relative = fs::relative(entry.path(), PathOf(dir)).generic_u8string();
    std::string name(relative.begin(), relative.end());
    if (entry.is_symlink()) files[name] = "-> " + Utf8Of(fs::read_symlink(entry.path()));
    else if (entry.is_directory()) files[name + "/"] = "";
    else files[name] = ReadBytes(Utf8Of(entry.path()));
  }
  return files;
}

struct TempDirectory {
  TempDirectory() {
    static std::atomic<int> counter{0};
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    root_ = std::filesystem::temp_directory_path() /
            ("vellumine-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(root_);
  }
  ~TempDirectory() {
#ifdef _WIN32
    // Tests make paths past MAX_PATH, which only the long form of a path reaches.
    RemoveTree(L"\\\\?\\" + root_.wstring());
#else
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
#endif
  }
  TempDirectory(const TempDirectory&) = delete;
  TempDirectory& operator=(const TempDirectory&) = delete;

  // The directory without, and with, the platform's separator at the end.
  std::string bare() const { return Utf8Of(root_); }
  std::string path() const { return bare() + static_cast<char>(root_.preferred_separator); }

  // Creates a file (its name in UTF-8) holding contents.
  void Write(const std::string& name, const std::string& contents) const {
    FilePtr file(OpenFile(path() + name, "wb"), &std::fclose);
    if (file) std::fwrite(contents.data(), 1, contents.size(), file.get());
  }
  std::string Read(const std::string& name) const { return ReadBytes(path() + name); }
  // Makes directories ("name/") and files, with the directories on their way.
  void Make(std::initializer_list<std::pair<std::string, std::string>> entries) const {
    for (const auto& [name, contents] : entries) {
      std::filesystem::create_directories(PathOf(path() + name).parent_path());
      if (!name.ends_with('/')) Write(name, contents);
    }
  }
  std::filesystem::path root_;

 private:
#ifdef _WIN32
  // Removes a directory and everything in it, read-only entries too; a link is removed, not
  // followed.
  static void RemoveTree(const std::wstring& directory) {
    WIN32_FIND_DATAW entry{};
    HANDLE first = FindFirstFileW((directory + L"\\*").c_str(), &entry);
    if (first != INVALID_HANDLE_VALUE) {
      std::unique_ptr<std::remove_pointer_t<HANDLE>, decltype(&FindClose)> find(first, &FindClose);
      do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring path = directory + L"\\" + name;
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
          DeleteFileW(path.c_str());
        else if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
          RemoveDirectoryW(path.c_str());
        else
          RemoveTree(path);
      } while (FindNextFileW(find.get(), &entry));
    }
    RemoveDirectoryW(directory.c_str());
  }
#endif
};

}  // namespace vellumine::testing
