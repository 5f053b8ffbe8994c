// The two Windows code pages that plain text is written in: windows-1252 and windows-1251.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vellumine {

// The character a windows-1252 byte stands for. Bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D,
// which the code page leaves free, stand for the control character of their own value.
uint32_t Windows1252CodePoint(unsigned char b);

// The byte that stands for cp in windows-1252, or in windows-1251; 0 when the code page has
// none (and for cp 0).
unsigned char Windows1252Byte(uint32_t cp);
unsigned char Windows1251Byte(uint32_t cp);

// The character a windows-1251 byte stands for (0 for the unassigned 0x98).
uint32_t Windows1251CodePoint(unsigned char b);

// Writes the character of byte b (in windows-1251 when cyrillic, else windows-1252) as
// UTF-8 at out, which has room for three bytes; returns the bytes written, 0 for the
// unassigned 0x98 of windows-1251.
size_t EncodeWindowsByteAsUtf8(unsigned char b, bool cyrillic, char* out);

}  // namespace vellumine
