#include "stream_conversion.h"

#include "spool_file.h"
#include "system_path.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>
#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace vellumine {
namespace {

// A stream of this size or more goes to a spool file, which the library reads as it goes;
// a shorter one is converted in memory.
constexpr size_t kSpoolFrom = size_t{4} << 20;

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

// Hands the library's output to a stream as it is made.
int WriteTo(void* stream, const char* bytes, size_t n) {
  return std::fwrite(bytes, 1, n, static_cast<std::FILE*>(stream)) == n ? 0 : 1;
}

// Up to limit bytes more of a stream, read in blocks; false when the read fails.
bool ReadStream(std::FILE* in, std::string& bytes, size_t limit) {
  char block[65536];
  while (bytes.size() < limit) {
    const size_t n = std::fread(block, 1, std::min(sizeof block, limit - bytes.size()), in);
    if (n == 0) break;
    bytes.append(block, n);
  }
  return !std::ferror(in);
}

// The bytes of a stream that cannot be read again, in a spool file when it is long, else in
// memory.
struct StreamedPage {
  std::string bytes;  // all of the page, or what the spool does not hold
  SpoolFile spool;
  bool spooled = false;
};

// Reads the page: a short one (or one that no spool file can take) into memory, a longer one
// into a spool file. A spool file that fails part way (a full disk) gives back what it took,
// and the page is held in memory. False when the stream's read fails.
bool ReadStreamedPage(std::FILE* in, StreamedPage& page) {
  if (!ReadStream(in, page.bytes, kSpoolFrom)) return false;
  if (page.bytes.size() < kSpoolFrom || !page.spool.Create())
    return ReadStream(in, page.bytes, SIZE_MAX);
  // Unbuffered, so that a failed write tells how much the file took.
  std::setvbuf(page.spool.file(), nullptr, _IONBF, 0);
  uint64_t taken = 0;
  for (;;) {
    const size_t n = std::fwrite(page.bytes.data(), 1, page.bytes.size(), page.spool.file());
    taken += n;
    if (n < page.bytes.size()) {
      // What the file took comes back from it, before what it did not.
      std::string rest = page.bytes.substr(n);
      page.bytes.clear();
      page.spool.Close();
      File back(OpenFile(page.spool.path(), "rb"), &std::fclose);
      if (!back || !ReadStream(back.get(), page.bytes, static_cast<size_t>(taken)) ||
          page.bytes.size() != taken)
        return false;
      page.bytes += rest;
      return ReadStream(in, page.bytes, SIZE_MAX);
    }
    page.bytes.clear();
    if (!ReadStream(in, page.bytes, kSpoolFrom)) return false;
    if (page.bytes.empty()) break;
  }
  page.spooled = page.spool.Close();
  return page.spooled;
}

// A page from a stream that cannot be read again (a pipe, a terminal).
vellumine_result ConvertStream(std::FILE* in, const vellumine_options& options, std::FILE* out) {
  StreamedPage page;
  if (!ReadStreamedPage(in, page)) return VELLUMINE_CANNOT_OPEN_INPUT;
  if (page.spooled) {
    // The spool file's folder is not the page's: without a root named, the page takes data:
    // pictures alone, as one converted in memory does.
    vellumine_options spooled = options;
    if (spooled.image_root == nullptr) spooled.image_root = "";
    return vellumine_convert_file_to(page.spool.path().c_str(), &spooled, WriteTo, out);
  }
  return vellumine_convert_memory(page.bytes.data(), page.bytes.size(), &options, WriteTo, out);
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
    vellumine_result result;
    if (inputPath == "-") {
      result = ConvertStream(in, options, out);
    } else {
      File named(OpenFile(inputPath, "rb"), &std::fclose);
      if (!named) return VELLUMINE_CANNOT_OPEN_INPUT;
      if (IsRegularFile(named.get())) {
        named.reset();
        result = vellumine_convert_file_to(inputPath.c_str(), &options, WriteTo, out);
      } else {
        result = ConvertStream(named.get(), options, out);  // a named pipe or a device
      }
    }
    if (result != VELLUMINE_OK) return result;
    if (std::fflush(out) != 0 || std::ferror(out)) return VELLUMINE_CANNOT_WRITE_OUTPUT;
    return VELLUMINE_OK;
  } catch (const std::bad_alloc&) {
    return VELLUMINE_OUT_OF_MEMORY;
  }
}

}  // namespace vellumine
