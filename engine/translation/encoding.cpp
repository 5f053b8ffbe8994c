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

// Position of the first "<head>" (letters in either case), or n.
size_t FindHead(const char* text, size_t n) {
  for (size_t p = 0; p < n;) {
    const void* lt = std::memchr(text + p, '<', n - p);
    if (!lt) return n;
    p = static_cast<size_t>(static_cast<const char*>(lt) - text);
    if (MatchNoCase(text, n, p, "<head>")) return p;
    ++p;
  }
  return n;
}

// Reads the charset declarations between "<head>" and "</head>"; the last token found wins.
// False when no token was recognised.
bool ScanHead(const char* text, size_t n, EncodingChoice& result) {
  bool found = false;
  size_t head = FindHead(text, n);
  if (head == n) return false;
  for (size_t p = head + 5; p < n; ++p) {
    unsigned char c = static_cast<unsigned char>(text[p]);
    if (c != '<' && AsciiLower(c) != 'c') continue;  // neither "</head>" nor "charset="
    if (MatchNoCase(text, n, p, "</head>")) break;
    if (!MatchNoCase(text, n, p, "charset=")) continue;
    // Every position from the "c" up to and including the next ">" may hold a token.
    size_t q = p;
    for (; q < n; ++q) {
      for (const CharsetToken& token : kCharsetTokens) {
        if (MatchToken(text, n, q, token)) {
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

EncodingChoice AutoSelect(const char* text, size_t n) {
  if (n >= 3 && std::memcmp(text, "\xEF\xBB\xBF", 3) == 0) return kUtf8;  // byte order mark
  EncodingChoice result;
  if (ScanHead(text, n, result)) return result;
  return IsUtf8WithNonAscii(text, n) ? kUtf8 : result;
}

}  // namespace

EncodingChoice ChooseEncoding(vellumine_encoding encoding, const char* text, size_t n) {
  switch (encoding) {
    case VELLUMINE_ENCODING_AUTO:
      return AutoSelect(text, n);
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
