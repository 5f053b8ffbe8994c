// The document's colour table. It is fixed, so that the header can be written before the
// body in one pass: red, green and blue each at 0, 80, 160 and 240 (every colour has an
// entry within 40 of it on each channel), then the colours written as they are.
#pragma once

#include <string_view>

#include "reading/inline_style.h"

namespace vellumine {

inline constexpr int kRtfGridColors = 4 * 4 * 4;  // index 1 + 16 r + 4 g + b, by level
// The entries after the grid (index 0 is the automatic colour; black is the grid's first).
inline constexpr int kWhiteIndex = 1 + kRtfGridColors;
inline constexpr int kLinkColorIndex = kWhiteIndex + 1;    // 5,99,193: a hyperlink's blue
inline constexpr int kHighlightIndex = kLinkColorIndex + 1;  // 255,255,0

// The whole group: "{\colortbl;\red0\green0\blue0;...}".
std::string_view RtfColorTable();

// The index of the entry nearest to color (by the sum of the channels' squared
// differences) of those within 40 of it on each channel; an exact entry where it is as near
// as the grid's.
int RtfColorIndex(Rgb color);

}  // namespace vellumine
