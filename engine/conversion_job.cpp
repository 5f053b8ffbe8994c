#include "conversion_job.h"

#include "encoding.h"
#include "split_preparation.h"
#include "rtf_templates.h"
#include "rtf_writer.h"
#include "text_writer.h"

namespace vellumine {
bool WorkBufferCapacity(uint64_t inputSize, size_t& capacity) {
  constexpr uint64_t kMax = SIZE_MAX;
  if (inputSize > (kMax - 1000) / 4) return false;
  capacity = static_cast<size_t>(inputSize * 4 + 1000);
  return true;
}

void ResetProgress(ProgressSink& sink) {
  sink.SetRange(0, 50);
  sink.SetPosition(0);
  sink.SetPercentText("0");
}

ConvertResult AllocateWorkBuffers(uint64_t inputSize, WorkBuffers& buffers) {
  size_t capacity = 0;
  if (!WorkBufferCapacity(inputSize, capacity) || !buffers.text.Allocate(capacity) ||
      !buffers.prepared.Allocate(capacity))
    return ConvertResult::OutOfMemory;
  return ConvertResult::Ok;
}

ConvertResult RunConversion(WorkBuffers& buffers, RawTextSource& source, size_t size,
                            const ConvertOptions& options, ProgressSink& sink, OutputStream& out) {
  const bool rtf = options.mode != ConversionMode::Text;
  const bool tables = options.mode == ConversionMode::RtfTables;
  ByteBuffer& text = buffers.text;
  ByteBuffer& prepared = buffers.prepared;
  // The read, the read transformation and the preparation, which also finds the text's end
  // (the first 0x1A). The charset scan then reads the raw text up to that end: it looks for
  // nothing a CR LF pair could be part of, so the pairs do not matter to it.
  size_t n = 0;
  if (!ReadAndPrepare(source, size, text, prepared, n)) return ConvertResult::CannotOpenInput;

  // With nothing read, Auto-Select finds no declaration: identity, Cyrillic flag clear.
  EncodingChoice encoding = ChooseEncoding(options.encodingLabel, text.data(), n);
  RtfTemplates templates;
  if (rtf) {
    FormatRtfTemplates(templates, options.fontSizeText, tables);
    WriteRtfHeader(out, options.fontName, templates, encoding.cyrillic);
  }

  int openGroups = 0;
  if (n == 0) {
    text.Clear();  // nothing was read: the body stays empty
  } else {
    sink.SetPosition(1);
    ProgressTicks ticks;
    BuildProgressTicks(ticks, prepared.size(), sink);
    text.Clear();  // the raw text is no longer needed: the buffer takes the body
    const TranslationInput input{prepared.data(), prepared.size(), encoding,    ticks,
                                 kSplitTranslationFrom,  &out,           kStreamPiece,
                                 options.textAsUtf8};
    switch (options.mode) {
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
    if (text.failed()) return ConvertResult::OutOfMemory;
  }

  sink.SetPosition(50);
  sink.SetPercentText("100");
  if (!text.empty()) out.Write(text.data(), text.size());
  if (rtf) WriteRtfTrailer(out, openGroups);
  return ConvertResult::Ok;
}

}  // namespace vellumine
