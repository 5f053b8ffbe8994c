#include "read_transform.h"

#include <cstring>

namespace vellumine {

size_t ApplyReadTransform(char* data, size_t n) {
  if (const void* eof = std::memchr(data, 0x1A, n))
    n = static_cast<size_t>(static_cast<const char*>(eof) - data);

  // Copy the runs between CR LF pairs down over the dropped carriage returns.
  size_t in = 0;
  size_t out = 0;
  while (in < n) {
    const void* cr = std::memchr(data + in, '\r', n - in);
    size_t end = cr ? static_cast<size_t>(static_cast<const char*>(cr) - data) : n;
    if (out != in) std::memmove(data + out, data + in, end - in);
    out += end - in;
    in = end;
    if (in == n) break;
    if (in + 1 < n && data[in + 1] == '\n') {
      ++in;  // the line feed follows with the next run
    } else {
      data[out++] = '\r';  // a lone carriage return stays
      ++in;
    }
  }
  return out;
}

}  // namespace vellumine
