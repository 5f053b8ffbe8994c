// Reading and preparing a job's text: a large text in two halves at once.
#pragma once

#include <cstddef>

#include "byte_buffer.h"
#include "raw_text_source.h"

namespace vellumine {

// Texts from this size on are read and prepared in two parts, the second on a thread of its
// own; smaller ones on the calling thread, where starting a thread would cost more.
inline constexpr size_t kSplitPreparationFrom = size_t{4} << 20;

// Reads `size` bytes of source into text (fewer when the source ends first); readLength
// gets the text's length up to its first 0x1A. text holds at least size + 16 bytes. False
// when a read fails.
bool ReadRawText(RawTextSource& source, size_t size, ByteBuffer& text, size_t& readLength,
                 size_t splitFrom = kSplitPreparationFrom);

// The length of a quiet stretch: bytes that are none of "<", CR and 0x1A. A part of the
// preparation that ends with one reads nothing beyond it unless a block runs past it.
inline constexpr size_t kQuietStretch = 32;

// Prepares the text read in place, as PrepareRawText does. A large one is prepared in two
// parts at once, split after a quiet stretch near its middle; when a block of the first
// part runs past the stretch, the rest of the text, which the second part has changed, is
// read from source again and prepared after the first. False when that read fails.
bool PrepareInPlace(RawTextSource& source, ByteBuffer& text,
                    size_t splitFrom = kSplitPreparationFrom);

}  // namespace vellumine
