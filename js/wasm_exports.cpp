// What the WebAssembly module offers its JavaScript side beyond vellumine.h: the function
// that hands output over to JavaScript, and the layout JavaScript reads the options table in.
#include <cstddef>
#include <cstdint>

#include "fast/byte_scan.h"
#include "vellumine.h"

// JavaScript's side: takes bytes[0, n) of the output of the conversion numbered `sink`,
// told whether they are all ASCII (they then read as a string three times as fast as
// UTF-8's decoder reads them); returns 0 when it took them.
extern "C" __attribute__((import_module("env"), import_name("vellumine_take"))) int
vellumine_take(int sink, const char* bytes, size_t n, int ascii);

namespace {

// Whether text[0, n) holds no byte of 0x80 or above.
bool IsAscii(const char* text, size_t n) {
  using vellumine::kScanChunk;
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  size_t q = 0;
  vellumine::ScanBits high = 0;
  for (; n - q >= kScanChunk; q += kScanChunk) high |= vellumine::ScanChunk(s + q).High().Bits();
  for (; q < n; ++q) high |= s[q] >= 0x80;
  return high == 0;
}

int HandToJavaScript(void* sink, const char* bytes, size_t n) {
  return vellumine_take(static_cast<int>(reinterpret_cast<intptr_t>(sink)), bytes, n,
                        IsAscii(bytes, n) ? 1 : 0);
}

// JavaScript reads vellumine_option_info and vellumine_option_choice as rows of 32-bit
// words, in the order of their fields.
static_assert(sizeof(void*) == 4 && sizeof(int) == 4 && sizeof(size_t) == 4);
static_assert(offsetof(vellumine_option_info, kind) == 2 * 4);
static_assert(offsetof(vellumine_option_info, minimum) == 6 * 4);
static_assert(offsetof(vellumine_option_info, choices) == 11 * 4);
static_assert(offsetof(vellumine_option_info, choice_count) == 12 * 4);
static_assert(offsetof(vellumine_option_choice, name) == 1 * 4);

}  // namespace

extern "C" {

// The write function for vellumine_convert_memory and vellumine_converter_start whose
// context is the number of a JavaScript sink.
__attribute__((used, export_name("vellumine_js_writer"))) vellumine_write_fn
vellumine_js_writer(void) {
  return &HandToJavaScript;
}

// The size of vellumine_options, for JavaScript to set them aside.
__attribute__((used, export_name("vellumine_js_options_size"))) size_t
vellumine_js_options_size(void) {
  return sizeof(vellumine_options);
}

}  // extern "C"
