// The large blocks every conversion asks for (its writers and their output block, the text
// table or an RTF table's rows, a callback's output buffer), kept by the thread that ends a
// conversion for the next one it starts. Memory given back to the system is faulted in again
// a page at a time by the next page, which costs more than converting a small page does, and
// the faults of threads that share one address space hold one another up.
#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <type_traits>

namespace vellumine {

// Blocks smaller than this are not kept (the allocator keeps those itself).
inline constexpr size_t kSmallestKeptBlock = size_t{16} << 10;
// The most a thread keeps: in blocks, and in bytes.
inline constexpr size_t kKeptBlocks = 8;
inline constexpr size_t kKeptBytes = size_t{4} << 20;

// A block of `bytes`: one of that size that this thread kept, else a new one; null when there
// is no memory.
void* TakeBlock(size_t bytes) noexcept;
// Ends the use of a block that TakeBlock(bytes) gave: kept by this thread while it keeps
// fewer than kKeptBlocks of kKeptBytes in all, else freed.
void GiveBackBlock(void* block, size_t bytes) noexcept;
// Frees the blocks this thread keeps.
void FreeKeptBlocks() noexcept;
// How many blocks this thread keeps now.
size_t KeptBlockCount() noexcept;

// A class whose objects take their memory from the thread's kept blocks. (Its constructors
// must not throw: a nothrow new would have no delete to call.)
struct KeptByThread {
  static void* operator new(size_t bytes, const std::nothrow_t&) noexcept { return TakeBlock(bytes); }
  static void* operator new(size_t bytes) {
    if (void* block = TakeBlock(bytes)) return block;
    throw std::bad_alloc();
  }
  static void operator delete(void* block, size_t bytes) noexcept { GiveBackBlock(block, bytes); }
};

// An array of plain values in a kept block.
struct GiveBack {
  size_t bytes = 0;
  void operator()(void* block) const noexcept { GiveBackBlock(block, bytes); }
};
template <typename T>
using KeptArray = std::unique_ptr<T[], GiveBack>;

// An array of `count` values, not initialised; null when there is no memory.
template <typename T>
KeptArray<T> TakeArray(size_t count) noexcept {
  static_assert(std::is_trivially_default_constructible_v<T> && std::is_trivially_destructible_v<T>);
  const size_t bytes = count * sizeof(T);
  return KeptArray<T>(static_cast<T*>(TakeBlock(bytes)), GiveBack{bytes});
}

}  // namespace vellumine
