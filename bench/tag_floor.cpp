// The least any HTML-to-text converter has to do: read the page, drop its markup and write
// what is left. Every byte from a '<' to the next '>' (both included) is deleted, nothing
// else is looked at: no entities, no line ends, no white space. scripts/measure-process
// and scripts/measure-instructions time the command line against it.
//
//   vellumine_tag_floor IN OUT
//
// The file is read in blocks of 128 KiB into one buffer that is used again for every
// block; the text kept is moved to the front of the block and written with one call. A tag
// may run on into the next block: whether a block ends inside one is carried over.
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr size_t kBlockBytes = 128 * 1024;

// A file opened with fopen and closed when it goes out of scope. Unbuffered: the blocks
// are as large as stdio's buffer would be, and go straight to read(2) and write(2).
class File {
 public:
  File(const char* path, const char* mode) : file_(std::fopen(path, mode)) {
    if (file_) std::setvbuf(file_, nullptr, _IONBF, 0);
  }
  ~File() {
    if (file_) std::fclose(file_);
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  std::FILE* get() const { return file_; }

  // Closes the file now; false when closing failed (an output's last write may fail here).
  bool Close() {
    std::FILE* file = file_;
    file_ = nullptr;
    return std::fclose(file) == 0;
  }

 private:
  std::FILE* file_;
};

// Deletes the tags from the n bytes at data, moving the rest to the front. `inTag` says
// whether the block starts inside a tag and is left saying whether it ends inside one.
// Returns how many bytes are kept.
size_t DeleteTags(char* data, size_t n, bool& inTag) {
  char* const end = data + n;
  char* from = data;
  char* to = data;
  while (from < end) {
    const auto left = static_cast<size_t>(end - from);
    if (inTag) {
      auto* close = static_cast<char*>(std::memchr(from, '>', left));
      if (!close) break;  // the tag goes on into the next block
      from = close + 1;
      inTag = false;
      continue;
    }
    auto* open = static_cast<char*>(std::memchr(from, '<', left));
    char* const textEnd = open ? open : end;
    const auto length = static_cast<size_t>(textEnd - from);
    if (to != from) std::memmove(to, from, length);
    to += length;
    if (!open) break;
    from = open + 1;
    inTag = true;
  }
  return static_cast<size_t>(to - data);
}

int Fail(const char* what, const char* path, int error) {
  std::fprintf(stderr, "vellumine_tag_floor: cannot %s %s: %s\n", what, path, std::strerror(error));
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: vellumine_tag_floor IN OUT\n");
    return 2;
  }
  const char* inPath = argv[1];
  const char* outPath = argv[2];
  File in(inPath, "rb");
  if (!in.get()) return Fail("open", inPath, errno);
  File out(outPath, "wb");
  if (!out.get()) return Fail("create", outPath, errno);

  std::vector<char> block(kBlockBytes);
  bool inTag = false;
  for (;;) {
    const size_t got = std::fread(block.data(), 1, block.size(), in.get());
    if (got > 0) {
      const size_t kept = DeleteTags(block.data(), got, inTag);
      if (kept > 0 && std::fwrite(block.data(), 1, kept, out.get()) != kept) {
        return Fail("write", outPath, errno);
      }
    }
    if (got < block.size()) {
      if (std::ferror(in.get())) return Fail("read", inPath, errno);
      break;  // end of the file
    }
  }
  if (!out.Close()) return Fail("write", outPath, errno);
  return 0;
}
