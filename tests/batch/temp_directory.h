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
#include <utility>

namespace vellumine::testing {

using FilePtr = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

// The whole file, or "<missing>".
inline std::string ReadBytes(const std::string& path) {
  FilePtr file(std::fopen(path.c_str(), "rb"), &std::fclose);
  std::string contents = file ? "" : "<missing>";
  for (int c; file && (c = std::fgetc(file.get())) != EOF;) contents += static_cast<char>(c);
  return contents;
}

// Every file under dir (relative name, bytes; directories with a "/", links as "-> target").
inline std::map<std::string, std::string> Snapshot(const std::string& dir) {
  std::map<std::string, std::string> files;
  std::error_code error;
  namespace fs = std::filesystem;
  for (const auto& entry : fs::recursive_directory_iterator(dir, error)) {
    std::string name = fs::relative(entry.path(), dir).generic_string();
    if (entry.is_symlink()) files[name] = "-> " + fs::read_symlink(entry.path()).string();
    else if (entry.is_directory()) files[name + "/"] = "";
    else files[name] = ReadBytes(entry.path().string());
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
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }
  TempDirectory(const TempDirectory&) = delete;
  TempDirectory& operator=(const TempDirectory&) = delete;

  // The directory without, and with, the platform's separator at the end.
  std::string bare() const { return root_.string(); }
  std::string path() const { return bare() + static_cast<char>(root_.preferred_separator); }

  // Creates a file (by its byte name, through the C runtime) holding contents.
  void Write(const std::string& name, const std::string& contents) const {
    FilePtr file(std::fopen((path() + name).c_str(), "wb"), &std::fclose);
    if (file) std::fwrite(contents.data(), 1, contents.size(), file.get());
  }
  std::string Read(const std::string& name) const { return ReadBytes(path() + name); }
  // Makes directories ("name/") and files, with the directories on their way (of ASCII
  // names: they go through std::filesystem).
  void Make(std::initializer_list<std::pair<std::string, std::string>> entries) const {
    for (const auto& [name, contents] : entries) {
      std::filesystem::create_directories(std::filesystem::path(path() + name).parent_path());
      if (!name.ends_with('/')) Write(name, contents);
    }
  }
  std::filesystem::path root_;
};

}  // namespace vellumine::testing
