// How far along something is, in whole percent: the one rule every progress display uses.
#pragma once

#include <cstdint>

namespace vellumine {

// part * 100 / whole, truncated, held to 0..100; an empty whole is 100 once anything is
// done (a directory may change after it was counted) and 0 before.
constexpr int Percent(int64_t part, int64_t whole) {
  if (part <= 0) return 0;
  if (whole <= 0 || part >= whole) return 100;
  return static_cast<int>(part * 100 / whole);
}

}  // namespace vellumine
