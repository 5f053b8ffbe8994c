#include "split_preparation.h"

#include <cstring>
#include <thread>

#include "prepare_text.h"

namespace vellumine {
namespace {

// Runs `there` on a second thread while `here` runs on this one, then waits for both; both
// run here, one after the other, when no thread can be started.
template <typename Here, typename There>
void RunBoth(Here here, There there) {
  std::thread helper;
  try {
    helper = std::thread(there);
  } catch (...) {
    there();
    here();
    return;
  }
  here();
  helper.join();
}

// The position of the first 0x1A in text[0..n), or n.
size_t TextEnd(const char* text, size_t n) {
  const void* eof = n > 0 ? std::memchr(text, 0x1A, n) : nullptr;
  return eof ? static_cast<size_t>(static_cast<const char*>(eof) - text) : n;
}

// How far from the middle a quiet stretch is looked for.
constexpr size_t kQuietSearch = size_t{64} << 10;
constexpr size_t kNoStretch = static_cast<size_t>(-1);

// Where the first quiet stretch from the middle on ends, if it ends before n and within
// the search.
size_t QuietStretchEnd(const char* text, size_t n) {
  const size_t last = n - n / 2 > kQuietSearch ? n / 2 + kQuietSearch : n;
  size_t quiet = 0;
  for (size_t p = n / 2; p < last; ++p) {
    const char c = text[p];
    quiet = c == '<' || c == '\r' || c == '\x1A' ? 0 : quiet + 1;
    if (quiet == kQuietStretch) return p + 1 < n ? p + 1 : kNoStretch;
  }
  return kNoStretch;
}

}  // namespace

bool ReadRawText(RawTextSource& source, size_t size, ByteBuffer& text, size_t& readLength,
                 size_t splitFrom) {
  char* const raw = text.data();
  size_t got = 0;
  if (size < splitFrom || size < 2) {
    if (!source.ReadAt(0, raw, size, got)) return false;
    text.Resize(got);
    readLength = TextEnd(raw, got);
    return true;
  }

  // The halves are read at once, and each searched for the end; the file's end is known
  // only when both are in.
  const size_t half = size / 2;
  size_t gotSecond = 0;
  size_t endFirst = 0;
  size_t endSecond = 0;
  bool readFirst = false;
  bool readSecond = false;
  RunBoth(
      [&] {
        readFirst = source.ReadAt(0, raw, half, got);
        if (readFirst) endFirst = TextEnd(raw, got);
      },
      [&] {
        readSecond = source.ReadAt(half, raw + half, size - half, gotSecond);
        if (readSecond) endSecond = TextEnd(raw + half, gotSecond);
      });
  if (!readFirst || !readSecond) return false;
  if (got < half) {  // the file shrank while it was read: its first part is all there is
    text.Resize(got);
    readLength = endFirst;
    return true;
  }
  text.Resize(half + gotSecond);
  readLength = endFirst < half ? endFirst : half + endSecond;
  return true;
}

bool PrepareInPlace(RawTextSource& source, ByteBuffer& text, size_t splitFrom) {
  char* const raw = text.data();
  const size_t n = text.size();
  const size_t split = n >= splitFrom && n >= 2 ? QuietStretchEnd(raw, n) : kNoStretch;
  if (split == kNoStretch) {
    text.Resize(PrepareRawText(raw, n, raw));
    return true;
  }

  // The first part is prepared as if the text ended with the stretch: its steps there are
  // single bytes, and the steps before it read no further unless a block runs past it,
  // which then has no end. The second part, from the stretch's end, is prepared as if no
  // block were open there. Neither part reads the bytes the other writes.
  PreparedPart first;
  PreparedPart second;
  RunBoth([&] { first = PrepareRawTextPart(raw, split, 0, split, raw); },
          [&] { second = PrepareRawTextPart(raw, n, split, n, raw + split); });
  if (first.ended) {  // the text ends in the first part
    text.Resize(first.written);
    return true;
  }
  if (first.blockEnd != split) {
    std::memmove(raw + first.written, raw + split, second.written);
    text.Resize(first.written + second.written);
    return true;
  }
  // A block runs past the stretch (or ends with it): the text from the stretch's end is read
  // again and prepared from the block's start.
  size_t got = 0;
  if (!source.ReadAt(split, raw + split, n - split, got)) return false;
  const size_t end = split + got;
  PreparedPart rest = PrepareRawTextPart(raw, end, first.blockStart, end, raw + first.written);
  text.Resize(first.written + rest.written);
  return true;
}

}  // namespace vellumine
