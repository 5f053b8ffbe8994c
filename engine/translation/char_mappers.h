// The three byte recodings: Windows-1251 and Latin-1 pass unchanged; KOI8-R and
// ISO-8859-5 become Windows-1251.
#pragma once

namespace vellumine {

// A function from one byte to one byte, backed by a 256-entry table so that the
// translation loops pay one lookup per byte. Compare mappers with ==.
struct CharMapper {
  const unsigned char* table;  // 256 entries
  unsigned char operator()(unsigned char b) const { return table[b]; }
  friend bool operator==(CharMapper a, CharMapper b) { return a.table == b.table; }
};

extern const CharMapper MapIdentity;
extern const CharMapper MapKoi8r;
extern const CharMapper MapIso88595;

}  // namespace vellumine
