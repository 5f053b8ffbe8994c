#include "page_window.h"

#include <algorithm>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#endif

namespace vellumine {
namespace {

// Address space for `size` bytes that holds no memory until it is written; null when there
// is none. On Windows it is committed a block at a time before it is written.
char* Reserve(size_t size) {
#ifdef _WIN32
  return static_cast<char*>(VirtualAlloc(nullptr, size, MEM_RESERVE, PAGE_NOACCESS));
#else
  void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE,
                 -1, 0);
  return p == MAP_FAILED ? nullptr : static_cast<char*>(p);
#endif
}

bool Hold(char* at, size_t size) {
#ifdef _WIN32
  return VirtualAlloc(at, size, MEM_COMMIT, PAGE_READWRITE) != nullptr;
#else
  (void)at;
  (void)size;
  return true;  // written pages are held as they are touched
#endif
}

// Gives back the memory under [at, at + size): the bytes there are not read again.
void LetGo(char* at, size_t size) {
  if (size == 0) return;
#ifdef _WIN32
  VirtualFree(at, size, MEM_DECOMMIT);
#else
  madvise(at, size, MADV_DONTNEED);
#endif
}

// Moves the memory under [from, from + size) to [to, to + size), whatever it holds, leaving
// none under from; false where that cannot be done (the memory stays where it was). Memory
// written once and moved costs nothing more, where fresh memory is cleared first.
#if defined(__linux__) && defined(MREMAP_DONTUNMAP)
constexpr bool kCanMove = true;
#else
constexpr bool kCanMove = false;
#endif
bool Move(char* from, char* to, size_t size) {
#if defined(__linux__) && defined(MREMAP_DONTUNMAP)
  return mremap(from, size, size, MREMAP_MAYMOVE | MREMAP_FIXED | MREMAP_DONTUNMAP, to) != MAP_FAILED;
#else
  (void)from;
  (void)to;
  (void)size;
  return false;
#endif
}

void Unreserve(char* at, size_t size) {
#ifdef _WIN32
  (void)size;
  VirtualFree(at, 0, MEM_RELEASE);
#else
  munmap(at, size);
#endif
}

}  // namespace

PageWindow::~PageWindow() {
  if (base_) Unreserve(base_, reserved_);
}

bool PageWindow::Open(RawTextSource& source, uint64_t size, size_t blockSize) {
  // The last block, and the zeros after the text's end, past the size.
  const uint64_t reserve = size + blockSize + kPageSize;
  if (size > SIZE_MAX || reserve > SIZE_MAX || reserve < size) return false;
  source_ = &source;
  size_ = static_cast<size_t>(size);
  block_ = blockSize;
  reserved_ = static_cast<size_t>(reserve) / kPageSize * kPageSize;
  base_ = Reserve(reserved_);
  text_ = base_;
  return base_ != nullptr;
}

void PageWindow::ReadBlock() {
  const size_t at = read_;
  const size_t want = std::min(block_, size_ - at);
  // The memory of a block let go of, where it can be moved here.
  if (spareCount_ > 0 && want == block_ && Move(spares_[spareCount_ - 1], base_ + at, block_))
    --spareCount_;
  // The block, and after the source's last bytes the page that holds the zeros after them.
  if (!Hold(base_ + at, want + kPageSize)) {
    failed_ = ended_ = true;
    end_ = at;
    return;
  }
  size_t got = 0;
  if (!source_->ReadAt(at, base_ + at, want, got)) {
    failed_ = true;
    got = 0;
  }
  read_ = at + got;
  mostHeld_ = std::max(mostHeld_, read_ - released_);
  if (const void* stop = std::memchr(base_ + at, 0x1A, got)) {
    end_ = static_cast<size_t>(static_cast<const char*>(stop) - base_);
  } else if (got < want || read_ == size_) {
    end_ = read_;  // the source ended (or shrank since it was opened)
  } else {
    return;
  }
  ended_ = true;
  // The zeros after the end: the readers have read nothing from the end on so far.
  std::memset(base_ + end_, 0, std::min(kReadPast, reserved_ - end_));
}

size_t PageWindow::Reach(size_t p) {
  std::lock_guard<std::mutex> lock(mutex_);
  while (!ended_ && Limit() < p) ReadBlock();
  return Limit();
}

bool PageWindow::Ended() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return ended_;
}

size_t PageWindow::mostHeld() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return mostHeld_;
}

bool PageWindow::failed() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return failed_;
}

void PageWindow::Release(size_t to) {
  to = to / kPageSize * kPageSize;
  if (to <= released_) return;
  // Whole blocks are kept as spares for the blocks read next, up to kSpares of them.
  while (kCanMove && to - released_ >= block_ && released_ % block_ == 0 &&
         spareCount_ < kSpares) {
    spares_[spareCount_++] = base_ + released_;
    released_ += block_;
  }
  LetGo(base_ + released_, to - released_);
  released_ = to;
}

void PageWindow::Pass(size_t p) {
  std::lock_guard<std::mutex> lock(mutex_);
  // Whole blocks only, and never what was not read.
  Release(std::min(p, read_) / block_ * block_);
}

void PageWindow::Rewind() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (released_ == 0) return;  // all that was read is still there
  Release(reserved_);
  // The spares' memory stays where it is, for the same blocks read again.
  spareCount_ = 0;
  released_ = read_ = end_ = 0;
  ended_ = failed_ = false;
}

}  // namespace vellumine
