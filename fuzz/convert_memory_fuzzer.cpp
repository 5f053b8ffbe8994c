// Fuzz target: one in-memory conversion per input. The first three bytes choose the mode,
// the reading, the encoding label and the font size text; the rest is the page. In the RTF
// modes the output must be one document whose group closes only in the trailer (in the
// default reading: at its last byte); plain text
// asked for in UTF-8 must be valid UTF-8. A page of more than one block read as it goes,
// in small blocks and windows, or pushed a piece at a time, gives the same output.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "job/conversion_job.h"
#include "translation/output_stream.h"
#include "translation/utf8.h"
#include "vellumine.h"

namespace {

using vellumine::IsWellFormedUtf8;

constexpr int kSizes[] = {10, 12, 7, -3, 9, 0, 1638, 99999, -99999, 1};

// The first byte at which the depth of unescaped braces comes back to 0, or npos.
size_t DocumentGroupEnd(const std::string& rtf) {
  long depth = 0;
  for (size_t i = 0; i < rtf.size(); ++i) {
    if (rtf[i] == '\\') {
      ++i;
    } else if (rtf[i] == '{') {
      ++depth;
    } else if (rtf[i] == '}' && --depth == 0) {
      return i;
    }
  }
  return std::string::npos;
}

// The default reading writes no group it does not close, and escapes every brace and
// backslash of the page: the document's group ends at its last byte.
void CheckWholeDocument(const std::string& rtf) {
  if (DocumentGroupEnd(rtf) != rtf.size() - 1) std::abort();
}

void CheckDocument(const std::string& rtf) {
  size_t end = DocumentGroupEnd(rtf);
  size_t trailer = rtf.rfind("\\par}");
  if (end == std::string::npos || trailer == std::string::npos || end < trailer) std::abort();
  if (rtf.find_first_not_of('}', end) != std::string::npos) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vellumine_options options;
  vellumine_options_init(&options);
  if (size >= 3) {
    options.format = data[0] % 2 ? VELLUMINE_FORMAT_TEXT : VELLUMINE_FORMAT_RTF;
    options.tables = data[0] / 2 % 2;
    options.text_utf8 = data[0] / 4 % 2;
    options.reading = data[0] / 8 % 2 ? VELLUMINE_READING_CLASSIC : VELLUMINE_READING_DEFAULT;
    options.encoding = static_cast<vellumine_encoding>(data[1] % 6);
    options.font_size = kSizes[data[2] % std::size(kSizes)];
    data += 3;
    size -= 3;
  }
  std::string out;
  auto collect = [](void* into, const char* bytes, size_t n) {
    static_cast<std::string*>(into)->append(bytes, n);
    return 0;
  };
  vellumine_result result = vellumine_convert_memory(reinterpret_cast<const char*>(data), size,
                                                     &options, collect, &out);
  if (result != (size == 0 ? VELLUMINE_EMPTY_INPUT : VELLUMINE_OK)) std::abort();
  if (size != 0 && options.format == VELLUMINE_FORMAT_RTF) {
    if (options.reading == VELLUMINE_READING_DEFAULT)
      CheckWholeDocument(out);
    else
      CheckDocument(out);
  }
  // Read as it goes, the page gives the same output: the default reading in blocks of a size
  // the page picks, from a few bytes on (the tokens cut anywhere); the classic reading in
  // blocks of 4096 (pages within one need no other test: the reading as it goes is that of
  // memory for them, and a page with threads of its own for every run would be slow to fuzz).
  const bool defaultReading = options.reading == VELLUMINE_READING_DEFAULT;
  if (size > (defaultReading ? 64 : 4096)) {
    struct Collected final : vellumine::OutputStream {  // line feeds as CR LF, as out has them
      std::string bytes;
      void Write(const char* b, size_t n) override {
        for (const char* end = b + n; b != end; ++b) {
          if (*b == '\n') bytes += '\r';
          bytes += *b;
        }
      }
    } asItGoes;
    vellumine::MemoryTextSource source(reinterpret_cast<const char*>(data), size);
    const size_t block = defaultReading ? 1 + (size_t{data[0]} * 37 + data[size - 1]) % 3000 : 4096;
    if (vellumine::RunConversionAsItGoes(source, size, options, asItGoes,
                                         {block, 3 * vellumine::kSettledSteps}) !=
            VELLUMINE_OK ||
        asItGoes.bytes != out)
      std::abort();
  }
  // Pushed a piece at a time, in pieces of sizes the page picks, it gives the same output (the
  // default reading; the classic one holds the pushed page and converts it from memory).
  if (defaultReading && size > 0) {
    std::string pushed;
    vellumine_converter* converter = nullptr;
    if (vellumine_converter_start(&options, collect, &pushed, &converter) != VELLUMINE_OK)
      std::abort();
    const size_t piece = 1 + (size_t{data[size - 1]} * 131 + data[0]) % 9000;
    for (size_t at = 0; at < size; at += piece) {
      if (vellumine_converter_push(converter, reinterpret_cast<const char*>(data) + at,
                                   std::min(piece, size - at)) != VELLUMINE_OK)
        std::abort();
    }
    if (vellumine_converter_finish(converter) != VELLUMINE_OK || pushed != out) std::abort();
    vellumine_converter_free(converter);
  }
  // Text asked for in UTF-8 is UTF-8 whatever the page.
  if (options.format == VELLUMINE_FORMAT_TEXT && options.text_utf8 &&
      !IsWellFormedUtf8(out.data(), out.size()))
    std::abort();
  return 0;
}
