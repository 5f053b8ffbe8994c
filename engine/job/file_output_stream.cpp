#include "file_output_stream.h"

#include <cstring>
#include <new>

#include "fast/allocation_limit.h"
#include "fast/byte_scan.h"

namespace vellumine {

namespace {

// The large block an output on this thread had, for the next large one: fresh memory costs
// more than the copies made through it, on some machines.
ByteBuffer& KeptLargeStaging() {
  thread_local ByteBuffer kept;
  return kept;
}

}  // namespace

FileOutputStream::~FileOutputStream() {
  if (staging_.capacity() == kLargeStaging && KeptLargeStaging().capacity() == 0)
    staging_.Swap(KeptLargeStaging());
}

bool FileOutputStream::Open(const char* path) {
  if (!staging_.Allocate(kSmallStaging)) return false;
  if (!file_.Create(path)) return false;
  // The stream is fed in large staged blocks; the library's own buffer would only copy.
  std::setvbuf(file_.file(), nullptr, _IONBF, 0);
  staged_ = 0;
  failed_ = false;
  return true;
}

void FileOutputStream::Flush() {
  if (staged_ == 0) return;
  if (!failed_ && std::fwrite(staging_.data(), 1, staged_, file_.file()) != staged_) failed_ = true;
  staged_ = 0;
}

void FileOutputStream::MakeRoom() {
  // An output that outgrows the small block gets the large one, or keeps the small one when
  // no large one can be had.
  if (staging_.capacity() < kLargeStaging) {
    ByteBuffer large;
    // Taken as an allocation would be: a test's limit refuses it the same way.
    if (KeptLargeStaging().capacity() == kLargeStaging && GrantBlockAllocation())
      large.Swap(KeptLargeStaging());
    if (large.capacity() == kLargeStaging || large.Allocate(kLargeStaging)) {
      std::memcpy(large.data(), staging_.data(), staged_);
      staging_.Swap(large);
      return;
    }
  }
  Flush();
}

void FileOutputStream::Write(const char* data, size_t n) {
  if (!file_.file() || failed_) {
    failed_ = true;
    return;
  }
  // Chunks are copied whole into the staging block and the line feeds expanded; the block
  // keeps one chunk and a CR of slack beyond what it holds.
  const unsigned char* s = reinterpret_cast<const unsigned char*>(data);
  unsigned char* stage = reinterpret_cast<unsigned char*>(staging_.data());
  size_t limit = staging_.capacity() - kScanChunk - 2;
  while (n > 0) {
    if (staged_ > limit) {
      MakeRoom();
      stage = reinterpret_cast<unsigned char*>(staging_.data());
      limit = staging_.capacity() - kScanChunk - 2;
    }
    if (n >= kScanChunk) {
      ScanChunk chunk(s);
      ScanBits lf = chunk.Equal('\n').Bits();
      chunk.Store(stage + staged_);
      if (!lf) {  // passed without waiting for where a line feed would be
        staged_ += kScanChunk;
        s += kScanChunk;
        n -= kScanChunk;
        continue;
      }
      size_t k = FirstSetByte(lf);
      staged_ += k;
      s += k;
      n -= k;
    }
    unsigned char c = *s++;
    --n;
    if (c == '\n') stage[staged_++] = '\r';
    stage[staged_++] = c;
  }
}

bool FileOutputStream::Close() {
  if (!file_.file()) return false;
  Flush();
  if (std::fflush(file_.file()) != 0) failed_ = true;
  if (failed_) {
    file_.Discard();
    return false;
  }
  if (!file_.Commit()) failed_ = true;
  return !failed_;
}

void FileOutputStream::Discard() {
  file_.Discard();
  staged_ = 0;
}

}  // namespace vellumine
