// Result codes and output modes of one conversion.
#pragma once

namespace vellumine {

// The integer result of ConvertFile. Value 1 is never returned. Checks are made in the
// order CannotOpenInput, CannotOpenOutput, EmptyInput, OutOfMemory; CannotWriteOutput is
// found only at the end, when the output could not be written completely.
enum class ConvertResult : int {
  Ok = 0,
  OutOfMemory = 2,
  CannotOpenOutput = 3,
  CannotOpenInput = 4,
  EmptyInput = 5,
  CannotWriteOutput = 6,
};

// The output format. Any value other than 0 and 1 behaves as RtfTables.
enum class ConversionMode : int {
  Text = 0,
  Rtf = 1,
  RtfTables = 2,
};

// Maps any integer onto one of the three modes (anything but 0 and 1 is RtfTables).
constexpr ConversionMode ToConversionMode(int value) {
  return value == 0 ? ConversionMode::Text
                    : value == 1 ? ConversionMode::Rtf : ConversionMode::RtfTables;
}

}  // namespace vellumine
