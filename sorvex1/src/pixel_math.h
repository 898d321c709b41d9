// Integer helpers shared by every stage: clamping, rounding and size checks.
#pragma once

#include <stddef.h>
#include <stdint.h>

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

// Division rounding half away from zero, for signed numerators; divisor > 0.
inline int32_t DivideRounded(int32_t numerator, int32_t divisor) {
  if (numerator >= 0) return (numerator + divisor / 2) / divisor;
  return -((-numerator + divisor / 2) / divisor);
}

// Stores a word as four bytes, lowest first, at any alignment. The byte
// copies compile to one store on the little-endian x86 targets.
inline void StoreLittleEndianWord(uint8_t *bytes, uint32_t word) {
  bytes[0] = static_cast<uint8_t>(word);
  bytes[1] = static_cast<uint8_t>(word >> 8);
  bytes[2] = static_cast<uint8_t>(word >> 16);
  bytes[3] = static_cast<uint8_t>(word >> 24);
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
