// What a conversion writes, as its options decide.
#pragma once

#include "vellumine.h"

namespace vellumine {

// The three translations.
enum class ConversionMode {
  Text,       // plain text
  Rtf,        // RTF, tables dropped
  RtfTables,  // RTF with HTML tables as RTF tables
};

constexpr ConversionMode ModeOf(const vellumine_options& options) {
  if (options.format == VELLUMINE_FORMAT_TEXT) return ConversionMode::Text;
  return options.tables ? ConversionMode::RtfTables : ConversionMode::Rtf;
}

// The options vellumine_options_init gives.
constexpr vellumine_options DefaultOptions() {
  vellumine_options options{};
  options.size = sizeof options;
  options.format = VELLUMINE_FORMAT_RTF;
  options.tables = 1;
  options.encoding = VELLUMINE_ENCODING_AUTO;
  options.font_name = "Arial";
  options.font_size = 10;
  options.text_utf8 = 0;
  options.reading = VELLUMINE_READING_DEFAULT;
  options.links = VELLUMINE_LINKS_NONE;
  options.wrap = 0;
  options.images = VELLUMINE_IMAGES_EMBED;
  options.image_root = nullptr;
  return options;
}

// Options of a given format (and tables), the rest as by default: for tests and callers
// that set one thing.
constexpr vellumine_options OptionsFor(ConversionMode mode) {
  vellumine_options options = DefaultOptions();
  options.format = mode == ConversionMode::Text ? VELLUMINE_FORMAT_TEXT : VELLUMINE_FORMAT_RTF;
  options.tables = mode == ConversionMode::RtfTables;
  return options;
}

}  // namespace vellumine
