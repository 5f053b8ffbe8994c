#include "temporary_file_store.h"

#include <cstdio>

namespace vellumine {

bool TemporaryFileStore::Append(const char* data, size_t n) {
  if (failed_) return false;
  if (!file_.file()) {
    if (!file_.Create()) {
      failed_ = true;
      return false;
    }
    // Unbuffered: a full disk is seen here, before the caller lets the bytes go, and no
    // bytes wait to be written when the file is read back.
    std::setvbuf(file_.file(), nullptr, _IONBF, 0);
  }
  if (std::fwrite(data, 1, n, file_.file()) != n) {
    failed_ = true;
    return false;
  }
  stored_ += n;
  return true;
}

bool TemporaryFileStore::ReadBack(const std::function<void(const char*, size_t)>& take) {
  if (stored_ == 0) return true;
  std::FILE* file = file_.file();
  if (std::fseek(file, 0, SEEK_SET) != 0) return false;
  char block[65536];
  for (uint64_t left = stored_; left > 0;) {
    const size_t want = left < sizeof block ? static_cast<size_t>(left) : sizeof block;
    const size_t got = std::fread(block, 1, want, file);
    if (got == 0) return false;
    take(block, got);
    left -= got;
  }
  return true;
}

}  // namespace vellumine
