// SSSE3 forms of the kernels where byte shuffles pay: YUYV to BGR, whose
// three-byte pixels are put together by shuffles, and the denoise, whose
// reciprocals are looked up by a shuffle. Same bytes as the scalar forms.
#include <tmmintrin.h>

#include "denoise_body.h"
#include "lanes128.h"
#include "row_kernels.h"
#include "yuyv_to_bgr_body.h"

namespace sorvex1 {
namespace {

// Output byte k of sixteen pixels is channel k % 3 of pixel k / 3: each
// 16-byte third of the output takes its bytes from the three planes by one
// shuffle each (index -1 gives 0).
void StoreBgrSsse3(const BgrBytes &pixels, uint8_t *bgr) {
  const auto part = [&pixels](V128 fromBlue, V128 fromGreen, V128 fromRed) {
    return _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(pixels.blue, fromBlue), _mm_shuffle_epi8(pixels.green, fromGreen)),
                        _mm_shuffle_epi8(pixels.red, fromRed));
  };
  Store(bgr, part(_mm_setr_epi8(0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1, -1, 5),
                  _mm_setr_epi8(-1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1, -1),
                  _mm_setr_epi8(-1, -1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1)));
  Store(bgr + 16, part(_mm_setr_epi8(-1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1, 10, -1),
                       _mm_setr_epi8(5, -1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1, 10),
                       _mm_setr_epi8(-1, 5, -1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1)));
  Store(bgr + 32, part(_mm_setr_epi8(-1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15, -1, -1),
                       _mm_setr_epi8(-1, -1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15, -1),
                       _mm_setr_epi8(10, -1, -1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15)));
}

// Each lane's reciprocal's two bytes, looked up by its count (1 .. 9).
void LookedUpReciprocals(V128 count, V128 *low, V128 *high) {
  const auto byteOf = [](int32_t d, int32_t shift) {
    return static_cast<char>(d <= kMaxSmallCount ? (kSmallCountReciprocal[d] >> shift) & 0xFF : 0);
  };
  const V128 lowTable = _mm_setr_epi8(byteOf(0, 0), byteOf(1, 0), byteOf(2, 0), byteOf(3, 0), byteOf(4, 0), byteOf(5, 0),
                                      byteOf(6, 0), byteOf(7, 0), byteOf(8, 0), byteOf(9, 0), 0, 0, 0, 0, 0, 0);
  const V128 highTable = _mm_setr_epi8(byteOf(0, 8), byteOf(1, 8), byteOf(2, 8), byteOf(3, 8), byteOf(4, 8),
                                       byteOf(5, 8), byteOf(6, 8), byteOf(7, 8), byteOf(8, 8), byteOf(9, 8), 0, 0, 0, 0,
                                       0, 0);
  *low = _mm_shuffle_epi8(lowTable, count);
  *high = _mm_shuffle_epi8(highTable, count);
}

}  // namespace

namespace ssse3 {

int32_t YuyvToBgr(const uint8_t *yuyv, int32_t width, uint8_t *bgr) {
  int32_t x = 0;
  for (; x + kBgrStepPixels <= width; x += kBgrStepPixels) {
    StoreBgrSsse3(SixteenPixelsToBgr(yuyv + 2 * x), bgr + 3 * x);
  }
  return x;
}

void DenoiseInterior(const uint8_t *above, const uint8_t *centre, const uint8_t *below, int32_t width,
                     int32_t lumaSigma, int32_t chromaSigma, uint8_t *out) {
  DenoiseInteriorBody<LookedUpReciprocals>(above, centre, below, width, lumaSigma, chromaSigma, out);
}

}  // namespace ssse3
}  // namespace sorvex1
