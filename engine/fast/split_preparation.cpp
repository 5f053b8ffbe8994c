#include "split_preparation.h"

#include <cstring>

#include "translation/prepare_text.h"
#include "fast/run_both.h"

namespace vellumine {
namespace {

void PrepareWhole(const ByteBuffer& text, ByteBuffer& prepared, size_t& readLength) {
  prepared.Resize(PrepareRawText(text.data(), text.size(), prepared.data(), &readLength));
}

}  // namespace

bool ReadAndPrepare(RawTextSource& source, size_t size, ByteBuffer& text, ByteBuffer& prepared,
                    size_t& readLength, size_t splitFrom) {
  char* const raw = text.data();
  char* const out = prepared.data();
  size_t got = 0;
  if (size < splitFrom || size < 2) {
    if (!source.ReadAt(0, raw, size, got)) return false;
    text.Resize(got);
    PrepareWhole(text, prepared, readLength);
    return true;
  }

  // The halves are read at once; the file's end is known only when both are in.
  const size_t half = size / 2;
  size_t gotSecond = 0;
  bool readFirst = false;
  bool readSecond = false;
  RunBoth([&] { readFirst = source.ReadAt(0, raw, half, got); },
          [&] { readSecond = source.ReadAt(half, raw + half, size - half, gotSecond); });
  if (!readFirst || !readSecond) return false;
  if (got < half) {  // the file shrank while it was read: its first part is all there is
    text.Resize(got);
    PrepareWhole(text, prepared, readLength);
    return true;
  }
  const size_t n = half + gotSecond;
  text.Resize(n);

  // Each half is prepared on its own; the second as if no block were open at its start.
  // Its output lies from out + half, beyond anything the first half writes.
  PreparedPart first;
  PreparedPart second;
  RunBoth([&] { first = PrepareRawTextPart(raw, n, 0, half, out); },
          [&] { second = PrepareRawTextPart(raw, n, half, n, out + half); });
  if (first.stop == half) {
    std::memmove(out + first.written, out + half, second.written);
  } else {
    // A block or a CR LF pair spans the middle, or the text ended in the first half: the
    // rest is prepared from where the first half stopped (at once, at such an end).
    second = PrepareRawTextPart(raw, n, first.stop, n, out + first.written);
  }
  readLength = second.ended ? second.stop : n;
  prepared.Resize(first.written + second.written);
  return true;
}

bool ReadWhole(RawTextSource& source, size_t size, char* text, size_t& got, size_t splitFrom) {
  if (size < splitFrom || size < 2) return source.ReadAt(0, text, size, got);
  const size_t half = size / 2;
  size_t gotSecond = 0;
  bool readFirst = false;
  bool readSecond = false;
  RunBoth([&] { readFirst = source.ReadAt(0, text, half, got); },
          [&] { readSecond = source.ReadAt(half, text + half, size - half, gotSecond); });
  if (!readFirst || !readSecond) return false;
  if (got == half) got += gotSecond;  // else the file shrank while it was read
  return true;
}

}  // namespace vellumine
