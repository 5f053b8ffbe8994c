// The library's C interface: options checked, then the job run as the engine runs it.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "job/callback_output.h"
#include "job/conversion_mode.h"
#include "job/convert_file.h"
#include "job/pushed_conversion.h"
#include "output_path.h"
#include "translation/output_stream.h"
#include "vellumine.h"

#ifndef VELLUMINE_VERSION
#define VELLUMINE_VERSION "unknown"
#endif

namespace vellumine {
namespace {

// The size of the options of version 1.2, the first with a size: up to progress_context.
constexpr size_t kFirstOptionsSize =
    offsetof(vellumine_options, progress_context) + sizeof(void*);

// The number stored in an enumeration's place.
template <typename Enumeration>
int Stored(const Enumeration& value) {
  static_assert(sizeof(Enumeration) == sizeof(int), "C enumerations are ints here");
  int number;
  std::memcpy(&number, &value, sizeof number);
  return number;
}

// Whether value is one of the option's choices in the table.
bool IsChoice(const char* name, int value) {
  const vellumine_option_info* option = vellumine_find_option(name);
  for (int i = 0; i < option->choice_count; ++i)
    if (option->choices[i].value == value) return true;
  return false;
}

// Whether value is within the option's limits in the table.
bool IsInRange(const char* name, int value) {
  const vellumine_option_info* option = vellumine_find_option(name);
  return value >= option->minimum && value <= option->maximum;
}

// The caller's options over the defaults, as far as its struct goes; false when they are
// missing or out of range.
bool ReadOptions(const vellumine_options* given, vellumine_options& options) {
  if (given == nullptr || given->size < kFirstOptionsSize) return false;
  options = DefaultOptions();
  std::memcpy(&options, given, given->size < sizeof options ? given->size : sizeof options);
  options.size = sizeof options;
  if (options.font_name == nullptr) options.font_name = DefaultOptions().font_name;
  // The enumerations as the numbers the caller stored: a value outside an enumeration's
  // range may not be read as the enumeration.
  const int reading = Stored(options.reading);
  const int links = Stored(options.links);
  // Links and wrapping belong to the default reading's plain text.
  const bool classicAlone = reading == VELLUMINE_READING_DEFAULT ||
                            (links == VELLUMINE_LINKS_NONE && options.wrap == 0);
  return IsChoice("format", Stored(options.format)) &&
         IsChoice("encoding", Stored(options.encoding)) && IsChoice("reading", reading) &&
         IsChoice("links", links) && classicAlone && IsInRange("wrap", options.wrap) &&
         IsChoice("images", Stored(options.images));
}

}  // namespace
}  // namespace vellumine

using vellumine::ReadOptions;

extern "C" {

void vellumine_options_init(vellumine_options* options) {
  if (options != nullptr) *options = vellumine::DefaultOptions();
}

vellumine_result vellumine_convert_file(const char* input_path, const char* output_directory,
                                        const vellumine_options* options) {
  vellumine_options checked;
  if (input_path == nullptr || output_directory == nullptr || !ReadOptions(options, checked))
    return VELLUMINE_INVALID_ARGUMENT;
  return vellumine::ConvertFile(input_path, output_directory, checked);
}

vellumine_result vellumine_convert_memory(const char* input, size_t size,
                                          const vellumine_options* options,
                                          vellumine_write_fn write, void* write_context) {
  vellumine_options checked;
  if ((input == nullptr && size != 0) || write == nullptr || !ReadOptions(options, checked))
    return VELLUMINE_INVALID_ARGUMENT;
  try {
    auto out = std::make_unique<vellumine::CallbackOutputStream>(write, write_context);
    vellumine_result result = vellumine::ConvertMemory(input ? input : "", size, checked, *out);
    if (result == VELLUMINE_OK && !out->Finish()) return VELLUMINE_CANNOT_WRITE_OUTPUT;
    return result;
  } catch (const std::bad_alloc&) {
    return VELLUMINE_OUT_OF_MEMORY;
  }
}

vellumine_result vellumine_convert_file_to(const char* input_path,
                                           const vellumine_options* options,
                                           vellumine_write_fn write, void* write_context) {
  vellumine_options checked;
  if (input_path == nullptr || write == nullptr || !ReadOptions(options, checked))
    return VELLUMINE_INVALID_ARGUMENT;
  try {
    auto out = std::make_unique<vellumine::CallbackOutputStream>(write, write_context);
    vellumine_result result = vellumine::ConvertFileTo(input_path, checked, *out);
    if (result == VELLUMINE_OK && !out->Finish()) return VELLUMINE_CANNOT_WRITE_OUTPUT;
    return result;
  } catch (const std::bad_alloc&) {
    return VELLUMINE_OUT_OF_MEMORY;
  }
}

struct vellumine_converter {
  vellumine_converter(const vellumine_options& options, vellumine_write_fn write, void* context)
      : conversion(options, write, context) {}
  vellumine::PushedConversion conversion;
};

vellumine_result vellumine_converter_start(const vellumine_options* options,
                                           vellumine_write_fn write, void* write_context,
                                           vellumine_converter** converter) {
  vellumine_options checked;
  if (converter == nullptr) return VELLUMINE_INVALID_ARGUMENT;
  *converter = nullptr;
  if (write == nullptr || !ReadOptions(options, checked)) return VELLUMINE_INVALID_ARGUMENT;
  try {
    auto started = std::make_unique<vellumine_converter>(checked, write, write_context);
    if (const vellumine_result failure = started->conversion.failure(); failure != VELLUMINE_OK)
      return failure;
    *converter = started.release();
    return VELLUMINE_OK;
  } catch (const std::bad_alloc&) {
    return VELLUMINE_OUT_OF_MEMORY;
  }
}

vellumine_result vellumine_converter_push(vellumine_converter* converter, const char* bytes,
                                          size_t n) {
  if (converter == nullptr || (bytes == nullptr && n != 0)) return VELLUMINE_INVALID_ARGUMENT;
  try {
    return converter->conversion.Push(bytes, n);
  } catch (const std::bad_alloc&) {
    return VELLUMINE_OUT_OF_MEMORY;
  }
}

vellumine_result vellumine_converter_finish(vellumine_converter* converter) {
  if (converter == nullptr) return VELLUMINE_INVALID_ARGUMENT;
  try {
    return converter->conversion.Finish();
  } catch (const std::bad_alloc&) {
    return VELLUMINE_OUT_OF_MEMORY;
  }
}

void vellumine_converter_free(vellumine_converter* converter) { delete converter; }

size_t vellumine_output_path(const char* input_path, const char* output_directory,
                             const vellumine_options* options, char* buffer, size_t capacity) {
  vellumine_options checked;
  if (input_path == nullptr || output_directory == nullptr || !ReadOptions(options, checked))
    return 0;
  try {
    std::string path;
    if (!vellumine::MakeOutputPath(input_path, output_directory,
                                   vellumine_format_extension(checked.format),
                                   vellumine::kNativePathStyle, path))
      return 0;
    if (buffer != nullptr && path.size() < capacity) std::memcpy(buffer, path.c_str(), path.size() + 1);
    return path.size();
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

const char* vellumine_result_text(vellumine_result result) {
  switch (result) {
    case VELLUMINE_OK:
      return "converted";
    case VELLUMINE_OUT_OF_MEMORY:
      return "out of memory";
    case VELLUMINE_CANNOT_OPEN_OUTPUT:
      return "cannot open the output";
    case VELLUMINE_CANNOT_OPEN_INPUT:
      return "cannot open the input";
    case VELLUMINE_EMPTY_INPUT:
      return "the input is empty";
    case VELLUMINE_CANNOT_WRITE_OUTPUT:
      return "cannot write the output";
    case VELLUMINE_INVALID_ARGUMENT:
      return "invalid argument";
  }
  return "unknown result";
}

const char* vellumine_version(void) { return VELLUMINE_VERSION; }

}  // extern "C"
