#include "read_transform.h"

#include <cstring>

#include "byte_scan.h"

namespace vellumine {

size_t ApplyReadTransform(char* data, size_t n) {
  if (const void* eof = std::memchr(data, 0x1A, n))
    n = static_cast<size_t>(static_cast<const char*>(eof) - data);
  const void* firstCr = std::memchr(data, '\r', n);
  if (!firstCr) return n;

  // From the first carriage return on, bytes move down over each dropped CR of a CR LF,
  // a chunk at a time. A whole chunk is stored only when all of it is taken: a store
  // lands on bytes of the same chunk that are still to be read.
  unsigned char* const s = reinterpret_cast<unsigned char*>(data);
  size_t in = static_cast<size_t>(static_cast<const char*>(firstCr) - data);
  size_t out = in;
  while (in < n) {
    if (n - in >= kScanChunk) {
      ScanChunk chunk(s + in);
      ScanMask cr = chunk.Equal('\r');
      size_t k = cr ? FirstSetByte(cr) : kScanChunk;
      if (k == kScanChunk) {
        chunk.Store(s + out);
      } else {
        std::memmove(s + out, s + in, k);
      }
      in += k;
      out += k;
      if (k == kScanChunk) continue;
    }
    unsigned char c = s[in++];
    if (c == '\r' && in < n && s[in] == '\n') continue;  // the line feed comes next
    s[out++] = c;
  }
  return out;
}

}  // namespace vellumine
