// The sensor's Bayer layout: green-blue on even lines (green at even columns,
// blue at odd), red-green on odd lines (red at even columns, green at odd).
// Lines and columns count from 0 at the top left.
#pragma once

#include <stdint.h>

namespace sorvex1 {

enum class BayerColour : uint8_t { kRed, kGreen, kBlue };

inline bool IsGreenBlueLine(int32_t y) { return (y & 1) == 0; }

inline BayerColour BayerColourAt(int32_t x, int32_t y) {
  const bool evenColumn = (x & 1) == 0;
  if (IsGreenBlueLine(y)) return evenColumn ? BayerColour::kGreen : BayerColour::kBlue;
  return evenColumn ? BayerColour::kRed : BayerColour::kGreen;
}

// Mirrors an index about the first and last sample (-1 -> 1, size -> size-2,
// and so on, as often as needed), which keeps the Bayer phase.
inline int32_t ReflectIndex(int32_t index, int32_t size) {
  if (size <= 1) return 0;
  const int32_t period = 2 * (size - 1);
  index %= period;
  if (index < 0) index += period;
  return index < size ? index : period - index;
}

}  // namespace sorvex1
