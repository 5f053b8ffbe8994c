// References in plain text: the characters a reference stands for, and how each is written
// in the output's character set.
#pragma once

#include <cstddef>
#include <cstdint>

#include "translation/encoding.h"

namespace vellumine {

// The characters that the name between "&" and ";" (at most eight bytes) stands for, at
// most two; returns how many (0: the name stands for nothing).
size_t ResolveReference(const char* name, size_t length, uint32_t (&cps)[2]);

// The character set a plain text is written in.
enum class TextCharset {
  Windows1252,  // a page in neither of the others
  Windows1251,  // a page in one of the Cyrillic encodings
  Utf8,         // a UTF-8 page, or any page when UTF-8 text is asked for
};

// The set a page read with `encoding` is written in; utf8Asked: UTF-8 whatever the page.
TextCharset ChooseTextCharset(const EncodingChoice& encoding, bool utf8Asked);

// How one character of a reference is written.
enum class ReferenceOutput { Removed, WhiteSpace, Bytes };

// The bytes of cp in the output's character set, at out (room for four); ASCII goes through
// the mapper as the text's own bytes do. A character the set lacks is removed: a byte of
// another set would stand for another character there.
ReferenceOutput EncodeReferenceCharacter(uint32_t cp, CharMapper mapper, TextCharset charset,
                                         unsigned char* out, size_t& length);

}  // namespace vellumine
