// The two Windows code pages that plain text is written in: windows-1252 and windows-1251.
#pragma once

#include <cstdint>

namespace vellumine {

// The character a windows-1252 byte stands for. Bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D,
// which the code page leaves free, stand for the control character of their own value.
uint32_t Windows1252CodePoint(unsigned char b);

// The byte that stands for cp in windows-1252, or in windows-1251; 0 when the code page has
// none (and for cp 0).
unsigned char Windows1252Byte(uint32_t cp);
unsigned char Windows1251Byte(uint32_t cp);

}  // namespace vellumine
