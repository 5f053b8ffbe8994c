#include "file_output_stream.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "fast/allocation_limit.h"
#include "fast/byte_scan.h"

namespace vellumine {

namespace {

// The large blocks an output on this thread had (the staging block, and the thread's two),
// for the next large one: fresh memory costs more than the copies made through it, on some
// machines.
constexpr int kKeptBlocks = 3;
ByteBuffer* KeptBlocks() {
  thread_local ByteBuffer kept[kKeptBlocks];
  return kept;
}

// A large block into into: a kept one, taken as an allocation would be (a test's limit
// refuses it the same way), or a new one; false when there is none to be had.
bool TakeLargeBlock(ByteBuffer& into, size_t capacity) {
  for (ByteBuffer* kept = KeptBlocks(); kept != KeptBlocks() + kKeptBlocks; ++kept) {
    if (kept->capacity() == capacity) {
      if (!GrantBlockAllocation(capacity)) return false;
      into.Swap(*kept);
      return true;
    }
  }
  return into.Allocate(capacity);
}

void KeepLargeBlock(ByteBuffer& block, size_t capacity) {
  if (block.capacity() != capacity) return;
  for (ByteBuffer* kept = KeptBlocks(); kept != KeptBlocks() + kKeptBlocks; ++kept) {
    if (kept->capacity() == 0) {
      kept->Swap(block);
      return;
    }
  }
}

// Copies s[0, n) to out with each line feed as CR LF; returns the bytes written. out has
// room for 2 n bytes. (Two chunks are stored whole only where at least that much input is
// left, which never becomes fewer bytes: no store passes the end of what is written.)
size_t ExpandLineEnds(const unsigned char* s, size_t n, unsigned char* out) {
  size_t written = 0;
  while (n > 0) {
    if (n >= 2 * kScanChunk) {  // two chunks at a time, as far as the first line feed
      const ScanChunk first(s), second(s + kScanChunk);
      const ScanBits lfFirst = first.Equal('\n').Bits();
      const ScanBits lfSecond = second.Equal('\n').Bits();
      first.Store(out + written);
      second.Store(out + written + kScanChunk);
      if (!(lfFirst | lfSecond)) {
        written += 2 * kScanChunk;
        s += 2 * kScanChunk;
        n -= 2 * kScanChunk;
        continue;
      }
      const size_t k = lfFirst ? FirstSetByte(lfFirst) : kScanChunk + FirstSetByte(lfSecond);
      written += k;
      s += k;
      n -= k;
    }
    const unsigned char c = *s++;
    --n;
    if (c == '\n') out[written++] = '\r';
    out[written++] = c;
  }
  return written;
}

}  // namespace

FileOutputStream::~FileOutputStream() {
  background_.reset();  // after the block it writes
  KeepLargeBlock(staging_, kLargeStaging);
  KeepLargeBlock(spare_, kLargeStaging);
  KeepLargeBlock(expanded_, kLargeStaging);
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

bool FileOutputStream::WriteBlock(const char* data, size_t n) {
  return n == 0 || std::fwrite(data, 1, n, file_.file()) == n;
}

void FileOutputStream::Flush() {
  if (!failed_ && !WriteBlock(staging_.data(), staged_)) failed_ = true;
  staged_ = 0;
}

void FileOutputStream::MakeRoom() {
  // An output that outgrows the small block gets a large one, or keeps the small one when
  // no large one can be had.
  if (staging_.capacity() < kLargeStaging) {
    ByteBuffer large;
    if (TakeLargeBlock(large, kLargeStaging)) {
      std::memcpy(large.data(), staging_.data(), staged_);
      staging_.Swap(large);
      if (expectedLarge_ && !backgroundTried_) StartBackground();
      return;
    }
  } else if (!backgroundTried_) {
    StartBackground();
    return;
  }
  if (background_) {
    if (!background_->Hand(staging_.data(), staged_)) failed_ = true;
    staging_.Swap(spare_);
    staged_ = 0;
    return;
  }
  Flush();
}

void FileOutputStream::StartBackground() {
  // One that outgrows the large block too, or is expected to, goes on (where allowed, and
  // where a thread and two more blocks can be had) as its bytes stand, in shorter blocks,
  // which a thread of their own expands and writes while the next block fills. The block
  // so far goes out here.
  backgroundTried_ = true;
  if (TakeLargeBlock(spare_, kLargeStaging) && TakeLargeBlock(expanded_, kLargeStaging)) {
    try {
      background_ = std::make_unique<BackgroundBlocks>([this](const char* data, size_t n) {
        const size_t length = ExpandLineEnds(reinterpret_cast<const unsigned char*>(data), n,
                                             reinterpret_cast<unsigned char*>(expanded_.data()));
        return WriteBlock(expanded_.data(), length);
      });
      if (!background_->Start()) background_.reset();
    } catch (const std::bad_alloc&) {
      background_.reset();
    }
  }
  Flush();
}

void FileOutputStream::Write(const char* data, size_t n) {
  if (!file_.file() || failed_) {
    failed_ = true;
    return;
  }
  while (n > 0) {
    if (staged_ >= StagingLimit()) {
      MakeRoom();
      if (failed_) return;
    }
    auto* stage = reinterpret_cast<unsigned char*>(staging_.data()) + staged_;
    size_t piece;
    if (background_) {  // the thread expands the line ends
      piece = std::min(n, StagingLimit() - staged_);
      std::memcpy(stage, data, piece);
      staged_ += piece;
    } else {
      // Each byte may become two (the limit keeps a chunk of slack beyond).
      piece = std::min(n, (StagingLimit() - staged_ + 1) / 2);
      staged_ += ExpandLineEnds(reinterpret_cast<const unsigned char*>(data), piece, stage);
    }
    data += piece;
    n -= piece;
  }
}

char* FileOutputStream::DirectRoom(size_t least, size_t& capacity) {
  if (!background_ || failed_ || !file_.file() || least > kBackgroundBlock) return nullptr;
  if (StagingLimit() - staged_ < least) {
    MakeRoom();
    if (failed_) return nullptr;
  }
  capacity = StagingLimit() - staged_;
  return staging_.data() + staged_;
}

bool FileOutputStream::Close() {
  if (!file_.file()) return false;
  if (background_) {
    if (!failed_ && !(background_->Hand(staging_.data(), staged_) && background_->Finish()))
      failed_ = true;
    staged_ = 0;
    background_.reset();
  } else {
    Flush();
  }
  if (std::fflush(file_.file()) != 0) failed_ = true;
  if (failed_) {
    file_.Discard();
    return false;
  }
  if (!file_.Commit()) failed_ = true;
  return !failed_;
}

void FileOutputStream::Discard() {
  background_.reset();  // after the block it writes
  file_.Discard();
  staged_ = 0;
}

}  // namespace vellumine
