// The SSE2 forms of the zoom's inner loops (zoom_kernels.h).
#include <emmintrin.h>

#include "zoom/zoom_kernels.h"

namespace sorvex0 {

namespace zoom {

namespace sse2 {

// (a + b) >> 1 bytewise, without a carry between bytes: the common bits
// plus half the differing ones.
void MeanRows(uint8_t *out, const uint8_t *a, const uint8_t *b, size_t bytes) {
  const __m128i high7 = _mm_set1_epi8(0x7F);
  size_t i = 0;
  for (; i + 16 <= bytes; i += 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(a + i));
    const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i *>(b + i));
    const __m128i half = _mm_and_si128(_mm_srli_epi16(_mm_xor_si128(x, y), 1), high7);
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i), _mm_add_epi8(_mm_and_si128(x, y), half));
  }
  for (; i < bytes; ++i) out[i] = static_cast<uint8_t>((a[i] + b[i]) >> 1);
}

// Four pairs a step, as 32-bit lanes Y0 U Y1 V.
void DoubleYuyvPairs(const uint8_t *row, uint32_t count, uint8_t *out) {
  const __m128i lowByte = _mm_set1_epi32(0xFF);
  const __m128i chroma = _mm_set1_epi32(static_cast<int32_t>(0xFF00FF00u));
  uint32_t p = 0;
  for (; p + 4 <= count; p += 4) {
    const __m128i pairs = _mm_loadu_si128(reinterpret_cast<const __m128i *>(row + 4 * p));
    const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i *>(row + 4 * p + 4));
    const __m128i y0 = _mm_and_si128(pairs, lowByte);
    const __m128i y1 = _mm_and_si128(_mm_srli_epi32(pairs, 16), lowByte);
    const __m128i nextY0 = _mm_and_si128(next, lowByte);
    const __m128i uv = _mm_and_si128(pairs, chroma);
    const __m128i first = _mm_or_si128(_mm_or_si128(y0, uv), _mm_slli_epi32(_mm_srli_epi32(_mm_add_epi32(y0, y1), 1), 16));
    const __m128i second =
        _mm_or_si128(_mm_or_si128(y1, uv), _mm_slli_epi32(_mm_srli_epi32(_mm_add_epi32(y1, nextY0), 1), 16));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 8 * p), _mm_unpacklo_epi32(first, second));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 8 * p + 16), _mm_unpackhi_epi32(first, second));
  }
  for (; p < count; ++p) {
    const uint8_t *pair = row + 4 * p;
    uint8_t *o = out + 8 * p;
    o[0] = pair[0];
    o[1] = pair[1];
    o[2] = static_cast<uint8_t>((pair[0] + pair[2]) >> 1);
    o[3] = pair[3];
    o[4] = pair[2];
    o[5] = pair[1];
    o[6] = static_cast<uint8_t>((pair[2] + pair[4]) >> 1);
    o[7] = pair[3];
  }
}

}  // namespace sse2

}  // namespace zoom

}  // namespace sorvex0
