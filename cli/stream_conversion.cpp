#include "stream_conversion.h"

#include "system_path.h"

#include <memory>
#include <new>
#include <string>

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
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(OpenFile(path, "rb"), &std::fclose);
  return file != nullptr && ReadStream(file.get(), bytes);
}

}  // namespace

void SetBinaryMode([[maybe_unused]] std::FILE* stream) {
#ifdef _WIN32
  _setmode(_fileno(stream), _O_BINARY);
#endif
}

vellumine_result ConvertToStream(const std::string& inputPath, const vellumine_options& options,
                                 std::FILE* in, std::FILE* out) {
  try {
    std::string input;
    if (!(inputPath == "-" ? ReadStream(in, input) : ReadNamedFile(inputPath, input)))
      return VELLUMINE_CANNOT_OPEN_INPUT;
    std::string document;  // written only once it is whole
    auto collect = [](void* into, const char* bytes, size_t n) {
      try {
        static_cast<std::string*>(into)->append(bytes, n);
        return 0;
      } catch (const std::bad_alloc&) {
        return 1;  // no exception crosses the library
      }
    };
    vellumine_result result =
        vellumine_convert_memory(input.data(), input.size(), &options, collect, &document);
    if (result != VELLUMINE_OK) return result;
    if (std::fwrite(document.data(), 1, document.size(), out) != document.size() ||
        std::fflush(out) != 0)
      return VELLUMINE_CANNOT_WRITE_OUTPUT;
    return VELLUMINE_OK;
  } catch (const std::bad_alloc&) {
    return VELLUMINE_OUT_OF_MEMORY;
  }
}

}  // namespace vellumine
