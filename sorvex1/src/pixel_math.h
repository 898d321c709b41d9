// Integer helpers shared by every stage: clamping, rounding and size checks.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "small_counts.h"

namespace sorvex1 {

// Largest width or height accepted. It keeps every fixed-point product of the
// resampler and the colour matrices inside 32 bits.
constexpr int32_t kMaxDimension = 8192;

inline int32_t MinInt(int32_t a, int32_t b) { return a < b ? a : b; }
inline int32_t MaxInt(int32_t a, int32_t b) { return a > b ? a : b; }
inline int32_t ClampInt(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : (v > hi ? hi : v); }

// Divides a fixed-point value by 2^shift, rounding to nearest, and clamps the
// result to a byte. Negative values clamp to 0 before any shift, so nothing
// depends on how the compiler shifts negative numbers.
// Written as two selects, without an early return, so that the row kernels
// that use it vectorise.
inline uint8_t ClampShiftToByte(int32_t value, int32_t shift) {
  const int32_t rounded = value + (int32_t{1} << (shift - 1));
  const int32_t result = (rounded < 0 ? 0 : rounded) >> shift;
  return static_cast<uint8_t>(result > 255 ? 255 : result);
}

// Division by a divisor that stays the same for a whole frame, as a
// multiply and a shift (Granlund and Montgomery): with 2^log >= divisor and
// multiplier = 2^(26 + log) / divisor + 1, rounded down, the product's top
// bits are numerator / divisor, rounded down, for every numerator below
// 2^26. The caller keeps its numerators below that.
constexpr int32_t kFixedDivisionBits = 26;

struct FixedDivisor {
  uint64_t multiplier;
  int32_t shift;
};

inline FixedDivisor MakeFixedDivisor(uint32_t divisor) {
  int32_t log = 0;
  while ((uint64_t{1} << log) < divisor) ++log;
  const int32_t shift = kFixedDivisionBits + log;
  return {(uint64_t{1} << shift) / divisor + 1, shift};
}

inline uint32_t DivideFixed(uint32_t numerator, const FixedDivisor &divisor) {
  return static_cast<uint32_t>((numerator * divisor.multiplier) >> divisor.shift);
}

// n / count for a count of 1 to 9 (small_counts.h).
inline uint32_t DivideBySmallCount(uint32_t numerator, uint32_t count) {
  return (numerator * kSmallCountReciprocal[count]) >> 16;
}

inline bool IsValidExtent(int32_t extent) { return extent > 0 && extent <= kMaxDimension; }

inline bool IsValidFrameSize(int32_t width, int32_t height) {
  return IsValidExtent(width) && IsValidExtent(height);
}

// A source extent as the caller passes it: negated when the source is to be
// reduced. Returns 0 for anything out of range.
inline int32_t SourceExtent(int32_t extent) {
  if (extent < 0) extent = extent < -kMaxDimension ? 0 : -extent;
  return IsValidExtent(extent) ? extent : 0;
}

// Byte offset of a line in a frame whose lines are lineBytes long.
inline size_t LineOffset(int32_t line, int32_t lineBytes) {
  return static_cast<size_t>(line) * static_cast<size_t>(lineBytes);
}

}  // namespace sorvex1
