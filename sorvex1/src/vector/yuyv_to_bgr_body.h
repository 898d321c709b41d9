// YUYV to BGR sixteen pixels at a time, for the SSE2 and SSSE3 units (each
// compiles its own copy): the BT.601 studio-range inverse of yuyv_row.cpp,
// exactly, in 16-bit lanes, and the SSE2 way of storing the pixels.
//
// Each channel is (luma + chroma + 32768) >> 16 with luma = 76309 (y - 16),
// clamped to a byte; the gains' whole multiples of 65536 pass the shift, and
// each remaining gain is split at 256 (10773 = 42 * 256 + 21, 1129 = 4 * 256
// + 105, 25675 = 100 * 256 + 75, 12257 = 48 * 256 - 31, 26475 = 103 * 256 +
// 107), so that floor(N / 65536) = floor((P + floor(Q / 256)) / 256) with P
// the sum of the high parts' products and Q that of the low parts' plus
// 32768, both 16-bit values. P + Q / 256, offset by a whole number of 256s
// that makes it positive, takes a plain shift; the offset comes off after.
#pragma once

#include "lanes128.h"

namespace sorvex1 {
namespace {

constexpr int32_t kBgrStepPixels = 16;

struct BgrBytes {
  V128 blue, green, red;  // sixteen pixels each
};

// floor((p + floor(q / 256)) / 256), with p + q / 256 + 256 * offset >= 0.
inline V128 SplitQuotient(V128 p, V128 q, int32_t offset) {
  const V128 shifted = _mm_add_epi16(_mm_add_epi16(p, _mm_srli_epi16(q, 8)), Halves(offset * 256));
  return _mm_sub_epi16(_mm_srli_epi16(shifted, 8), Halves(offset));
}

inline int32_t Bits(uint32_t value) { return static_cast<int32_t>(value); }

inline V128 Times(V128 v, int32_t factor) { return _mm_mullo_epi16(v, Halves(factor)); }

// Eight pixels, from 16 bytes of YUYV, as 16-bit B, G, R (not yet clamped).
inline void EightPixelsToBgr(V128 yuyv, V128 *blue, V128 *green, V128 *red) {
  const V128 luma = _mm_sub_epi16(LowBytes(yuyv), Halves(16));
  const V128 chroma = HighBytes(yuyv);  // u0 v0 u1 v1 ...
  const V128 u = _mm_and_si128(chroma, Words(0xFFFF));
  const V128 v = _mm_srli_epi32(chroma, 16);
  const V128 cb = _mm_sub_epi16(_mm_or_si128(u, _mm_slli_epi32(u, 16)), Halves(128));
  const V128 cr = _mm_sub_epi16(_mm_or_si128(v, _mm_slli_epi32(v, 16)), Halves(128));
  const V128 half = Halves(32768);
  const V128 lumaHigh = Times(luma, 42);
  const V128 lumaLow = _mm_add_epi16(Times(luma, 21), half);
  const V128 blueQuotient =
      SplitQuotient(_mm_add_epi16(lumaHigh, _mm_slli_epi16(cb, 2)), _mm_add_epi16(lumaLow, Times(cb, 105)), 5);
  const V128 greenQuotient = SplitQuotient(_mm_add_epi16(lumaHigh, _mm_add_epi16(Times(cb, -100), Times(cr, 48))),
                                           _mm_add_epi16(lumaLow, _mm_add_epi16(Times(cb, -75), Times(cr, -31))), 80);
  const V128 redQuotient =
      SplitQuotient(_mm_add_epi16(lumaHigh, Times(cr, -103)), _mm_add_epi16(lumaLow, Times(cr, -107)), 54);
  *blue = _mm_add_epi16(_mm_add_epi16(luma, _mm_slli_epi16(cb, 1)), blueQuotient);
  *green = _mm_add_epi16(_mm_sub_epi16(luma, cr), greenQuotient);
  *red = _mm_add_epi16(_mm_add_epi16(luma, _mm_slli_epi16(cr, 1)), redQuotient);
}

// Sixteen pixels from 32 bytes of YUYV, clamped to bytes.
inline BgrBytes SixteenPixelsToBgr(const uint8_t *yuyv) {
  V128 b0, g0, r0, b1, g1, r1;
  EightPixelsToBgr(Load(yuyv), &b0, &g0, &r0);
  EightPixelsToBgr(Load(yuyv + 16), &b1, &g1, &r1);
  return {_mm_packus_epi16(b0, b1), _mm_packus_epi16(g0, g1), _mm_packus_epi16(r0, r1)};
}

// Four pixels as 32-bit words B G R 0 to their 12 bytes, in bytes 0..11.
inline V128 PackFourPixels(V128 words) {
  // In each 64-bit half: the first pixel's three bytes and the second's next
  // to them, six bytes.
  const V128 halves = _mm_or_si128(_mm_and_si128(words, _mm_set_epi32(0, 0xFFFFFF, 0, 0xFFFFFF)),
                                   _mm_and_si128(_mm_srli_epi64(words, 8), _mm_set_epi32(0xFFFF, Bits(0xFF000000u), 0xFFFF, Bits(0xFF000000u))));
  // The upper half's six bytes moved down next to the lower half's.
  return _mm_or_si128(_mm_and_si128(halves, _mm_set_epi32(0, 0, 0xFFFF, -1)),
                      _mm_and_si128(_mm_srli_si128(halves, 2), _mm_set_epi32(0, -1, Bits(0xFFFF0000u), 0)));
}

// The sixteen pixels' 48 bytes, with shifts and masks only.
inline void StoreBgrSse2(const BgrBytes &pixels, uint8_t *bgr) {
  const V128 zero = _mm_setzero_si128();
  const V128 blueGreenLow = _mm_unpacklo_epi8(pixels.blue, pixels.green);
  const V128 blueGreenHigh = _mm_unpackhi_epi8(pixels.blue, pixels.green);
  const V128 redLow = _mm_unpacklo_epi8(pixels.red, zero);
  const V128 redHigh = _mm_unpackhi_epi8(pixels.red, zero);
  const V128 p0 = PackFourPixels(_mm_unpacklo_epi16(blueGreenLow, redLow));
  const V128 p1 = PackFourPixels(_mm_unpackhi_epi16(blueGreenLow, redLow));
  const V128 p2 = PackFourPixels(_mm_unpacklo_epi16(blueGreenHigh, redHigh));
  const V128 p3 = PackFourPixels(_mm_unpackhi_epi16(blueGreenHigh, redHigh));
  Store(bgr, _mm_or_si128(p0, _mm_slli_si128(p1, 12)));
  Store(bgr + 16, _mm_or_si128(_mm_srli_si128(p1, 4), _mm_slli_si128(p2, 8)));
  Store(bgr + 32, _mm_or_si128(_mm_srli_si128(p2, 8), _mm_slli_si128(p3, 4)));
}

}  // namespace
}  // namespace sorvex1
