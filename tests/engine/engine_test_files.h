// Files for the engine tests: a temporary directory removed at the end, whole-file reads
// and writes, the fixture directory, and a recorder of the progress shown.
#pragma once

#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "translation/progress.h"
#include "vellumine.h"

namespace vellumine::testing {

// A fresh directory under the system's temporary directory, removed with its contents.
class TempDir {
 public:
  TempDir() {
    std::random_device random;  // a name already taken is passed over
    do {
      path_ = std::filesystem::temp_directory_path() /
              ("vellumine-test-" + std::to_string(random()) + std::to_string(random()));
    } while (!std::filesystem::create_directory(path_));
  }
  ~TempDir() {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
  }

  const std::filesystem::path& path() const { return path_; }
  // Path("") is the directory with a separator at its end, as the batch driver passes it.
  std::string Path(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

inline bool WriteFile(const std::string& path, const std::string& bytes) {
  return static_cast<bool>(std::ofstream(path, std::ios::binary) << bytes);
}

inline std::optional<std::string> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

inline std::string FixturePath(const std::string& name) {
  return std::string(VELLUMINE_SOURCE_DIR) + "/tests/engine/data/" + name;
}

// Records every step a conversion shows as one line: "0/50", "1/50", ...
struct RecordedSteps {
  std::vector<std::string> calls;

  static void Record(void* self, int step, int total) {
    static_cast<RecordedSteps*>(self)->calls.push_back(std::to_string(step) + "/" +
                                                       std::to_string(total));
  }
  // The options with their progress shown here.
  vellumine_options Attach(vellumine_options options) {
    options.progress = &Record;
    options.progress_context = this;
    return options;
  }
  // A translation's ticks shown here.
  ProgressReport Report() { return {&Record, this}; }
};

}  // namespace vellumine::testing
