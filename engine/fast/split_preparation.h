// Reading and preparing a job's text: a large text in two halves at once.
#pragma once

#include <cstddef>

#include "fast/byte_buffer.h"
#include "translation/raw_text_source.h"

namespace vellumine {

// Texts from this size on are read and prepared in two halves, the second on a thread of
// its own; smaller ones on the calling thread, where starting a thread would cost more.
inline constexpr size_t kSplitPreparationFrom = size_t{4} << 20;

// Reads `size` bytes of source into text (fewer when the source ends first) and prepares
// them into prepared, as PrepareRawText does; readLength gets the text's length up to its
// first 0x1A. Both buffers hold at least size + 16 bytes. False when the read fails.
bool ReadAndPrepare(RawTextSource& source, size_t size, ByteBuffer& text, ByteBuffer& prepared,
                    size_t& readLength, size_t splitFrom = kSplitPreparationFrom);

// Reads `size` bytes of source into text (fewer when the source ends first), a large text in
// two halves at once; got is how many were read. False when the read fails.
bool ReadWhole(RawTextSource& source, size_t size, char* text, size_t& got,
               size_t splitFrom = kSplitPreparationFrom);

}  // namespace vellumine
