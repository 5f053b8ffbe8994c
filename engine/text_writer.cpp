#include "text_writer.h"

#include <cstdint>
#include <string_view>

#include "ascii.h"
#include "byte_scan.h"

namespace vellumine {
namespace {

// How the fast loops treat a byte.
enum : unsigned char {
  kPlain = 0,  // written through the mapper (text) or dropped (inside a tag)
  kBlank = 1,  // line feed, blank, tab: white space in text
  kStop = 2,   // "<", "&", and inside a tag also ">": needs the full step
};

struct ByteClasses {
  unsigned char text[256] = {};  // while textOn is set
  unsigned char tag[256] = {};   // while textOn is clear
  constexpr ByteClasses() {
    text[static_cast<unsigned char>('\n')] = kBlank;
    text[static_cast<unsigned char>(' ')] = kBlank;
    text[static_cast<unsigned char>('\t')] = kBlank;
    text[static_cast<unsigned char>('<')] = kStop;
    text[static_cast<unsigned char>('&')] = kStop;
    tag[static_cast<unsigned char>('<')] = kStop;
    tag[static_cast<unsigned char>('&')] = kStop;
    tag[static_cast<unsigned char>('>')] = kStop;
  }
};
constexpr ByteClasses kClasses;

// What a character reference becomes in text.
constexpr int kReferenceRemoved = -1;
constexpr int kReferenceBlank = -2;

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  unsigned char lower = AsciiLower(static_cast<unsigned char>(c));
  if (lower >= 'a' && lower <= 'f') return lower - 'a' + 10;
  return -1;
}

// The bytes between "&" and ";" (at most eight): a visible byte for amp, lt, gt, quot,
// apos and numeric references of 32 to 126; a blank for nbsp and 160; removed otherwise.
int ClassifyReference(const char* name, size_t length) {
  std::string_view s(name, length);
  if (s == "amp") return '&';
  if (s == "lt") return '<';
  if (s == "gt") return '>';
  if (s == "quot") return '"';
  if (s == "apos") return '\'';
  if (s == "nbsp") return kReferenceBlank;
  if (length < 2 || name[0] != '#') return kReferenceRemoved;
  unsigned value = 0;
  if (name[1] == 'x' || name[1] == 'X') {
    if (length < 3) return kReferenceRemoved;
    for (size_t i = 2; i < length; ++i) {
      int digit = HexDigit(name[i]);
      if (digit < 0) return kReferenceRemoved;
      value = value * 16 + static_cast<unsigned>(digit);  // at most six digits
    }
  } else {
    for (size_t i = 1; i < length; ++i) {
      if (name[i] < '0' || name[i] > '9') return kReferenceRemoved;
      value = value * 10 + static_cast<unsigned>(name[i] - '0');  // at most seven digits
    }
  }
  if (value >= 32 && value <= 126) return static_cast<int>(value);
  if (value == 160) return kReferenceBlank;
  return kReferenceRemoved;
}

// In text, the bytes of the chunk at s where the text loop must stop: "<", "&", white space
// after white space, and white space first when no blank is allowed. The bytes before the
// first stop are written as they stand once line feeds and tabs are blanks; the chunk, so
// changed, goes to out.
inline ScanBits TextStops(const unsigned char* s, bool blankAllowed, unsigned char* out) {
  ScanChunk chunk(s);
  ScanChunk blanks = chunk.WithBlanks();
  ByteMask white = blanks.Equal(' ');
  ScanBits stops = (chunk.Equal('<') | chunk.Equal('&') | (white & white.AfterMarked())).Bits();
  stops |= white.Bits() & (kFirstByte * static_cast<ScanBits>(!blankAllowed));
  blanks.Store(out);
  return stops;
}

// Inside a tag, the bytes of the chunk at s that end the skip: "<", "&" or ">".
inline ScanBits TagStops(const unsigned char* s) {
  ScanChunk chunk(s);
  return (chunk.Equal('<') | chunk.Equal('&') | chunk.Equal('>')).Bits();
}

// The line-break form that starts at p, or -1: 0 "</p>", 1 "<p>", 2 "</h?>", 3 "<br>",
// 4 "<li>". At most one can match at a position. kFormLength gives its length.
constexpr size_t kFormLength[5] = {4, 3, 5, 4, 4};

// Byte by byte, for the last bytes of the text.
inline int FormAtEnd(const unsigned char* s, size_t n, size_t p) {
  if (n - p < 3) return -1;
  unsigned char c1 = AsciiLower(s[p + 1]);
  unsigned char c2 = AsciiLower(s[p + 2]);
  switch (c1) {
    case '/':
      if (c2 == 'p' && n - p > 3 && s[p + 3] == '>') return 0;
      if (c2 == 'h' && n - p > 4 && s[p + 4] == '>') return 2;
      return -1;
    case 'p':
      return c2 == '>' ? 1 : -1;
    case 'b':
      return c2 == 'r' && n - p > 3 && s[p + 3] == '>' ? 3 : -1;
    case 'l':
      return c2 == 'i' && n - p > 3 && s[p + 3] == '>' ? 4 : -1;
    default:
      return -1;
  }
}

// The four bytes from p as one number, the first in the low byte.
inline uint32_t Word4(const unsigned char* s) {
  return static_cast<uint32_t>(s[0]) | static_cast<uint32_t>(s[1]) << 8 |
         static_cast<uint32_t>(s[2]) << 16 | static_cast<uint32_t>(s[3]) << 24;
}

// Whether the word holds a form: letter bytes are compared with 0x20 set (either case),
// the other bytes exactly; `bytes` selects the form's bytes.
constexpr bool HoldsForm(uint32_t word, uint32_t form, uint32_t letters, uint32_t bytes) {
  return ((word | letters) & bytes) == form;
}

[[gnu::always_inline]] inline int FormAt(const unsigned char* s, size_t n, size_t p) {
  if (n - p < 5) return FormAtEnd(s, n, p);
  // All five compared at once; the comparisons do not branch.
  const uint32_t w = Word4(s + p);
  constexpr uint32_t kLt = '<', kSlash = '/' << 8;
  const bool closeP = HoldsForm(w, kLt | kSlash | 'p' << 16 | '>' << 24, 0x20 << 16, 0xFFFFFFFF);
  const bool openP = HoldsForm(w, kLt | 'p' << 8 | '>' << 16, 0x20 << 8, 0x00FFFFFF);
  const bool closeH = HoldsForm(w, kLt | kSlash | 'h' << 16, 0x20 << 16, 0x00FFFFFF) &
                      (s[p + 4] == '>');
  const bool br = HoldsForm(w, kLt | 'b' << 8 | 'r' << 16 | '>' << 24, 0x2020 << 8, 0xFFFFFFFF);
  const bool li = HoldsForm(w, kLt | 'l' << 8 | 'i' << 16 | '>' << 24, 0x2020 << 8, 0xFFFFFFFF);
  int form = -1;
  form = li ? 4 : form;
  form = br ? 3 : form;
  form = closeH ? 2 : form;
  form = openP ? 1 : form;
  form = closeP ? 0 : form;
  return form;
}

// The translation into out (room for n bytes); returns the bytes written. With kIdentity
// the mapper is known to change nothing, and runs of text are copied whole.
template <bool kIdentity>
size_t Translate(const char* text, size_t n, CharMapper mapper, ProgressTicks& ticks,
                 unsigned char* const start) {
  const unsigned char* const s = reinterpret_cast<const unsigned char*>(text);
  const unsigned char* const map = mapper.table;
  unsigned char* o = start;

  bool textOn = false;        // the bytes under the cursor are text, not a tag being skipped
  bool blankAllowed = true;   // no blank since the last visible byte, and the last byte
                              // written is not a line feed
  size_t p = 0;
  while (p < n) {
    // One full step at p.
    CheckTick(ticks, p);
    if (s[p] == '<') {
      // The line-break forms are tested once each, in their order, every test at the
      // position the previous match left.
      int next = 0;
      for (int form; p < n && s[p] == '<' && (form = FormAt(s, n, p)) >= next; next = form + 1) {
        *o++ = '\n';
        blankAllowed = false;
        p += kFormLength[form];
        if (form == 3) {  // "<br>" takes the line feeds and blanks after it
          while (p < n && (s[p] == '\n' || s[p] == ' ')) ++p;
        }
      }
      if (p >= n) break;
    }
    if (!textOn && p > 0 && s[p - 1] == '>' && s[p] != '<') textOn = true;

    unsigned char ch = s[p];
    if (ch == '&') {
      size_t last = n - p > 10 ? p + 10 : n;
      size_t semi = p + 1;
      while (semi < last && s[semi] != ';') ++semi;
      if (semi < last) {
        if (textOn) {
          int ref = ClassifyReference(text + p + 1, semi - p - 1);
          if (ref >= 0) {
            *o++ = map[ref];
            blankAllowed = true;
          } else if (ref == kReferenceBlank && blankAllowed) {
            *o++ = ' ';
            blankAllowed = false;
          }
        }
        p = semi + 1;
        continue;
      }
      // No ";" within reach: the "&" is an ordinary byte.
    }
    if (ch == '<') {
      textOn = false;
    } else if (textOn) {
      if (kClasses.text[ch] == kBlank) {
        if (blankAllowed) {
          *o++ = ' ';
          blankAllowed = false;
        }
      } else {
        *o++ = map[ch];
        blankAllowed = true;
      }
    }
    ++p;

    // Then as many steps as possible that need none of the above: steps that drop the
    // bytes of a tag, copy text and collapse white space, and steps on a "<" that starts
    // no line-break form (they only turn text off). Ticks lie beyond `limit`.
    const size_t limit =
        ticks.nextPosition >= p && ticks.nextPosition < n ? ticks.nextPosition : n;
    for (;;) {
      if (!textOn) {
        // Inside a tag, up to its ">". The byte after it turns text on, unless it is a "<".
        if (p >= limit || s[p - 1] == '>') break;
        for (;;) {
          // A chunk without a stop is passed without waiting for where a stop would be.
          if (limit - p >= kScanChunk) {
            ScanBits stops = TagStops(s + p);
            if (!stops) {
              p += kScanChunk;
              continue;
            }
            p += FirstSetByte(stops);
            break;
          } else {
            while (p < limit && kClasses.tag[s[p]] == kPlain) ++p;
            break;
          }
        }
        if (p >= limit || s[p] != '>') break;
        ++p;
        if (p >= n) break;
        if (s[p] == '<') {
          if (p >= limit || FormAt(s, n, p) >= 0) break;
          ++p;  // a tag right after a tag
          continue;
        }
        textOn = true;
      }
      // In text: visible bytes and single blanks are copied through the mapper a chunk at
      // a time; white space otherwise gives at most one blank.
      while (p < limit) {
        if (limit - p >= kScanChunk) {
          // Room: o <= p and p + chunk <= n, so a whole chunk fits at o.
          unsigned char blanked[kScanChunk];
          unsigned char* chunk = kIdentity ? o : blanked;
          ScanBits stops = TextStops(s + p, blankAllowed, chunk);
          if (!stops) {
            if (!kIdentity) {
              for (size_t i = 0; i < kScanChunk; ++i) o[i] = map[blanked[i]];
            }
            blankAllowed = kClasses.text[s[p + kScanChunk - 1]] != kBlank;
            o += kScanChunk;
            p += kScanChunk;
            continue;
          }
          size_t k = FirstSetByte(stops);
          if (k > 0) {
            if (!kIdentity) {
              for (size_t i = 0; i < k; ++i) o[i] = map[blanked[i]];
            }
            blankAllowed = chunk[k - 1] != ' ';
            o += k;
            p += k;
          }
        }
        unsigned char c = s[p];
        unsigned char cls = kClasses.text[c];
        if (cls == kStop) break;
        if (cls == kPlain) {
          *o++ = map[c];
          blankAllowed = true;
        } else if (blankAllowed) {
          *o++ = ' ';
          blankAllowed = false;
        }
        ++p;
      }
      if (p >= limit || s[p] != '<' || FormAt(s, n, p) >= 0) break;
      textOn = false;
      ++p;
    }
  }
  return static_cast<size_t>(o - start);
}

}  // namespace

void TranslateToText(const char* text, size_t n, CharMapper mapper, ProgressTicks& ticks,
                     ByteBuffer& body) {
  // Every step consumes at least one byte and writes at most one, so n bytes of room is
  // enough and the loops write through a plain pointer (a whole chunk at a time).
  if (!body.Reserve(n)) return;
  unsigned char* out = reinterpret_cast<unsigned char*>(body.data() + body.size());
  size_t written = mapper == MapIdentity ? Translate<true>(text, n, mapper, ticks, out)
                                         : Translate<false>(text, n, mapper, ticks, out);
  body.Resize(body.size() + written);
}

}  // namespace vellumine
