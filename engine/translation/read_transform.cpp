#include "read_transform.h"

#include <cstring>

#include "fast/byte_scan.h"

namespace vellumine {

size_t ApplyReadTransform(char* data, size_t n) {
  // One pass, a chunk at a time up to the next carriage return or 0x1A. Bytes move down
  // over each dropped CR of a CR LF; a chunk is stored whole when all of it is taken, or
  // when the bytes still to be read lie beyond the store's reach.
  unsigned char* const s = reinterpret_cast<unsigned char*>(data);
  size_t in = 0;
  size_t out = 0;
  while (in < n) {
    if (n - in >= kScanChunk) {
      ScanChunk chunk(s + in);
      ScanBits stops = (chunk.Equal('\r') | chunk.Equal('\x1A')).Bits();
      if (!stops) {  // passed without waiting for where a stop would be
        if (out != in) chunk.Store(s + out);
        in += kScanChunk;
        out += kScanChunk;
        continue;
      }
      size_t k = FirstSetByte(stops);
      if (in - out >= kScanChunk) {
        chunk.Store(s + out);
      } else if (out != in) {
        std::memmove(s + out, s + in, k);
      }
      in += k;
      out += k;
    }
    unsigned char c = s[in];
    if (c == 0x1A) break;  // the end of the text: nothing after it is read
    ++in;
    if (c == '\r' && in < n && s[in] == '\n') continue;  // the line feed comes next
    s[out++] = c;
  }
  return out;
}

}  // namespace vellumine
