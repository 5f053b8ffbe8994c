#include "text_references.h"

#include <string_view>

#include "translation/ascii.h"
#include "translation/named_references.h"
#include "translation/utf8.h"
#include "translation/windows_code_pages.h"

namespace vellumine {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  unsigned char lower = AsciiLower(static_cast<unsigned char>(c));
  if (lower >= 'a' && lower <= 'f') return lower - 'a' + 10;
  return -1;
}

}  // namespace

size_t ResolveReference(const char* name, size_t length, uint32_t (&cps)[2]) {
  if (length >= 2 && name[0] == '#') {
    uint32_t value = 0;
    bool hex = name[1] == 'x' || name[1] == 'X';
    if (hex && length < 3) return 0;
    for (size_t i = hex ? 2 : 1; i < length; ++i) {
      int digit = hex ? HexDigit(name[i]) : (name[i] >= '0' && name[i] <= '9' ? name[i] - '0' : -1);
      if (digit < 0) return 0;
      value = value * (hex ? 16 : 10) + static_cast<uint32_t>(digit);  // at most seven digits
    }
    if (value >= 0x80 && value <= 0x9F) value = Windows1252CodePoint(static_cast<unsigned char>(value));
    if (value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) value = 0xFFFD;
    cps[0] = value;
    return 1;
  }
  if (const QuoteName* quote = FindQuoteName(name, length)) {
    cps[0] = static_cast<unsigned char>(quote->ascii);
    return 1;
  }
  const NamedCharacters named = ResolveName(name, length);
  cps[0] = named.cps[0];
  cps[1] = named.cps[1];
  return named.count;
}

TextCharset ChooseTextCharset(const EncodingChoice& encoding, bool utf8Asked) {
  if (encoding.utf8 || utf8Asked) return TextCharset::Utf8;
  return encoding.cyrillic ? TextCharset::Windows1251 : TextCharset::Windows1252;
}

ReferenceOutput EncodeReferenceCharacter(uint32_t cp, CharMapper mapper, TextCharset charset,
                                         unsigned char* out, size_t& length) {
  if (cp == 0xA0 || cp == '\t' || cp == '\n') return ReferenceOutput::WhiteSpace;
  if (cp < 32 || cp == 127 || (cp >= 0x80 && cp <= 0x9F)) return ReferenceOutput::Removed;
  length = 1;
  if (cp <= 126) {
    out[0] = mapper(static_cast<unsigned char>(cp));
    return ReferenceOutput::Bytes;
  }
  unsigned char b = 0;
  switch (charset) {
    case TextCharset::Utf8:
      length = EncodeUtf8(cp, reinterpret_cast<char*>(out));
      return ReferenceOutput::Bytes;
    case TextCharset::Windows1251:
      b = Windows1251Byte(cp);
      break;
    case TextCharset::Windows1252:
      b = Windows1252Byte(cp);
      break;
  }
  if (b == 0) return ReferenceOutput::Removed;  // the character set has no such character
  out[0] = b;
  return ReferenceOutput::Bytes;
}

}  // namespace vellumine
