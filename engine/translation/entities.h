// Character references and non-ASCII bytes as RTF text: "&eacute;" becomes "\'e9".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vellumine {

// One row of the named-reference table: the name as the table spells it and its byte.
struct EntityRow {
  const char* name;
  unsigned char code;
};

// The 101 names that are looked up, in lookup order; case matters.
inline constexpr size_t kEntityCount = 101;
extern const EntityRow EntityTable[kEntityCount];

// The row of EntityTable spelled exactly so, or nullptr.
const EntityRow* FindEntityRow(const char* name, size_t length);

// The longest RTF form of one character: a surrogate pair, "\u-10240?\u-8193?" and the like.
inline constexpr size_t kRtfCharacterCapacity = 18;

// The longest replacement: a nine-byte run written back with every byte a "\u" escape (a
// UTF-8 page's stray high bytes), or two characters in their longest forms.
inline constexpr size_t kEntityResultCapacity = 96;

// How an entity's run that is written back as text writes its bytes from 0x80 up.
enum class EntityRunForm : unsigned char {
  AsIs,               // as they stand (every single-byte encoding)
  Utf8Text,           // decoded as UTF-8 and written as RTF text is
  Utf8Preformatted,   // decoded as UTF-8 and written as a preformatted block writes them
};

// What replaces one reference in the RTF body. The bytes are counted, not terminated: a run
// written back as it stands may hold any byte.
struct EntityResult {
  char bytes[kEntityResultCapacity];
  size_t size = 0;

  std::string_view view() const { return {bytes, size}; }
};

// Replaces the reference whose ampersand is at text[p] (text holds length bytes). Fills
// result and returns how many bytes after the ampersand belong to the reference: the
// caller's cursor moves to p + the returned count, the reference's last byte.
// Names that are neither a fixed form nor a row of EntityTable, but one of HTML's named
// references, give what "&#c;" gives for each character c they name.
size_t EscapeEntity(const char* text, size_t p, size_t length, EntityResult& result,
                    bool cyrillic, EntityRunForm runForm = EntityRunForm::AsIs);

// The value of hexadecimal digits, modulo 2^32, read as signed. A byte that is no digit
// counts its code minus 48 ("2g" is 87).
int32_t ParseHex(std::string_view digits);

// The escape of one byte: buffer holds "\'" in its first two bytes for the whole job;
// the value's two lowercase digits go into bytes 2 and 3 and a terminator into byte 4.
// A value of 256 or more leaves the buffer as it was.
void FormatHexByte(unsigned value, char (&buffer)[5]);

// Writes cp in RTF's Unicode form at out: "\u", the UTF-16 code unit as a signed 16-bit
// decimal, and "?" (a surrogate pair of them above U+FFFF). Surrogates and values past
// U+10FFFF become U+FFFD. Returns the length (at most kRtfCharacterCapacity).
size_t FormatRtfUnicode(uint32_t cp, char* out);

// Writes a character of a UTF-8 page at out as RTF text writes it: U+00A0 to U+00FF as
// "\'hh" (in a preformatted block as the byte itself), every other character in the
// Unicode form. Returns the length (at most kRtfCharacterCapacity).
size_t FormatRtfCharacter(uint32_t cp, bool preformatted, char* out);

}  // namespace vellumine
