#include "stream_conversion.h"

#include <new>
#include <string>

#include "input_file.h"
#include "output_stream.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace vellumine {
namespace {

// All of a stream, read in blocks.
bool ReadStream(std::FILE* in, std::string& bytes) {
  char block[65536];
  for (size_t n; (n = std::fread(block, 1, sizeof block, in)) > 0;) bytes.append(block, n);
  return !std::ferror(in);
}

bool ReadNamedFile(const std::string& path, std::string& bytes) {
  InputFile file;
  if (!file.Open(path.c_str())) return false;
  bytes.resize(static_cast<size_t>(file.size()));
  size_t got = 0;
  if (!file.ReadAll(bytes.data(), bytes.size(), got)) return false;
  bytes.resize(got);
  return true;
}

}  // namespace

void SetBinaryMode([[maybe_unused]] std::FILE* stream) {
#ifdef _WIN32
  _setmode(_fileno(stream), _O_BINARY);
#endif
}

ConvertResult ConvertToStream(const std::string& inputPath, const ConvertOptions& options,
                              std::FILE* in, std::FILE* out) {
  try {
    std::string input;
    if (!(inputPath == "-" ? ReadStream(in, input) : ReadNamedFile(inputPath, input)))
      return ConvertResult::CannotOpenInput;
    NullProgressSink sink;
    MemoryOutputStream document(true);  // line feeds as CR LF, as a file holds them
    ConvertResult result = ConvertMemory(input.data(), input.size(), options, sink, document);
    if (result != ConvertResult::Ok) return result;
    const std::string& bytes = document.str();
    if (std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size() || std::fflush(out) != 0)
      return ConvertResult::CannotWriteOutput;
    return ConvertResult::Ok;
  } catch (const std::bad_alloc&) {
    return ConvertResult::OutOfMemory;
  }
}

}  // namespace vellumine
