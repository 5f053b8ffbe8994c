#include "convert_choices.h"

#include "encoding.h"

namespace vellumine {

ConversionMode ChooseConversionMode(int format, bool convertTables) {
  if (format == 1) return ConversionMode::Text;
  if (format == 0 && !convertTables) return ConversionMode::Rtf;
  return ConversionMode::RtfTables;
}

const char* ChooseEncodingLabel(int encodingIndex) {
  constexpr int kLabelCount = static_cast<int>(sizeof kEncodingLabels / sizeof *kEncodingLabels);
  if (encodingIndex < 0 || encodingIndex >= kLabelCount) return kEncodingLabels[0];
  return kEncodingLabels[encodingIndex];
}

}  // namespace vellumine
