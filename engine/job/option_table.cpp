// The table of the conversion's options: names, choices, limits and defaults, written once
// for the library, the command line, the window and "settings.ini".
#include <cstddef>
#include <cstring>
#include <iterator>

#include "job/conversion_mode.h"
#include "vellumine.h"

namespace vellumine {
namespace {

constexpr vellumine_option_choice kFormats[] = {
    {VELLUMINE_FORMAT_RTF, "rtf", "rtf", nullptr, nullptr},
    // The command line has always said "txt", after the output's extension.
    {VELLUMINE_FORMAT_TEXT, "text", "txt", nullptr, nullptr},
};

// In the window's list order; the labels are the ones earlier versions showed, and the
// command line takes them as they stand too.
constexpr vellumine_option_choice kEncodings[] = {
    {VELLUMINE_ENCODING_AUTO, "auto", "auto", nullptr, "Auto-Select"},
    {VELLUMINE_ENCODING_WINDOWS_1251, "windows-1251", "windows-1251", nullptr,
     "(Windows-1251) Cyrillic"},
    {VELLUMINE_ENCODING_KOI8_R, "koi8-r", "koi8-r", nullptr, "(KOI8-R) Cyrillic"},
    {VELLUMINE_ENCODING_ISO_8859_1, "iso-8859-1", "iso-8859-1", nullptr, "(ISO-8859-1) Latin1"},
    {VELLUMINE_ENCODING_ISO_8859_5, "iso-8859-5", "iso-8859-5", nullptr,
     "(ISO-8859-5) Cyrillic"},
    {VELLUMINE_ENCODING_UTF_8, "utf-8", "utf-8", "utf8", "(UTF-8) Unicode"},
};

// Plain text in the page's own set or in UTF-8: a switch in the library, named choices on
// the command line.
constexpr vellumine_option_choice kTextEncodings[] = {
    {0, "page", "page", nullptr, nullptr},
    {1, "utf-8", "utf-8", nullptr, nullptr},
};

// The command line asks for the classic reading with "--classic" alone; "settings.ini"
// writes its name.
constexpr vellumine_option_choice kReadings[] = {
    {VELLUMINE_READING_DEFAULT, "default", "default", nullptr, nullptr},
    {VELLUMINE_READING_CLASSIC, "classic", "classic", nullptr, nullptr},
};

constexpr vellumine_option_choice kLinks[] = {
    {VELLUMINE_LINKS_NONE, "none", "none", nullptr, nullptr},
    {VELLUMINE_LINKS_INLINE, "inline", "inline", nullptr, nullptr},
    {VELLUMINE_LINKS_LIST, "list", "list", nullptr, nullptr},
};

constexpr vellumine_option_choice kImages[] = {
    {VELLUMINE_IMAGES_EMBED, "embed", "embed", nullptr, nullptr},
    {VELLUMINE_IMAGES_ALT, "alt", "alt", nullptr, nullptr},
};

constexpr vellumine_options kDefaults = DefaultOptions();

template <size_t N>
constexpr int Count(const vellumine_option_choice (&)[N]) {
  return static_cast<int>(N);
}

constexpr vellumine_option_info kOptions[] = {
    {"format", "format", VELLUMINE_OPTION_CHOICE, "output format", kDefaults.format,
     kDefaults.format, 0, 0, 0, nullptr, nullptr, kFormats, Count(kFormats)},
    // Off where a person chooses: the window's box and the command line's flag have always
    // started clear.
    {"tables", "tables", VELLUMINE_OPTION_SWITCH, "convert tables (RTF only)", kDefaults.tables,
     0, 0, 1, 0, nullptr, nullptr, nullptr, 0},
    {"encoding", "encoding", VELLUMINE_OPTION_CHOICE, "input encoding", kDefaults.encoding,
     kDefaults.encoding, 0, 0, 0, nullptr, nullptr, kEncodings, Count(kEncodings)},
    {"font_name", "font", VELLUMINE_OPTION_TEXT, "RTF font face", 0, 0, 0, 0, 0,
     kDefaults.font_name, VELLUMINE_FONT_NAME_REFUSED, nullptr, 0},
    // The engine takes a negative size as readers do; people are offered sizes from 1.
    {"font_size", "size", VELLUMINE_OPTION_NUMBER, "RTF font size in points",
     kDefaults.font_size, kDefaults.font_size, -VELLUMINE_FONT_SIZE_MAX, VELLUMINE_FONT_SIZE_MAX,
     1, nullptr, nullptr, nullptr, 0},
    {"text_utf8", "text-encoding", VELLUMINE_OPTION_CHOICE,
     "plain text in the page's own character set or in UTF-8", kDefaults.text_utf8,
     kDefaults.text_utf8, 0, 0, 0, nullptr, nullptr, kTextEncodings, Count(kTextEncodings)},
    {"reading", "classic", VELLUMINE_OPTION_CHOICE, "how the page's HTML is read",
     kDefaults.reading, kDefaults.reading, 0, 0, 0, nullptr, nullptr, kReadings,
     Count(kReadings)},
    {"links", "links", VELLUMINE_OPTION_CHOICE, "plain text: where a link's address goes",
     kDefaults.links, kDefaults.links, 0, 0, 0, nullptr, nullptr, kLinks, Count(kLinks)},
    {"wrap", "wrap", VELLUMINE_OPTION_NUMBER, "plain text: paragraphs wrapped at N columns",
     kDefaults.wrap, kDefaults.wrap, 0, VELLUMINE_WRAP_MAX, 0, nullptr, nullptr, nullptr, 0},
    {"images", "images", VELLUMINE_OPTION_CHOICE, "RTF: pictures embedded, or their alt text",
     kDefaults.images, kDefaults.images, 0, 0, 0, nullptr, nullptr, kImages, Count(kImages)},
    // image_root, a path with no default to show, is no row here: the command line takes it
    // as --image-root.
};

// Where each option of the table (and image_root) is kept in vellumine_options.
struct OptionField {
  const char* name;
  size_t offset;
};
constexpr OptionField kFields[] = {
    {"format", offsetof(vellumine_options, format)},
    {"tables", offsetof(vellumine_options, tables)},
    {"encoding", offsetof(vellumine_options, encoding)},
    {"font_name", offsetof(vellumine_options, font_name)},
    {"font_size", offsetof(vellumine_options, font_size)},
    {"text_utf8", offsetof(vellumine_options, text_utf8)},
    {"reading", offsetof(vellumine_options, reading)},
    {"links", offsetof(vellumine_options, links)},
    {"wrap", offsetof(vellumine_options, wrap)},
    {"images", offsetof(vellumine_options, images)},
    {"image_root", offsetof(vellumine_options, image_root)},
};
static_assert(sizeof(vellumine_format) == sizeof(int) && sizeof(vellumine_links) == sizeof(int),
              "the choices are kept as ints");

const OptionField* FieldNamed(const char* name) {
  for (const OptionField& field : kFields)
    if (std::strcmp(field.name, name) == 0) return &field;
  return nullptr;
}

// The whole number text spells in decimal ("-" and digits alone), within [least, most].
bool ReadWholeNumber(const char* text, int least, int most, int& number) {
  const bool negative = *text == '-';
  const char* digit = text + (negative ? 1 : 0);
  if (*digit == '\0') return false;
  long long value = 0;
  for (; *digit != '\0'; ++digit) {
    if (*digit < '0' || *digit > '9') return false;
    value = value * 10 + (*digit - '0');
    if (value > 1'000'000'000LL) return false;
  }
  if (negative) value = -value;
  if (value < least || value > most) return false;
  number = static_cast<int>(value);
  return true;
}

// The value an option of the table takes from text; false when it takes none.
bool ReadValue(const vellumine_option_info& option, const char* text, int& value) {
  switch (option.kind) {
    case VELLUMINE_OPTION_CHOICE:
      for (int i = 0; i < option.choice_count; ++i) {
        if (std::strcmp(option.choices[i].name, text) == 0) {
          value = option.choices[i].value;
          return true;
        }
      }
      return false;
    case VELLUMINE_OPTION_SWITCH:
      return ReadWholeNumber(text, 0, 1, value);
    case VELLUMINE_OPTION_NUMBER:
      return ReadWholeNumber(text, option.minimum, option.maximum, value);
    case VELLUMINE_OPTION_TEXT:
      break;
  }
  return false;
}

}  // namespace
}  // namespace vellumine

extern "C" {

vellumine_result vellumine_option_set(vellumine_options* options, const char* name,
                                      const char* value) {
  if (options == nullptr || name == nullptr || value == nullptr ||
      options->size < sizeof(vellumine_options))
    return VELLUMINE_INVALID_ARGUMENT;
  const vellumine::OptionField* field = vellumine::FieldNamed(name);
  if (field == nullptr) return VELLUMINE_INVALID_ARGUMENT;
  char* at = reinterpret_cast<char*>(options) + field->offset;
  const vellumine_option_info* option = vellumine_find_option(name);
  if (option == nullptr || option->kind == VELLUMINE_OPTION_TEXT) {  // a string, kept as given
    std::memcpy(at, &value, sizeof value);
    return VELLUMINE_OK;
  }
  int number = 0;
  if (!vellumine::ReadValue(*option, value, number)) return VELLUMINE_INVALID_ARGUMENT;
  std::memcpy(at, &number, sizeof number);
  return VELLUMINE_OK;
}

const char* vellumine_format_extension(vellumine_format format) {
  switch (format) {
    case VELLUMINE_FORMAT_RTF:
      return ".rtf";
    case VELLUMINE_FORMAT_TEXT:
      return ".txt";
  }
  return nullptr;
}

const vellumine_option_info* vellumine_option(size_t index) {
  return index < std::size(vellumine::kOptions) ? &vellumine::kOptions[index] : nullptr;
}

const vellumine_option_info* vellumine_find_option(const char* name) {
  if (name == nullptr) return nullptr;
  for (const vellumine_option_info& option : vellumine::kOptions)
    if (std::strcmp(option.name, name) == 0) return &option;
  return nullptr;
}

}  // extern "C"
