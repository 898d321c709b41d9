// The SSE2 forms of the frame stages' row kernels (frame_kernels.h).
#include <emmintrin.h>

#include "frame/frame_kernels.h"

namespace sorvex0 {

namespace sse2 {

namespace {

// Four blocks of a line as 32-bit lanes c0 c1 c2 c3: the even columns (c0,
// c2) and the odd (c1, c3) as 16-bit lanes.
struct Columns {
  __m128i even;
  __m128i odd;
};

__attribute__((always_inline)) inline Columns Split(const uint8_t *line) {
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(line));
  return {_mm_and_si128(bytes, _mm_set1_epi16(0xFF)), _mm_srli_epi16(bytes, 8)};
}

// (5 a + b + c + d) / 8 per block, a the lower 16-bit lane of `near` and
// b its upper one, c and d the two lanes of `far`.
__attribute__((always_inline)) inline __m128i WeightedFiveToOne(__m128i near, __m128i far) {
  const __m128i ones = _mm_set1_epi16(1);
  const __m128i nearest = _mm_and_si128(near, _mm_set1_epi32(0xFFFF));
  const __m128i sum = _mm_add_epi32(_mm_slli_epi32(nearest, 2), _mm_add_epi32(_mm_madd_epi16(near, ones), _mm_madd_epi16(far, ones)));
  return _mm_srli_epi32(sum, 3);
}

// Four blocks' output words (left | right << 16): the top row's from lines
// 0 to 2, the bottom row's from lines 1 to 3.
__attribute__((always_inline)) inline __m128i TopCells(const uint8_t *const lines[4], uint32_t j) {
  const Columns l0 = Split(lines[0] + j);
  const Columns l1 = Split(lines[1] + j);
  const Columns l2 = Split(lines[2] + j);
  const __m128i left = _mm_srli_epi32(_mm_and_si128(_mm_add_epi16(l0.even, l1.odd), _mm_set1_epi32(0xFFFF)), 1);
  return _mm_or_si128(left, _mm_slli_epi32(WeightedFiveToOne(l0.odd, l2.odd), 16));
}

__attribute__((always_inline)) inline __m128i BottomCells(const uint8_t *const lines[4], uint32_t j) {
  const Columns l1 = Split(lines[1] + j);
  const Columns l2 = Split(lines[2] + j);
  const Columns l3 = Split(lines[3] + j);
  const __m128i right = _mm_srli_epi32(_mm_add_epi16(l2.even, l3.odd), 17);
  return _mm_or_si128(WeightedFiveToOne(l1.even, l3.even), _mm_slli_epi32(right, 16));
}

// Eight blocks a step, all loads before the store (the output may lie over
// line 0, behind the samples still to be read); the rest by the scalar form.
template <bool kTop>
__attribute__((always_inline)) inline void DecimateRow(const uint8_t *const lines[4], uint8_t *out, uint32_t blocks) {
  uint32_t m = 0;
  for (; m + 8 <= blocks; m += 8) {
    const __m128i first = kTop ? TopCells(lines, 4 * m) : BottomCells(lines, 4 * m);
    const __m128i second = kTop ? TopCells(lines, 4 * m + 16) : BottomCells(lines, 4 * m + 16);
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 2 * m), _mm_packus_epi16(first, second));
  }
  const uint8_t *const rest[4] = {lines[0] + 4 * m, lines[1] + 4 * m, lines[2] + 4 * m, lines[3] + 4 * m};
  (kTop ? scalar::DecimateTopRow : scalar::DecimateBottomRow)(rest, out + 2 * m, blocks - m);
}

}  // namespace

void DecimateTopRow(const uint8_t *const lines[4], uint8_t *out, uint32_t blocks) {
  DecimateRow<true>(lines, out, blocks);
}

void DecimateBottomRow(const uint8_t *const lines[4], uint8_t *out, uint32_t blocks) {
  DecimateRow<false>(lines, out, blocks);
}

}  // namespace sse2

}  // namespace sorvex0
