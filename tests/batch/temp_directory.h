// A fresh directory under the system's temporary directory, removed with everything in it.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

namespace vellumine::testing {

class TempDirectory {
 public:
  TempDirectory() {
    static std::atomic<int> counter{0};
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    root_ = std::filesystem::temp_directory_path() /
            ("vellumine-batch-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(root_);
  }
  ~TempDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }
  TempDirectory(const TempDirectory&) = delete;
  TempDirectory& operator=(const TempDirectory&) = delete;

  // The directory's path with the platform's separator at the end.
  std::string path() const {
    std::string p = root_.string();
#ifdef _WIN32
    return p + "\\";
#else
    return p + "/";
#endif
  }

  // Creates a file (by its byte name, through the C runtime) holding contents.
  void Write(const std::string& name, const std::string& contents) const {
    std::FILE* file = std::fopen((path() + name).c_str(), "wb");
    if (file == nullptr) return;
    std::fwrite(contents.data(), 1, contents.size(), file);
    std::fclose(file);
  }

  // The whole file, or "<missing>".
  std::string Read(const std::string& name) const {
    std::FILE* file = std::fopen((path() + name).c_str(), "rb");
    if (file == nullptr) return "<missing>";
    std::string contents;
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) contents.append(chunk, n);
    std::fclose(file);
    return contents;
  }

 private:
  std::filesystem::path root_;
};

}  // namespace vellumine::testing
