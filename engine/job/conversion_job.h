// The part of a conversion that ConvertFile and ConvertMemory share: the work buffers and
// every step from the bytes read to the end of the output.
#pragma once

#include <cstddef>
#include <cstdint>

#include "fast/byte_buffer.h"
#include "translation/translation_input.h"
#include "job/convert_file.h"
#include "job/page_window.h"
#include "reading/picture_finder.h"
#include "translation/raw_text_source.h"

namespace vellumine {

// The job's two work buffers, each of 4 x size + 1000 bytes.
struct WorkBuffers {
  WorkBuffers() = default;
  WorkBuffers(const WorkBuffers&) = delete;
  WorkBuffers& operator=(const WorkBuffers&) = delete;
  // A default reading's text buffer is kept for the next job on this thread.
  ~WorkBuffers();
  ByteBuffer text;      // the input as read (CR LF pairs, 0x1A end), later the body
  ByteBuffer prepared;  // the input without title, script, option, style, server blocks
  bool keepText = false;
};

// 4 x size + 1000; false when that does not fit the size type (32-bit platforms).
bool WorkBufferCapacity(uint64_t inputSize, size_t& capacity);

// Allocates the text buffer, then the prepared buffer (the default reading needs only a text
// buffer of the input's size): Ok or OutOfMemory.
vellumine_result AllocateWorkBuffers(uint64_t inputSize, WorkBuffers& buffers,
                                     vellumine_reading reading = VELLUMINE_READING_CLASSIC);

// Reads `size` bytes of source into buffers.text (fewer when it ends first), applies the
// read transformation, chooses the encoding, writes the RTF header, prepares, translates
// with progress, and writes the body and the RTF trailer to out. Ok, CannotOpenInput when
// the read fails, or OutOfMemory when the body could not grow. The default reading's RTF
// embeds the pictures that `pictures` opens (none without it).
vellumine_result RunConversion(WorkBuffers& buffers, RawTextSource& source, size_t size,
                               const vellumine_options& options, OutputStream& out,
                               PictureFinder* pictures = nullptr);

// In the classic reading, input files from this size on are read as the conversion gets to
// them, a block at a time, and let go of behind it; smaller ones are read whole into the work
// buffers. (The default reading reads every file a block at a time.)
inline constexpr uint64_t kReadAsItGoesFrom = uint64_t{16} << 20;

// How a conversion reads as it goes: the blocks read (for the classic reading a multiple of
// the page size; the default reading reads any size up to BlockTokenizer::kBlock), the
// classic reading's windows of prepared text.
struct AsItGoes {
  size_t block = PageWindow::kBlock;
  size_t window = kTranslationWindow;
};

// The conversion of `size` bytes of source read as it goes, in either reading: the output
// RunConversion writes. Ok, CannotOpenInput when a read fails, or OutOfMemory, with nothing
// written, when there is no memory or address space for the page's buffers.
vellumine_result RunConversionAsItGoes(RawTextSource& source, uint64_t size,
                                       const vellumine_options& options, OutputStream& out,
                                       const AsItGoes& tuning = {},
                                       PictureFinder* pictures = nullptr);
// The classic reading of a page window opened over the source (with the same results).
vellumine_result RunClassicReadingAsItGoes(PageWindow& page, const vellumine_options& options,
                                           OutputStream& out, const AsItGoes& tuning = {});

}  // namespace vellumine
