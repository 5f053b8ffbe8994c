#include "text_writer.h"

#include <string_view>

#include "ascii.h"

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

}  // namespace

void TranslateToText(const char* text, size_t n, CharMapper mapper, ProgressTicks& ticks,
                     ByteBuffer& body) {
  // Every step consumes at least one byte and writes at most one, so n bytes of room is
  // enough and the loops write through a plain pointer.
  if (!body.Reserve(n)) return;
  const unsigned char* const s = reinterpret_cast<const unsigned char*>(text);
  const unsigned char* const map = mapper.table;
  unsigned char* const start = reinterpret_cast<unsigned char*>(body.data() + body.size());
  unsigned char* o = start;

  bool textOn = false;        // the bytes under the cursor are text, not a tag being skipped
  bool blankAllowed = true;   // no blank since the last visible byte, and the last byte
                              // written is not a line feed
  size_t p = 0;
  while (p < n) {
    // One full step at p.
    CheckTick(ticks, p);
    if (s[p] == '<') {
      // The line-break forms, each tested once, in this order, at the position the
      // previous one left.
      if (MatchNoCase(text, n, p, "</p>")) {
        *o++ = '\n';
        blankAllowed = false;
        p += 4;
      }
      if (MatchNoCase(text, n, p, "<p>")) {
        *o++ = '\n';
        blankAllowed = false;
        p += 3;
      }
      if (MatchNoCase(text, n, p, "</h") && p + 4 < n && s[p + 4] == '>') {
        *o++ = '\n';
        blankAllowed = false;
        p += 5;
      }
      if (MatchNoCase(text, n, p, "<br>")) {
        *o++ = '\n';
        blankAllowed = false;
        p += 4;
        while (p < n && (s[p] == '\n' || s[p] == ' ')) ++p;
      }
      if (MatchNoCase(text, n, p, "<li>")) {
        *o++ = '\n';
        blankAllowed = false;
        p += 4;
      }
      if (p >= n) break;
    }
    if (!textOn && p > 0 && s[p - 1] == '>' && s[p] != '<') textOn = true;

    unsigned char ch = s[p];
    if (ch == '&') {
      size_t last = p + 10 < n ? p + 10 : n;
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

    // Then as many steps as possible that cannot meet a line-break form, a reference, the
    // end of a tag or a tick.
    size_t limit = ticks.nextPosition >= p && ticks.nextPosition < n ? ticks.nextPosition : n;
    if (textOn) {
      // Visible bytes are mapped and written; of a white-space run at most one blank.
      while (p < limit) {
        unsigned char c = s[p];
        unsigned char cls = kClasses.text[c];
        if (cls == kStop) break;
        bool visible = cls == kPlain;
        *o = visible ? map[c] : ' ';
        o += visible | blankAllowed;
        blankAllowed = visible;
        ++p;
      }
    } else if (p < limit && s[p - 1] != '>') {
      // Inside a tag: dropped up to the next "<", "&" or ">".
      while (p < limit && kClasses.tag[s[p]] == kPlain) ++p;
    }
  }
  body.Resize(body.size() + static_cast<size_t>(o - start));
}

}  // namespace vellumine
