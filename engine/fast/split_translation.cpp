#include "split_translation.h"

#include "translation/ascii.h"

namespace vellumine {

size_t SecondHalfStart(const char* text, size_t n) {
  // A little before the middle: the first half also writes its output as it goes.
  const size_t middle = n / 100 * 46 + n % 100 * 46 / 100;
  const size_t last = std::min(n, middle + 4096);
  for (size_t p = middle > 0 ? middle : 1; p < last; ++p) {
    if (text[p] != '<') continue;
    const unsigned char before = AsciiLower(static_cast<unsigned char>(text[p - 1]));
    if ((before >= 'a' && before <= 'z') || (before >= '0' && before <= '9')) return p;
  }
  return middle;
}

}  // namespace vellumine
