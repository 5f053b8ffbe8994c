#include "encoding.h"

#include <cstring>

#include "translation/ascii.h"
#include "translation/utf8.h"

namespace vellumine {
namespace {

// The tokens recognised inside a tag that declares "charset=", in the order they are tried
// at each position.
struct CharsetToken {
  const char* text;  // lowercase letters match either case; digits and "-" exactly
  size_t length;
  EncodingChoice choice;
};

const EncodingChoice kUtf8 = {MapIdentity, false, true};

const CharsetToken kCharsetTokens[] = {
    {"1251", 4, {MapIdentity, true}},    {"koi8", 4, {MapKoi8r, true}},
    {"8859-5", 6, {MapIso88595, true}},  {"latin5", 6, {MapIso88595, true}},
    {"8859-1", 6, {MapIdentity, false}}, {"latin1", 6, {MapIdentity, false}},
    {"utf-8", 5, kUtf8},                 {"utf8", 4, kUtf8},
};

bool MatchToken(const char* text, size_t n, size_t p, const CharsetToken& token) {
  if (n - p < token.length) return false;
  for (size_t i = 0; i < token.length; ++i) {
    if (AsciiLower(static_cast<unsigned char>(text[p + i])) !=
        static_cast<unsigned char>(token.text[i]))
      return false;
  }
  return true;
}

constexpr size_t kNotFound = static_cast<size_t>(-1);

// The text behind the scan is let go of in steps of this size, not at every byte.
constexpr size_t kPassStep = size_t{64} << 10;

// Position of the first "<head>" (letters in either case), or kNotFound.
size_t FindHead(TextScan& scan) {
  size_t passed = 0;
  for (size_t p = 0;;) {
    const void* lt = std::memchr(scan.text + p, '<', scan.n - p);
    if (!lt) {
      p = scan.n;
      scan.Pass(p);
      if (!scan.More()) return kNotFound;
      continue;
    }
    p = static_cast<size_t>(static_cast<const char*>(lt) - scan.text);
    scan.Need(p, 6);
    if (MatchNoCase(scan.text, scan.n, p, "<head>")) return p;
    if (p - passed >= kPassStep) scan.Pass(passed = p);
    ++p;
  }
}

// Reads the charset declarations between "<head>" and "</head>"; the last token found wins.
// False when no token was recognised. closed: whether the scan stopped at "</head>".
bool ScanHead(TextScan& scan, EncodingChoice& result, bool* closed = nullptr) {
  bool found = false;
  const size_t head = FindHead(scan);
  if (head == kNotFound) return false;
  const char* const text = scan.text;
  size_t passed = head;
  for (size_t p = head + 5; scan.Need(p, 8); ++p) {
    if (p - passed >= kPassStep) scan.Pass(passed = p);
    unsigned char c = static_cast<unsigned char>(text[p]);
    if (c != '<' && AsciiLower(c) != 'c') continue;  // neither "</head>" nor "charset="
    if (MatchNoCase(text, scan.n, p, "</head>")) {
      if (closed) *closed = true;
      break;
    }
    if (!MatchNoCase(text, scan.n, p, "charset=")) continue;
    // Every position from the "c" up to and including the next ">" may hold a token.
    size_t q = p;
    for (; scan.Need(q, 8); ++q) {
      for (const CharsetToken& token : kCharsetTokens) {
        if (MatchToken(text, scan.n, q, token)) {
          result = token.choice;
          found = true;
          break;
        }
      }
      if (text[q] == '>') break;
    }
    p = q;  // the scan goes on after that ">"
  }
  return found;
}

// Whether the whole text is well-formed UTF-8 with a byte of 0x80 or above; checked a block at
// a time, each cut after an ASCII byte (no sequence holds one).
bool IsUtf8WithNonAscii(TextScan& scan) {
  bool nonAscii = false;
  for (size_t p = 0;;) {
    size_t cut = scan.n;
    const bool last = !scan.Need(scan.n, 1);
    if (!last) {
      while (cut > p && static_cast<unsigned char>(scan.text[cut - 1]) >= 0x80) --cut;
    }
    bool blockNonAscii = false;
    if (!IsWellFormedUtf8(scan.text + p, cut - p, &blockNonAscii)) return false;
    nonAscii = nonAscii || blockNonAscii;
    if (last) return nonAscii;
    p = cut;
    scan.Pass(p);
    scan.More();
  }
}

EncodingChoice AutoSelect(GrowingText& page) {
  TextScan scan(page);
  scan.Need(0, 3);
  if (scan.n >= 3 && std::memcmp(scan.text, "\xEF\xBB\xBF", 3) == 0) return kUtf8;  // byte order mark
  EncodingChoice result;
  if (ScanHead(scan, result)) return result;
  page.Rewind();
  TextScan whole(page);
  return IsUtf8WithNonAscii(whole) ? kUtf8 : result;
}

}  // namespace

bool ChooseEncodingFromOpening(const char* text, size_t n, EncodingChoice& choice) {
  if (n >= 3 && std::memcmp(text, "\xEF\xBB\xBF", 3) == 0) {
    choice = kUtf8;
    return true;
  }
  WholeText opening(text, n);
  TextScan scan(opening);
  bool closed = false;
  EncodingChoice declared;
  const bool found = ScanHead(scan, declared, &closed);
  if (!closed) return false;  // a declaration may follow
  if (found) {
    choice = declared;
    return true;
  }
  // None declared: a byte that is not UTF-8 settles it, short of a sequence the cut may
  // have split (no sequence holds an ASCII byte).
  size_t cut = n;
  while (cut > 0 && static_cast<unsigned char>(text[cut - 1]) >= 0x80) --cut;
  if (IsWellFormedUtf8(text, cut)) return false;
  choice = declared;
  return true;
}

EncodingChoice ChooseEncoding(vellumine_encoding encoding, const char* text, size_t n) {
  WholeText page(text, n);
  return ChooseEncoding(encoding, page);
}

EncodingChoice ChooseEncoding(vellumine_encoding encoding, GrowingText& page) {
  switch (encoding) {
    case VELLUMINE_ENCODING_AUTO:
      return AutoSelect(page);
    case VELLUMINE_ENCODING_WINDOWS_1251:
      return {MapIdentity, true};
    case VELLUMINE_ENCODING_KOI8_R:
      return {MapKoi8r, true};
    case VELLUMINE_ENCODING_ISO_8859_5:
      return {MapIso88595, true};
    case VELLUMINE_ENCODING_UTF_8:
      return kUtf8;
    case VELLUMINE_ENCODING_ISO_8859_1:
      break;
  }
  return {MapIdentity, false};
}

}  // namespace vellumine
