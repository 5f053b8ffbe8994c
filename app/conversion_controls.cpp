#include "conversion_controls.h"

#include "option_table.h"

namespace vellumine {

void SetFormat(vellumine_options& options, int formatRadio, bool convertTables) {
  options.format = formatRadio == 1 ? VELLUMINE_FORMAT_TEXT : VELLUMINE_FORMAT_RTF;
  options.tables = formatRadio == 0 ? convertTables : true;
}

int ReadFontSize(const char* text) {
  const int largest = OptionNamed("font_size").maximum;
  if (text == nullptr) return 0;
  while (*text == ' ' || (*text >= '\t' && *text <= '\r')) ++text;
  bool negative = false;
  if (*text == '+' || *text == '-') negative = *text++ == '-';
  // Past the largest size the digits no longer matter.
  int value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    if (value <= largest) value = value * 10 + (*text - '0');
  }
  if (value > largest) value = largest;
  return negative ? -value : value;
}

}  // namespace vellumine
