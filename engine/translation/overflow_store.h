// Bytes a conversion sets aside for the end of its output, kept out of memory when there
// are many: the plain text's list of link addresses, on a page of any size.
#pragma once

#include <cstddef>
#include <functional>

namespace vellumine {

class OverflowStore {
 public:
  virtual ~OverflowStore() = default;
  // Adds bytes after those stored; false when they could not be stored (the caller keeps
  // them), and from then on.
  virtual bool Append(const char* data, size_t n) = 0;
  // Hands everything stored to take, in order, a block at a time; false when it could not
  // all be read back.
  virtual bool ReadBack(const std::function<void(const char*, size_t)>& take) = 0;
};

}  // namespace vellumine
