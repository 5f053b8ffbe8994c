#include "rtf_colors.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>

namespace vellumine {
namespace {

constexpr int kLevels[] = {0, 80, 160, 240};
// From kWhiteIndex on.
constexpr Rgb kExactColors[] = {{255, 255, 255}, {5, 99, 193}, {255, 255, 0}};
static_assert(kHighlightIndex == kWhiteIndex + std::size(kExactColors) - 1);

struct Table {
  char text[2048] = {};
  size_t length = 0;
  constexpr void Append(std::string_view s) {
    for (char c : s) text[length++] = c;
  }
  constexpr void AppendNumber(int n) {
    if (n >= 10) AppendNumber(n / 10);
    text[length++] = static_cast<char>('0' + n % 10);
  }
  constexpr void AppendColor(int r, int g, int b) {
    Append("\\red"), AppendNumber(r), Append("\\green"), AppendNumber(g);
    Append("\\blue"), AppendNumber(b), Append(";");
  }
};

constexpr Table MakeTable() {
  Table table;
  table.Append("{\\colortbl;");
  for (int r : kLevels)
    for (int g : kLevels)
      for (int b : kLevels) table.AppendColor(r, g, b);
  for (const Rgb& c : kExactColors) table.AppendColor(c.r, c.g, c.b);
  table.Append("}");
  return table;
}
constexpr Table kTable = MakeTable();
static_assert(kTable.length < sizeof kTable.text);

// The nearest level's place in kLevels (a channel 40 from two goes to the higher).
int LevelOf(uint8_t channel) { return std::min(3, (channel + 40) / 80); }

int Distance(Rgb a, int r, int g, int b) {
  return (a.r - r) * (a.r - r) + (a.g - g) * (a.g - g) + (a.b - b) * (a.b - b);
}

}  // namespace

std::string_view RtfColorTable() { return {kTable.text, kTable.length}; }

int RtfColorIndex(Rgb color) {
  const int r = LevelOf(color.r), g = LevelOf(color.g), b = LevelOf(color.b);
  int best = 1 + 16 * r + 4 * g + b;
  int bestDistance = Distance(color, kLevels[r], kLevels[g], kLevels[b]);
  for (int i = 0; i < static_cast<int>(std::size(kExactColors)); ++i) {
    const Rgb& exact = kExactColors[i];
    const bool near = std::abs(color.r - exact.r) <= 40 && std::abs(color.g - exact.g) <= 40 &&
                      std::abs(color.b - exact.b) <= 40;
    if (const int d = Distance(color, exact.r, exact.g, exact.b); near && d <= bestDistance)
      best = kWhiteIndex + i, bestDistance = d;
  }
  return best;
}

}  // namespace vellumine
