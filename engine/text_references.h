// References in plain text: the characters a reference stands for, and how each is written
// in the output's character set.
#pragma once

#include <cstddef>
#include <cstdint>

#include "encoding.h"

namespace vellumine {

// The characters that the name between "&" and ";" (at most eight bytes) stands for, at
// most two; returns how many (0: the name stands for nothing).
size_t ResolveReference(const char* name, size_t length, uint32_t (&cps)[2]);

// How one character of a reference is written.
enum class ReferenceOutput { Removed, WhiteSpace, Bytes };

// The bytes of cp in the output's character set, at out (room for four); ASCII goes through
// the mapper as the text's own bytes do.
ReferenceOutput EncodeReferenceCharacter(uint32_t cp, const EncodingChoice& encoding,
                                         unsigned char* out, size_t& length);

}  // namespace vellumine
