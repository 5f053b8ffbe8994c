#include "conversion_job.h"

#include <cstring>

#include "translation/encoding.h"
#include "fast/allocation_limit.h"
#include "fast/split_preparation.h"
#include "job/page_window.h"
#include "job/temporary_file_store.h"
#include "translation/prepared_source.h"
#include "translation/sliding_text.h"
#include "reading/read_page.h"
#include "translation/rtf_templates.h"
#include "translation/rtf_writer.h"
#include "translation/text_writer.h"

namespace vellumine {
bool WorkBufferCapacity(uint64_t inputSize, size_t& capacity) {
  constexpr uint64_t kMax = SIZE_MAX;
  if (inputSize > (kMax - 1000) / 4) return false;
  capacity = static_cast<size_t>(inputSize * 4 + 1000);
  return true;
}

namespace {

// The text buffer a default reading's job on this thread left, for the next: a converter of
// many pages touches fresh memory (which costs more than the conversion, on some machines)
// once, not for every page. Kept up to this size.
constexpr size_t kKeptTextLimit = size_t{64} << 20;
ByteBuffer& KeptText() {
  thread_local ByteBuffer kept;
  return kept;
}

}  // namespace

WorkBuffers::~WorkBuffers() {
  if (keepText && text.capacity() <= kKeptTextLimit && text.capacity() > KeptText().capacity())
    text.Swap(KeptText());
}

vellumine_result AllocateWorkBuffers(uint64_t inputSize, WorkBuffers& buffers,
                                     vellumine_reading reading) {
  if (reading == VELLUMINE_READING_DEFAULT) {
    // The default reading holds the text as read and nothing else of its size (and reads
    // a little past the text's end).
    if (inputSize > SIZE_MAX - 64) return VELLUMINE_OUT_OF_MEMORY;
    const size_t capacity = static_cast<size_t>(inputSize) + 64;
    buffers.keepText = true;
    if (KeptText().capacity() >= capacity) {
      // Taken as an allocation would be: a test's limit refuses it the same way.
      if (!GrantBlockAllocation(KeptText().capacity())) return VELLUMINE_OUT_OF_MEMORY;
      buffers.text.Swap(KeptText());
      return VELLUMINE_OK;
    }
    if (!buffers.text.Allocate(capacity)) return VELLUMINE_OUT_OF_MEMORY;
    return VELLUMINE_OK;
  }
  size_t capacity = 0;
  if (!WorkBufferCapacity(inputSize, capacity) || !buffers.text.Allocate(capacity) ||
      !buffers.prepared.Allocate(capacity))
    return VELLUMINE_OUT_OF_MEMORY;
  return VELLUMINE_OK;
}

namespace {

vellumine_result RunDefaultReading(ByteBuffer& text, RawTextSource& source, size_t size,
                                   const vellumine_options& options, OutputStream& out,
                                   PictureFinder* pictures) {
  size_t got = 0;
  if (!ReadWhole(source, size, text.data(), got)) return VELLUMINE_CANNOT_OPEN_INPUT;
  // The text ends at its first 0x1A; its CR LF pairs are line ends to the reading.
  const void* end = std::memchr(text.data(), 0x1A, got);
  const size_t n = end ? static_cast<size_t>(static_cast<const char*>(end) - text.data()) : got;
  static_assert(kReadPastPage <= 64, "the text buffer holds 64 bytes more than the input");
  std::memset(text.data() + n, 0, kReadPastPage);
  const EncodingChoice encoding = ChooseEncoding(options.encoding, text.data(), n);
  const ProgressReport progress{options.progress, options.progress_context};
  progress.Show(1);
  ProgressTicks ticks(n, progress);
  TemporaryFileStore addressStore;
  vellumine_result result =
      ReadPage(text.data(), n, encoding, options, ticks, out, &addressStore, pictures);
  if (result == VELLUMINE_OK) progress.Show(kProgressSteps);
  return result;
}

}  // namespace

namespace {

vellumine_result RunDefaultReadingAsItGoes(RawTextSource& source, uint64_t size,
                                           const vellumine_options& options, OutputStream& out,
                                           const AsItGoes& tuning, PictureFinder* pictures) {
  EncodingChoice encoding;
  if (options.encoding == VELLUMINE_ENCODING_AUTO) {
    // The choice reads the page as far as the head's declarations (all of it when there are
    // none) before the reading starts again from the top.
    PageWindow page;
    if (!page.Open(source, size)) return VELLUMINE_OUT_OF_MEMORY;
    encoding = ChooseEncoding(options.encoding, page);
  } else {
    encoding = ChooseEncoding(options.encoding, "", 0);  // as the caller asks: nothing read
  }
  const ProgressReport progress{options.progress, options.progress_context};
  progress.Show(1);
  // The ticks count on the bytes to be read: the text's length is known at its end.
  ProgressTicks ticks(static_cast<size_t>(size), progress);
  TemporaryFileStore addressStore;
  vellumine_result result =
      ReadPage(source, size, tuning.block, encoding, options, ticks, out, &addressStore, pictures);
  if (result == VELLUMINE_OK) progress.Show(kProgressSteps);
  return result;
}

}  // namespace

// The page read and prepared a few parts ahead on a second thread, and translated a window
// at a time on this one.
vellumine_result RunClassicReadingAsItGoes(PageWindow& raw, const vellumine_options& options,
                                           OutputStream& out, const AsItGoes& tuning) {
  const EncodingChoice encoding = ChooseEncoding(options.encoding, raw);
  raw.Rewind();
  const ConversionMode mode = ModeOf(options);
  const bool rtf = mode != ConversionMode::Text;
  RtfTemplates templates;
  if (rtf) {
    FormatRtfTemplates(templates, options.font_size, mode == ConversionMode::RtfTables);
    WriteRtfHeader(out, options.font_name, templates, encoding.cyrillic);
  }
  const ProgressReport progress{options.progress, options.progress_context};
  progress.Show(1);
  // The ticks count on the page's bytes as they are prepared.
  ProgressTicks ticks(raw.expected(), progress);
  PreparedSource preparedSource(raw, ticks);
  SlidingText prepared(preparedSource);
  int openGroups = 0;
  if (rtf) {
    openGroups = TranslateToRtfAsItGoes(prepared, encoding, templates,
                                        mode == ConversionMode::RtfTables, out, tuning.window);
    if (openGroups < 0) return VELLUMINE_OUT_OF_MEMORY;
  } else if (!TranslateToTextAsItGoes(prepared, encoding, options.text_utf8 != 0, out,
                                      tuning.window)) {
    return VELLUMINE_OUT_OF_MEMORY;
  }
  if (raw.failed()) return VELLUMINE_CANNOT_OPEN_INPUT;
  if (prepared.failed()) return VELLUMINE_OUT_OF_MEMORY;
  progress.Show(kProgressSteps);
  if (rtf) WriteRtfTrailer(out, openGroups);
  return VELLUMINE_OK;
}

vellumine_result RunConversionAsItGoes(RawTextSource& source, uint64_t size,
                                       const vellumine_options& options, OutputStream& out,
                                       const AsItGoes& tuning, PictureFinder* pictures) {
  if (options.reading == VELLUMINE_READING_DEFAULT)
    return RunDefaultReadingAsItGoes(source, size, options, out, tuning, pictures);
  PageWindow page;
  if (!page.Open(source, size, tuning.block)) return VELLUMINE_OUT_OF_MEMORY;
  return RunClassicReadingAsItGoes(page, options, out, tuning);
}

vellumine_result RunConversion(WorkBuffers& buffers, RawTextSource& source, size_t size,
                               const vellumine_options& options, OutputStream& out,
                               PictureFinder* pictures) {
  if (options.reading == VELLUMINE_READING_DEFAULT)
    return RunDefaultReading(buffers.text, source, size, options, out, pictures);
  const ConversionMode mode = ModeOf(options);
  const bool rtf = mode != ConversionMode::Text;
  const bool tables = mode == ConversionMode::RtfTables;
  const ProgressReport progress{options.progress, options.progress_context};
  ByteBuffer& text = buffers.text;
  ByteBuffer& prepared = buffers.prepared;
  // The read, the read transformation and the preparation, which also finds the text's end
  // (the first 0x1A). The charset scan then reads the raw text up to that end: it looks for
  // nothing a CR LF pair could be part of, so the pairs do not matter to it.
  size_t n = 0;
  if (!ReadAndPrepare(source, size, text, prepared, n)) return VELLUMINE_CANNOT_OPEN_INPUT;

  // With nothing read, the automatic choice finds no declaration: Latin-1.
  EncodingChoice encoding = ChooseEncoding(options.encoding, text.data(), n);
  RtfTemplates templates;
  if (rtf) {
    FormatRtfTemplates(templates, options.font_size, tables);
    WriteRtfHeader(out, options.font_name, templates, encoding.cyrillic);
  }

  int openGroups = 0;
  if (n == 0) {
    text.Clear();  // nothing was read: the body stays empty
  } else {
    progress.Show(1);
    ProgressTicks ticks;
    ticks = ProgressTicks(prepared.size(), progress);
    text.Clear();  // the raw text is no longer needed: the buffer takes the body
    const TranslationInput input{prepared.data(), prepared.size(), encoding,    ticks,
                                 kSplitTranslationFrom,  &out,           kStreamPiece,
                                 options.text_utf8 != 0};
    switch (mode) {
      case ConversionMode::Text:
        TranslateToText(input, text);
        break;
      case ConversionMode::Rtf:
        openGroups = TranslateToRtf(input, templates, text);
        break;
      case ConversionMode::RtfTables:
        openGroups = TranslateToRtfWithTables(input, templates, text);
        break;
    }
    if (text.failed()) return VELLUMINE_OUT_OF_MEMORY;
  }

  progress.Show(kProgressSteps);
  if (!text.empty()) out.Write(text.data(), text.size());
  if (rtf) WriteRtfTrailer(out, openGroups);
  return VELLUMINE_OK;
}

}  // namespace vellumine
