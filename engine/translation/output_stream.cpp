#include "output_stream.h"

#include <cstring>

namespace vellumine {

void MemoryOutputStream::Write(const char* data, size_t n) {
  if (!crlf_) {
    out_.append(data, n);
    return;
  }
  while (n > 0) {
    const void* lf = std::memchr(data, '\n', n);
    size_t run = lf ? static_cast<size_t>(static_cast<const char*>(lf) - data) : n;
    out_.append(data, run);
    if (!lf) break;
    out_.append("\r\n", 2);
    data += run + 1;
    n -= run + 1;
  }
}

}  // namespace vellumine
