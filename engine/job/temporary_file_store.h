// An OverflowStore in a temporary file, made when the first bytes come and removed with the
// store.
#pragma once

#include <cstdint>

#include "spool_file.h"
#include "translation/overflow_store.h"

namespace vellumine {

class TemporaryFileStore final : public OverflowStore {
 public:
  bool Append(const char* data, size_t n) override;
  bool ReadBack(const std::function<void(const char*, size_t)>& take) override;

 private:
  SpoolFile file_;
  uint64_t stored_ = 0;  // bytes known to be in the file
  bool failed_ = false;
};

}  // namespace vellumine
