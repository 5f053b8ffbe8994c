// Character references as RTF text, and the byte escapes the RTF writer shares with them.
#include "entities.h"

#include <array>
#include <cstring>
#include <string>

#include "translation/named_references.h"
#include "translation/utf8.h"

namespace vellumine {

// Four ASCII names, then 0xA0 to 0xFF in code order, then the euro sign. Seven names are
// spelled as this table has always had them (hibar, plusm, fraq14, fraq12, fraq34, Aelig,
// elig); the usual spellings of those seven are not recognised.
constexpr EntityRow EntityTable[kEntityCount] = {
    {"quot", 0x22},   {"amp", 0x26},    {"lt", 0x3C},     {"gt", 0x3E},
    // 0xA0
    {"nbsp", 0xA0},   {"iexcl", 0xA1},  {"cent", 0xA2},   {"pound", 0xA3},
    {"curren", 0xA4}, {"yen", 0xA5},    {"brvbar", 0xA6}, {"sect", 0xA7},
    {"uml", 0xA8},    {"copy", 0xA9},   {"ordf", 0xAA},   {"laquo", 0xAB},
    {"not", 0xAC},    {"shy", 0xAD},    {"reg", 0xAE},    {"hibar", 0xAF},
    // 0xB0
    {"deg", 0xB0},    {"plusm", 0xB1},  {"sup2", 0xB2},   {"sup3", 0xB3},
    {"acute", 0xB4},  {"micro", 0xB5},  {"para", 0xB6},   {"middot", 0xB7},
    {"cedil", 0xB8},  {"sup1", 0xB9},   {"ordm", 0xBA},   {"raquo", 0xBB},
    {"fraq14", 0xBC}, {"fraq12", 0xBD}, {"fraq34", 0xBE}, {"iquest", 0xBF},
    // 0xC0
    {"Agrave", 0xC0}, {"Aacute", 0xC1}, {"Acirc", 0xC2},  {"Atilde", 0xC3},
    {"Auml", 0xC4},   {"Aring", 0xC5},  {"Aelig", 0xC6},  {"Ccedil", 0xC7},
    {"Egrave", 0xC8}, {"Eacute", 0xC9}, {"Ecirc", 0xCA},  {"Euml", 0xCB},
    {"Igrave", 0xCC}, {"Iacute", 0xCD}, {"Icirc", 0xCE},  {"Iuml", 0xCF},
    // 0xD0
    {"ETH", 0xD0},    {"Ntilde", 0xD1}, {"Ograve", 0xD2}, {"Oacute", 0xD3},
    {"Ocirc", 0xD4},  {"Otilde", 0xD5}, {"Ouml", 0xD6},   {"times", 0xD7},
    {"Oslash", 0xD8}, {"Ugrave", 0xD9}, {"Uacute", 0xDA}, {"Ucirc", 0xDB},
    {"Uuml", 0xDC},   {"Yacute", 0xDD}, {"THORN", 0xDE},  {"szlig", 0xDF},
    // 0xE0
    {"agrave", 0xE0}, {"aacute", 0xE1}, {"acirc", 0xE2},  {"atilde", 0xE3},
    {"auml", 0xE4},   {"aring", 0xE5},  {"elig", 0xE6},   {"ccedil", 0xE7},
    {"egrave", 0xE8}, {"eacute", 0xE9}, {"ecirc", 0xEA},  {"euml", 0xEB},
    {"igrave", 0xEC}, {"iacute", 0xED}, {"icirc", 0xEE},  {"iuml", 0xEF},
    // 0xF0
    {"eth", 0xF0},    {"ntilde", 0xF1}, {"ograve", 0xF2}, {"oacute", 0xF3},
    {"ocirc", 0xF4},  {"otilde", 0xF5}, {"ouml", 0xF6},   {"divide", 0xF7},
    {"oslash", 0xF8}, {"ugrave", 0xF9}, {"uacute", 0xFA}, {"ucirc", 0xFB},
    {"uuml", 0xFC},   {"yacute", 0xFD}, {"thorn", 0xFE},  {"yuml", 0xFF},
    // 0x80
    {"euro", 0x80},
};

namespace {

// The table's rows by the first byte of their name. The names are distinct, so looking in a
// group finds the row that a search in table order finds.
struct NameGroup {
  unsigned char count = 0;
  unsigned char rows[8] = {};     // row numbers, in table order
  unsigned char lengths[8] = {};  // their name lengths
};

constexpr std::array<NameGroup, 256> GroupNames() {
  std::array<NameGroup, 256> groups{};
  for (size_t r = 0; r < kEntityCount; ++r) {
    NameGroup& group = groups[static_cast<unsigned char>(EntityTable[r].name[0])];
    group.rows[group.count] = static_cast<unsigned char>(r);
    group.lengths[group.count] =
        static_cast<unsigned char>(std::char_traits<char>::length(EntityTable[r].name));
    ++group.count;
  }
  return groups;
}

constexpr std::array<NameGroup, 256> kNameGroups = GroupNames();

// A run this long is no reference; only the ampersand (and a "#") is used.
constexpr size_t kMaxRun = 10;

constexpr char kHexDigits[] = "0123456789abcdef";
constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Appends to a result; the callers never exceed kEntityResultCapacity.
void Put(EntityResult& result, char c) { result.bytes[result.size++] = c; }
void Put(EntityResult& result, std::string_view s) {
  std::memcpy(result.bytes + result.size, s.data(), s.size());
  result.size += s.size();
}

// "\'hh", or "\f99\'hh" in a Cyrillic document.
void PutHexEscape(EntityResult& result, unsigned value, bool cyrillic) {
  if (cyrillic) Put(result, "\\f99");
  Put(result, "\\'");
  Put(result, kHexDigits[value >> 4]);
  Put(result, kHexDigits[value & 0xF]);
}

// A code point above 255: one escape, or a surrogate pair above 0xFFFF.
void PutCodePoint(EntityResult& result, uint32_t value) {
  result.size += FormatRtfUnicode(value, result.bytes + result.size);
}

// "\u" and one UTF-16 code unit as a signed 16-bit decimal, then "?" as the fallback that
// readers skip.
size_t FormatUnicodeUnit(uint32_t unit, char* out) {
  int32_t value = unit >= 0x8000 ? static_cast<int32_t>(unit) - 0x10000 : static_cast<int32_t>(unit);
  size_t k = 0;
  out[k++] = '\\';
  out[k++] = 'u';
  if (value < 0) out[k++] = '-';
  // At most five digits, written from the last, two at a time.
  uint32_t magnitude = static_cast<uint32_t>(value < 0 ? -value : value);
  k += magnitude >= 10000 ? 5
       : magnitude >= 1000 ? 4
       : magnitude >= 100  ? 3
       : magnitude >= 10   ? 2
                           : 1;
  char* digit = out + k;
  while (magnitude >= 100) {
    digit -= 2;
    std::memcpy(digit, kDigitPairs + 2 * (magnitude % 100), 2);
    magnitude /= 100;
  }
  if (magnitude >= 10) {
    std::memcpy(digit - 2, kDigitPairs + 2 * magnitude, 2);
  } else {
    digit[-1] = static_cast<char>('0' + magnitude);
  }
  out[k++] = '?';
  return k;
}

// The run written back as text writes it: braces and backslashes escaped; in a UTF-8 page
// its bytes from 0x80 up decoded and written as the text around the reference writes them.
void PutRun(EntityResult& result, const char* run, size_t n, EntityRunForm form) {
  for (size_t i = 0; i < n; ++i) {
    char c = run[i];
    if (form != EntityRunForm::AsIs && static_cast<unsigned char>(c) >= 0x80) {
      uint32_t cp;
      i += DecodeUtf8Character(reinterpret_cast<const unsigned char*>(run + i), n - i, cp) - 1;
      result.size += FormatRtfCharacter(cp, form == EntityRunForm::Utf8Preformatted,
                                        result.bytes + result.size);
      continue;
    }
    if (c == '{' || c == '}' || c == '\\') Put(result, '\\');
    Put(result, c);
  }
}

// A character that a name stands for, as "&#c;" writes it; below 33 (tab, line feed) a blank.
void PutNamedCharacter(EntityResult& result, uint32_t cp, bool cyrillic) {
  if (cp < 33) {
    Put(result, ' ');
  } else if (cp <= 255) {
    PutHexEscape(result, cp, cyrillic);
  } else {
    PutCodePoint(result, cp);
  }
}

// The leading decimal number of a run: blanks skipped, an optional sign, digits up to the
// first other byte; 0 when there are none. A run has at most nine bytes, so it fits.
int32_t ReadDecimal(const char* run, size_t n) {
  size_t i = 0;
  while (i < n && (run[i] == ' ' || (run[i] >= '\t' && run[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < n && (run[i] == '+' || run[i] == '-')) negative = run[i++] == '-';
  int32_t value = 0;
  for (; i < n && run[i] >= '0' && run[i] <= '9'; ++i) value = value * 10 + (run[i] - '0');
  return negative ? -value : value;
}

// Matches literal at text[p..] without reading at or past length.
bool At(const char* text, size_t p, size_t length, std::string_view literal) {
  return length - p >= literal.size() && std::memcmp(text + p, literal.data(), literal.size()) == 0;
}

// The byte at text[p] is one of the bytes that end a short fixed form ("&quot " or "&quot<").
bool EndsShortForm(const char* text, size_t p, size_t length) {
  return p < length && (text[p] == ' ' || text[p] == '<');
}

// The fixed forms, tried before any run is collected.
struct FixedForm {
  std::string_view bytes;  // from the ampersand
  char result;             // the one byte written
  bool shortEnding;        // needs ";" (used), or a blank or "<" after it (not used)
};

// (Then the typographic quotes, as "&quot".)
constexpr FixedForm kFixedForms[] = {
    // bytes    result  ending
    {"&nbsp;",  ' ',  false},
    {"&amp;",   '&',  false},
    {"&lt;",    '<',  false},
    {"&gt;",    '>',  false},
    {"&quot",   '"',  true},
};

// Matches a short fixed form (its bytes without the ";") at text[p]: fills result and
// returns the bytes after the ampersand that belong to it, or 0.
size_t MatchShortForm(const char* text, size_t p, size_t length, std::string_view name,
                      char written, EntityResult& result) {
  const size_t n = name.size() + 1;
  if (length - p < n || std::memcmp(text + p + 1, name.data(), name.size()) != 0) return 0;
  if (p + n < length && text[p + n] == ';') {
    Put(result, written);
    return n;
  }
  if (EndsShortForm(text, p + n, length)) {
    Put(result, written);
    return n - 1;
  }
  return 0;
}

}  // namespace

size_t EscapeEntity(const char* text, size_t p, size_t length, EntityResult& result,
                    bool cyrillic, EntityRunForm runForm) {
  result.size = 0;

  // The fixed forms' names start with one of these letters; numeric references and most
  // names skip the list.
  bool mayBeFixed = p + 1 < length && std::memchr("nalgqr", text[p + 1], 6) != nullptr;
  for (const FixedForm& form : kFixedForms) {
    if (!mayBeFixed) break;
    size_t n = form.bytes.size();
    if (text[p + 1] != form.bytes[1] || !At(text, p, length, form.bytes)) continue;
    if (!form.shortEnding) {
      Put(result, form.result);
      return n - 1;
    }
    if (size_t used = MatchShortForm(text, p, length, form.bytes.substr(1), form.result, result))
      return used;
  }
  for (const QuoteName& quote : kQuoteNames) {
    if (!mayBeFixed) break;
    if (size_t used = MatchShortForm(text, p, length, quote.name, quote.ascii, result))
      return used;
  }

  // The run: from k0 up to the first ";" or blank, or to the end of the text.
  bool numeric = p + 1 < length && text[p + 1] == '#';
  bool hex = numeric && p + 2 < length && text[p + 2] == 'x';
  size_t k0 = hex ? 3 : numeric ? 2 : 1;
  const char* run = text + p + k0;
  size_t available = length - p >= k0 ? length - p - k0 : 0;
  size_t limit = available < kMaxRun ? available : kMaxRun;
  size_t runLength = 0;
  while (runLength < limit && run[runLength] != ';' && run[runLength] != ' ') ++runLength;
  if (runLength == kMaxRun) {
    Put(result, '&');
    return hex ? 1 : 0;
  }
  size_t used = k0 + runLength;

  if (numeric) {
    int32_t value = hex ? ParseHex({run, runLength}) : ReadDecimal(run, runLength);
    if (value > 255) {
      PutCodePoint(result, static_cast<uint32_t>(value));
    } else if (value >= 33) {
      PutHexEscape(result, static_cast<unsigned>(value), cyrillic);
    } else if (value == 32) {
      Put(result, ' ');
    } else {
      PutRun(result, run, runLength, runForm);
    }
    return used;
  }

  if (runLength != 0) {
    const NamedCharacters named = ResolveName(run, runLength);
    if (named.tableByte != 0) {
      PutHexEscape(result, named.tableByte, cyrillic);  // the row's byte, as it always was
      return used;
    }
    for (size_t i = 0; i < named.count; ++i) PutNamedCharacter(result, named.cps[i], cyrillic);
    if (named.count != 0) return used;
  }
  PutRun(result, run, runLength, runForm);
  return used;
}

const EntityRow* FindEntityRow(const char* name, size_t length) {
  if (length == 0) return nullptr;
  const NameGroup& group = kNameGroups[static_cast<unsigned char>(name[0])];
  for (size_t i = 0; i < group.count; ++i) {
    const EntityRow& row = EntityTable[group.rows[i]];
    if (group.lengths[i] == length && std::memcmp(row.name, name, length) == 0) return &row;
  }
  return nullptr;
}

int32_t ParseHex(std::string_view digits) {
  uint32_t value = 0;
  for (char c : digits) {
    auto byte = static_cast<unsigned char>(c);
    uint32_t digit = byte >= 'a' && byte <= 'f'   ? byte - 'a' + 10u
                     : byte >= 'A' && byte <= 'F' ? byte - 'A' + 10u
                                                  : byte - 48u;  // wraps below "0"
    value = value * 16u + digit;
  }
  return static_cast<int32_t>(value);
}

void FormatHexByte(unsigned value, char (&buffer)[5]) {
  if (value > 255) return;
  buffer[2] = kHexDigits[value >> 4];
  buffer[3] = kHexDigits[value & 0xF];
  buffer[4] = '\0';
}

size_t FormatRtfUnicode(uint32_t cp, char* out) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
  if (cp <= 0xFFFF) return FormatUnicodeUnit(cp, out);
  cp -= 0x10000;
  size_t k = FormatUnicodeUnit(0xD800 + (cp >> 10), out);
  return k + FormatUnicodeUnit(0xDC00 + (cp & 0x3FF), out + k);
}

size_t FormatRtfCharacter(uint32_t cp, bool preformatted, char* out) {
  if (cp < 0xA0 || cp > 0xFF) return FormatRtfUnicode(cp, out);
  if (preformatted) {
    out[0] = static_cast<char>(cp);
    return 1;
  }
  out[0] = '\\';
  out[1] = '\'';
  out[2] = kHexDigits[cp >> 4];
  out[3] = kHexDigits[cp & 0xF];
  return 4;
}

}  // namespace vellumine
