#include "file_output_stream.h"

#include <cstring>
#include <new>

namespace vellumine {

FileOutputStream::~FileOutputStream() {
  if (file_) std::fclose(file_);
}

bool FileOutputStream::Open(const char* path) {
  staging_.reset(new (std::nothrow) char[kStagingSize]);
  if (!staging_) return false;
  file_ = std::fopen(path, "wb");
  if (!file_) return false;
  // The stream is fed in large staged blocks; the library's own buffer would only copy.
  std::setvbuf(file_, nullptr, _IONBF, 0);
  staged_ = 0;
  failed_ = false;
  return true;
}

void FileOutputStream::Flush() {
  if (staged_ == 0) return;
  if (!failed_ && std::fwrite(staging_.get(), 1, staged_, file_) != staged_) failed_ = true;
  staged_ = 0;
}

void FileOutputStream::Write(const char* data, size_t n) {
  if (!file_ || failed_) {
    failed_ = true;
    return;
  }
  // Copy runs up to each line feed into the staging block, expanding the line feed.
  while (n > 0) {
    size_t room = kStagingSize - staged_;
    if (room < 2) {
      Flush();
      continue;
    }
    size_t chunk = n < room - 1 ? n : room - 1;  // keep room for the CR of a line feed
    const void* lf = std::memchr(data, '\n', chunk);
    size_t run = lf ? static_cast<size_t>(static_cast<const char*>(lf) - data) : chunk;
    std::memcpy(staging_.get() + staged_, data, run);
    staged_ += run;
    data += run;
    n -= run;
    if (lf) {
      staging_[staged_++] = '\r';
      staging_[staged_++] = '\n';
      ++data;
      --n;
    }
  }
}

bool FileOutputStream::Close() {
  if (!file_) return false;
  Flush();
  if (std::fflush(file_) != 0) failed_ = true;
  if (std::fclose(file_) != 0) failed_ = true;
  file_ = nullptr;
  return !failed_;
}

}  // namespace vellumine
