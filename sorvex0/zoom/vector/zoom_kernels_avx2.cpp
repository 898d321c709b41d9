// The AVX2 forms of the zoom's inner loops (zoom_kernels.h), for the host
// build: the drivers save the legacy floating-point state only. The tails
// go to the SSE2 forms.
#include <immintrin.h>

#include "zoom/zoom_kernels.h"

namespace sorvex0 {

namespace zoom {

namespace avx2 {

void MeanRows(uint8_t *out, const uint8_t *a, const uint8_t *b, size_t bytes) {
  const __m256i high7 = _mm256_set1_epi8(0x7F);
  size_t i = 0;
  for (; i + 32 <= bytes; i += 32) {
    const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(a + i));
    const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(b + i));
    const __m256i half = _mm256_and_si256(_mm256_srli_epi16(_mm256_xor_si256(x, y), 1), high7);
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + i), _mm256_add_epi8(_mm256_and_si256(x, y), half));
  }
  sse2::MeanRows(out + i, a + i, b + i, bytes - i);
}

// Eight pairs a step; the unpacks work within each half, whose results are
// put back in order.
void DoubleYuyvPairs(const uint8_t *row, uint32_t count, uint8_t *out) {
  const __m256i lowByte = _mm256_set1_epi32(0xFF);
  const __m256i chroma = _mm256_set1_epi32(static_cast<int32_t>(0xFF00FF00u));
  uint32_t p = 0;
  for (; p + 8 <= count; p += 8) {
    const __m256i pairs = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(row + 4 * p));
    const __m256i next = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(row + 4 * p + 4));
    const __m256i y0 = _mm256_and_si256(pairs, lowByte);
    const __m256i y1 = _mm256_and_si256(_mm256_srli_epi32(pairs, 16), lowByte);
    const __m256i nextY0 = _mm256_and_si256(next, lowByte);
    const __m256i uv = _mm256_and_si256(pairs, chroma);
    const __m256i first =
        _mm256_or_si256(_mm256_or_si256(y0, uv), _mm256_slli_epi32(_mm256_srli_epi32(_mm256_add_epi32(y0, y1), 1), 16));
    const __m256i second = _mm256_or_si256(
        _mm256_or_si256(y1, uv), _mm256_slli_epi32(_mm256_srli_epi32(_mm256_add_epi32(y1, nextY0), 1), 16));
    const __m256i low = _mm256_unpacklo_epi32(first, second);
    const __m256i high = _mm256_unpackhi_epi32(first, second);
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + 8 * p), _mm256_permute2x128_si256(low, high, 0x20));
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + 8 * p + 32), _mm256_permute2x128_si256(low, high, 0x31));
  }
  sse2::DoubleYuyvPairs(row + 4 * p, count - p, out + 8 * p);
}

}  // namespace avx2

}  // namespace zoom

}  // namespace sorvex0
