// SSE2 forms of the raw frame's in-place kernels: the defect screen of
// bad_pixels.cpp and the lens-shading gains of shading.cpp, sixteen samples
// at a time in byte lanes (the gains' products in 16-bit lanes).
#include "lanes128.h"
#include "row_kernels.h"

namespace sorvex1 {
namespace {

// Sixteen samples from c: each lane 1 when the sample lies outside its
// neighbours' range widened by the threshold, else 0.
V128 ScreenSixteen(const uint8_t *above, const uint8_t *line, const uint8_t *below, int32_t c, V128 base,
                   int32_t spreadShift) {
  const V128 left = Load(line + c - 2);
  const V128 right = Load(line + c + 2);
  const V128 aboveLeft = Load(above + c - 2), aboveCentre = Load(above + c), aboveRight = Load(above + c + 2);
  const V128 belowLeft = Load(below + c - 2), belowCentre = Load(below + c), belowRight = Load(below + c + 2);
  const V128 lo = _mm_min_epu8(_mm_min_epu8(_mm_min_epu8(_mm_min_epu8(aboveLeft, aboveCentre), aboveRight),
                                            _mm_min_epu8(_mm_min_epu8(belowLeft, belowCentre), belowRight)),
                               _mm_min_epu8(left, right));
  const V128 hi = _mm_max_epu8(_mm_max_epu8(_mm_max_epu8(_mm_max_epu8(aboveLeft, aboveCentre), aboveRight),
                                            _mm_max_epu8(_mm_max_epu8(belowLeft, belowCentre), belowRight)),
                               _mm_max_epu8(left, right));
  const V128 spread = _mm_subs_epu8(hi, lo);
  const V128 share = spreadShift == 0 ? spread : _mm_and_si128(_mm_srli_epi16(spread, 1), Bytes(0x7F));
  const V128 threshold = _mm_adds_epu8(base, share);
  const V128 value = Load(line + c);
  const V128 tooHigh = _mm_subs_epu8(_mm_subs_epu8(value, hi), threshold);
  const V128 tooLow = _mm_subs_epu8(_mm_subs_epu8(lo, value), threshold);
  return _mm_min_epu8(_mm_or_si128(tooHigh, tooLow), Bytes(1));
}

}  // namespace

namespace sse2 {

bool ScreenDefects(const uint8_t *above, const uint8_t *line, const uint8_t *below, int32_t x, uint8_t base,
                   int32_t spreadShift, uint8_t *marks) {
  const V128 baseBytes = Bytes(base);
  V128 any = _mm_setzero_si128();
  for (int32_t i = 0; i < kScreenBlock; i += 16) {
    const V128 marked = ScreenSixteen(above, line, below, x + i, baseBytes, spreadShift);
    Store(marks + i, marked);
    any = _mm_or_si128(any, marked);
  }
  return _mm_movemask_epi8(_mm_cmpeq_epi8(any, _mm_setzero_si128())) != 0xFFFF;
}

void ShadingGains(uint8_t *line, const uint8_t *gains, int32_t width) {
  const V128 zero = _mm_setzero_si128();
  const V128 rounding = Halves(64);
  int32_t x = 0;
  for (; x + 16 <= width; x += 16) {
    const V128 values = Load(line + x);
    const V128 factors = Load(gains + x);
    const V128 low = _mm_unpacklo_epi8(values, zero);
    const V128 high = _mm_unpackhi_epi8(values, zero);
    const V128 extraLow = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(low, _mm_unpacklo_epi8(factors, zero)), rounding), 7);
    const V128 extraHigh = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(high, _mm_unpackhi_epi8(factors, zero)), rounding), 7);
    Store(line + x, _mm_packus_epi16(_mm_add_epi16(low, extraLow), _mm_add_epi16(high, extraHigh)));
  }
  for (; x < width; ++x) {
    const int32_t value = line[x];
    const int32_t scaled = value + ((value * gains[x] + 64) >> 7);
    line[x] = static_cast<uint8_t>(scaled > 255 ? 255 : scaled);
  }
}

}  // namespace sse2
}  // namespace sorvex1
