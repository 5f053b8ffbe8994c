#include "conversion_controls.h"

#include <cstring>

namespace vellumine {

vellumine_encoding EncodingOfLabel(const char* label) {
  if (label == nullptr) return VELLUMINE_ENCODING_AUTO;
  for (const EncodingListEntry& entry : kEncodingList)
    if (std::strcmp(label, entry.label) == 0) return entry.encoding;
  return VELLUMINE_ENCODING_ISO_8859_1;
}

void SetFormat(vellumine_options& options, int formatRadio, bool convertTables) {
  options.format = formatRadio == 1 ? VELLUMINE_FORMAT_TEXT : VELLUMINE_FORMAT_RTF;
  options.tables = formatRadio == 0 ? convertTables : true;
}

int ReadFontSize(const char* text) {
  constexpr int kMaxFontSize = 1638;
  if (text == nullptr) return 0;
  while (*text == ' ' || (*text >= '\t' && *text <= '\r')) ++text;
  bool negative = false;
  if (*text == '+' || *text == '-') negative = *text++ == '-';
  // Past the largest size the digits no longer matter.
  int value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    if (value <= kMaxFontSize) value = value * 10 + (*text - '0');
  }
  if (value > kMaxFontSize) value = kMaxFontSize;
  return negative ? -value : value;
}

}  // namespace vellumine
