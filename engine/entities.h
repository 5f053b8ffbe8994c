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

// The longest replacement: two "\u-12345?" escapes, or a nine-byte run with every byte
// escaped, and room to spare.
inline constexpr size_t kEntityResultCapacity = 24;

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
size_t EscapeEntity(const char* text, size_t p, size_t length, EntityResult& result,
                    bool cyrillic);

// The value of hexadecimal digits, modulo 2^32, read as signed. A byte that is no digit
// counts its code minus 48 ("2g" is 87).
int32_t ParseHex(std::string_view digits);

// The escape of one byte: buffer holds "\'" in its first two bytes for the whole job;
// the value's two lowercase digits go into bytes 2 and 3 and a terminator into byte 4.
// A value of 256 or more leaves the buffer as it was.
void FormatHexByte(unsigned value, char (&buffer)[5]);

}  // namespace vellumine
