// Fuzz target: one in-memory conversion per input. The first three bytes choose the mode,
// the encoding label and the font size text; the rest is the page. In the RTF modes the
// output must be one document whose group closes only in the trailer; the plain text of a
// UTF-8 page (labelled, or found by Auto-Select) must be valid UTF-8.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "convert_file.h"
#include "encoding.h"
#include "output_stream.h"
#include "utf8.h"

namespace {

using namespace vellumine;

constexpr const char* kLabels[] = {kEncodingLabels[0], kEncodingLabels[1], kEncodingLabels[2],
                                   kEncodingLabels[3], kEncodingLabels[4], kEncodingLabels[5],
                                   "UTF-8"};
constexpr const char* kSizes[] = {"10", "12", "7", " -3", "+9pt", "", "abc", "99999999999"};

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

void CheckDocument(const std::string& rtf) {
  size_t end = DocumentGroupEnd(rtf);
  size_t trailer = rtf.rfind("\\par}");
  if (end == std::string::npos || trailer == std::string::npos || end < trailer) std::abort();
  if (rtf.find_first_not_of('}', end) != std::string::npos) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ConvertOptions options;
  if (size >= 3) {
    options.mode = ToConversionMode(data[0] % 4);
    options.encodingLabel = kLabels[data[1] % std::size(kLabels)];
    options.fontSizeText = kSizes[data[2] % std::size(kSizes)];
    data += 3;
    size -= 3;
  }
  NullProgressSink sink;
  MemoryOutputStream out;
  ConvertResult result =
      ConvertMemory(reinterpret_cast<const char*>(data), size, options, sink, out);
  if (result != (size == 0 ? ConvertResult::EmptyInput : ConvertResult::Ok)) std::abort();
  if (size != 0 && options.mode != ConversionMode::Text) CheckDocument(out.str());
  // The page ends at its first 0x1A, as the conversion reads it.
  const char* page = reinterpret_cast<const char*>(data);
  const void* end = std::memchr(page, 0x1A, size);
  size_t length = end ? static_cast<size_t>(static_cast<const char*>(end) - page) : size;
  if (options.mode == ConversionMode::Text &&
      ChooseEncoding(options.encodingLabel, page, length).utf8)
    if (!IsWellFormedUtf8(out.str().data(), out.str().size())) std::abort();
  return 0;
}
