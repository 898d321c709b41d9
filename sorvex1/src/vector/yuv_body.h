// The YUV kernels on vectors of either width (lanes128.h, lanes256.h): RGB
// to YUYV through the YUV matrix, YUYV to I420, and YUYV to 24-bit BGR.
// Same bytes as the scalar forms in rgb_to_yuyv_row.cpp and yuyv_row.cpp.
#pragma once

#include "lanes128.h"
#include "row_kernels.h"

namespace sorvex1 {
namespace {

inline int32_t Bits(uint32_t value) { return static_cast<int32_t>(value); }

// ---- RGB to YUYV ----
//
// Each row's sum, coefficients times samples plus a constant, is taken
// exactly in 32-bit lanes by the multiply-add of 16-bit pairs: luma per
// pixel, chroma per pixel pair on the pair's sums (up to 510); then it is
// shifted (8 for luma, 9 for a pair's chroma), narrowed with saturation and
// packed to bytes, which clamps as ClampShiftToByte does (a negative sum
// shifts to a negative number and packs to 0). The coefficients must fit 16
// bits; other matrices take the scalar form.

constexpr int32_t kLumaConstant = (16 << 8) + 128;             // studio offset and rounding at bit 8
constexpr int32_t kPairChromaConstant = 2 * (128 << 8) + 256;  // both pixels' offsets and rounding at bit 9

inline bool CoefficientsFit16Bits(const int32_t *matrix) {
  for (int32_t i = 0; i < 12; ++i) {
    if (i % 4 != 3 && (matrix[i] < -32768 || matrix[i] > 32767)) return false;
  }
  return true;
}

// A row as multiply-add operands: (red, green) pairs, (blue, 0) pairs and
// the constant.
template <typename L>
struct MatrixRow {
  typedef typename L::V V;
  V redGreen;
  V blueZero;
  V constant;
};

template <typename L>
MatrixRow<L> RowOf(const int32_t *matrix, int32_t row, int32_t constant) {
  const int32_t *m = matrix + 4 * row;
  const uint32_t redGreen = (static_cast<uint32_t>(m[1]) << 16) | (static_cast<uint32_t>(m[0]) & 0xFFFFu);
  return {L::Set32(Bits(redGreen)), L::Set32(m[2] & 0xFFFF), L::Set32(constant)};
}

// A luma row whose sum with its constant stays inside 0..65535 for every
// input (the camera's do; only their chroma rows reach below zero) is
// taken modulo 2^16 in 16-bit lanes, one multiply a colour: the sum itself,
// whose top byte is the clamped result (as in rgb_to_yuyv_row.cpp).
template <typename L>
struct WrappedLumaRow {
  typename L::V red, green, blue, constant;
  bool fits;
};

template <typename L>
WrappedLumaRow<L> WrappedLumaRowOf(const int32_t *yuvMatrix) {
  const int32_t constant = yuvMatrix[3] + kLumaConstant;
  int32_t lowest = constant;
  int32_t highest = constant;
  for (int32_t i = 0; i < 3; ++i) {
    if (yuvMatrix[i] < 0) lowest += 255 * yuvMatrix[i];
    if (yuvMatrix[i] > 0) highest += 255 * yuvMatrix[i];
  }
  return {L::Set16(yuvMatrix[0]), L::Set16(yuvMatrix[1]), L::Set16(yuvMatrix[2]), L::Set16(constant),
          lowest >= 0 && highest <= 65535};
}

template <typename L>
struct YuvRows {
  MatrixRow<L> y, u, v;
  WrappedLumaRow<L> wrappedY;
};

template <typename L>
YuvRows<L> YuvRowsOf(const int32_t *yuvMatrix) {
  return {RowOf<L>(yuvMatrix, 0, yuvMatrix[3] + kLumaConstant),
          RowOf<L>(yuvMatrix, 1, 2 * yuvMatrix[7] + kPairChromaConstant),
          RowOf<L>(yuvMatrix, 2, 2 * yuvMatrix[11] + kPairChromaConstant), WrappedLumaRowOf<L>(yuvMatrix)};
}

// A row's sums of pixels (or pairs) given as interleaved (red, green) and
// (blue, 0) 16-bit lanes, shifted.
template <typename L>
SORVEX_VECTOR_INLINE typename L::V RowSums(const MatrixRow<L> &row, typename L::V redGreen,
                                           typename L::V blueZero, int32_t shift) {
  return L::Sar32(L::Add32(L::Add32(L::MulAdd16(redGreen, row.redGreen), L::MulAdd16(blueZero, row.blueZero)),
                           row.constant),
                  shift);
}

// Luma of L::kBytes pixels, per pixel.
template <typename L, bool kWrapped>
SORVEX_VECTOR_INLINE typename L::V LumaOf(const YuvRows<L> &rows, typename L::V r, typename L::V g, typename L::V b) {
  typedef typename L::V V;
  const V zero = L::Zero();
  const V rLow = L::UnpackLo8(r, zero), rHigh = L::UnpackHi8(r, zero);
  const V gLow = L::UnpackLo8(g, zero), gHigh = L::UnpackHi8(g, zero);
  const V bLow = L::UnpackLo8(b, zero), bHigh = L::UnpackHi8(b, zero);
  if (kWrapped) {
    const WrappedLumaRow<L> &row = rows.wrappedY;
    const auto sums = [&row](V red, V green, V blue) {
      return L::Shr16(L::Add16(L::Add16(L::MulLo16(red, row.red), L::MulLo16(green, row.green)),
                               L::Add16(L::MulLo16(blue, row.blue), row.constant)),
                      8);
    };
    return L::PackUs16(sums(rLow, gLow, bLow), sums(rHigh, gHigh, bHigh));
  }
  const V y0 = RowSums<L>(rows.y, L::UnpackLo16(rLow, gLow), L::UnpackLo16(bLow, zero), 8);
  const V y1 = RowSums<L>(rows.y, L::UnpackHi16(rLow, gLow), L::UnpackHi16(bLow, zero), 8);
  const V y2 = RowSums<L>(rows.y, L::UnpackLo16(rHigh, gHigh), L::UnpackLo16(bHigh, zero), 8);
  const V y3 = RowSums<L>(rows.y, L::UnpackHi16(rHigh, gHigh), L::UnpackHi16(bHigh, zero), 8);
  return L::PackUs16(L::PackS32(y0, y1), L::PackS32(y2, y3));
}

// L::kBytes pixels (r, g and b a byte each) to their YUYV bytes.
template <typename L, bool kWrappedLuma>
SORVEX_VECTOR_INLINE void PixelsToYuyv(const YuvRows<L> &rows, typename L::V r, typename L::V g, typename L::V b,
                                       uint8_t *out) {
  typedef typename L::V V;
  const V zero = L::Zero();
  const V luma = LumaOf<L, kWrappedLuma>(rows, r, g, b);
  // Chroma, per pair, on the pairs' sums.
  const V lowBytes = L::Set16(0x00FF);
  const V rs = L::Add16(L::And(r, lowBytes), L::Shr16(r, 8));
  const V gs = L::Add16(L::And(g, lowBytes), L::Shr16(g, 8));
  const V bs = L::Add16(L::And(b, lowBytes), L::Shr16(b, 8));
  const V rgLow = L::UnpackLo16(rs, gs), rgHigh = L::UnpackHi16(rs, gs);
  const V bLowPairs = L::UnpackLo16(bs, zero), bHighPairs = L::UnpackHi16(bs, zero);
  const V u = L::PackS32(RowSums<L>(rows.u, rgLow, bLowPairs, 9), RowSums<L>(rows.u, rgHigh, bHighPairs, 9));
  const V v = L::PackS32(RowSums<L>(rows.v, rgLow, bLowPairs, 9), RowSums<L>(rows.v, rgHigh, bHighPairs, 9));
  const V chroma = L::ZipHalves8(L::PackUs16(u, v));  // u0 v0 u1 v1 ...
  V first, second;
  L::InOrderPair(L::UnpackLo8(luma, chroma), L::UnpackHi8(luma, chroma), &first, &second);
  L::Store(out, first);
  L::Store(out + L::kBytes, second);
}

template <typename L>
void RgbToYuyvLineBody(const RgbPlanes &rgb, int32_t width, const int32_t *yuvMatrix, uint8_t *yuyv) {
  constexpr int32_t kPairs = L::kBytes / 2;
  const int32_t pairs = width / 2;
  if (pairs < kPairs || !CoefficientsFit16Bits(yuvMatrix)) {
    scalar::RgbToYuyvLine(rgb, width, yuvMatrix, yuyv);
    return;
  }
  const YuvRows<L> rows = YuvRowsOf<L>(yuvMatrix);
  // The last step ends with the last pair and may overlap the one before it.
  for (int32_t p = 0; p < pairs; p += kPairs) {
    const int32_t x = 2 * (p + kPairs <= pairs ? p : pairs - kPairs);
    const typename L::V r = L::Load(rgb.red + x), g = L::Load(rgb.green + x), b = L::Load(rgb.blue + x);
    if (rows.wrappedY.fits) {
      PixelsToYuyv<L, true>(rows, r, g, b, yuyv + 2 * x);
    } else {
      PixelsToYuyv<L, false>(rows, r, g, b, yuyv + 2 * x);
    }
  }
  if (2 * pairs < width) {
    const int32_t x = 2 * pairs;
    scalar::RgbToYuyvLine({rgb.red + x, rgb.green + x, rgb.blue + x}, 1, yuvMatrix, yuyv + 2 * x);
  }
}

// ---- YUYV to I420 ----

// Pairs p .. p + L::kBytes - 1 of two lines: each line's luma, and the
// rounded means of the lines' U and of their V.
template <typename L>
SORVEX_VECTOR_INLINE void I420Step(const uint8_t *upper, const uint8_t *lower, int32_t p, const I420LinePair &out) {
  typedef typename L::V V;
  const V lowBytes = L::Set16(0x00FF);
  V a[4], b[4];
  for (int32_t i = 0; i < 4; ++i) {
    a[i] = L::Load(upper + 4 * p + L::kBytes * i);
    b[i] = L::Load(lower + 4 * p + L::kBytes * i);
  }
  // The even and the odd bytes of two vectors, each packed in order.
  const auto evenBytes = [&](V first, V second) {
    return L::InOrder(L::PackUs16(L::And(first, lowBytes), L::And(second, lowBytes)));
  };
  const auto oddBytes = [](V first, V second) { return L::InOrder(L::PackUs16(L::Shr16(first, 8), L::Shr16(second, 8))); };
  L::Store(out.upperLuma + 2 * p, evenBytes(a[0], a[1]));
  L::Store(out.upperLuma + 2 * p + L::kBytes, evenBytes(a[2], a[3]));
  L::Store(out.lowerLuma + 2 * p, evenBytes(b[0], b[1]));
  L::Store(out.lowerLuma + 2 * p + L::kBytes, evenBytes(b[2], b[3]));
  // u v of both lines, their rounded means, then apart.
  const V chroma0 = L::AvgU8(oddBytes(a[0], a[1]), oddBytes(b[0], b[1]));
  const V chroma1 = L::AvgU8(oddBytes(a[2], a[3]), oddBytes(b[2], b[3]));
  L::Store(out.u + p, evenBytes(chroma0, chroma1));
  L::Store(out.v + p, oddBytes(chroma0, chroma1));
}

template <typename L>
int32_t YuyvToI420Body(const uint8_t *upper, const uint8_t *lower, int32_t pairs, const I420LinePair &out) {
  int32_t p = 0;
  for (; p + L::kBytes <= pairs; p += L::kBytes) I420Step<L>(upper, lower, p, out);
  return p;
}

// ---- YUYV to BGR ----
//
// Each channel is (luma + chroma + 32768) >> 16 with luma = 76309 (y - 16),
// clamped to a byte; the gains' whole multiples of 65536 pass the shift, and
// each remaining gain is split at 256 (10773 = 42 * 256 + 21, 1129 = 4 * 256
// + 105, 25675 = 100 * 256 + 75, 12257 = 48 * 256 - 31, 26475 = 103 * 256 +
// 107), so that floor(N / 65536) = floor((P + floor(Q / 256)) / 256) with P
// the sum of the high parts' products and Q that of the low parts' plus
// 32768, both 16-bit values (yuyv_row.cpp has the bounds). P + Q / 256,
// offset by a whole number of 256s that makes it positive, takes a plain
// shift; the offset comes off after.

template <typename L>
struct BgrBytes {
  typename L::V blue, green, red;  // L::kBytes pixels each
};

template <typename L>
SORVEX_VECTOR_INLINE typename L::V SplitQuotient(typename L::V p, typename L::V q, int32_t offset) {
  const typename L::V shifted = L::Add16(L::Add16(p, L::Shr16(q, 8)), L::Set16(offset * 256));
  return L::Sub16(L::Shr16(shifted, 8), L::Set16(offset));
}

// Half a vector of pixels, from L::kBytes bytes of YUYV, as 16-bit B, G, R
// (not yet clamped).
template <typename L>
SORVEX_VECTOR_INLINE void HalfPixelsToBgr(typename L::V yuyv, typename L::V *blue, typename L::V *green,
                                          typename L::V *red) {
  typedef typename L::V V;
  const auto times = [](V v, int32_t factor) { return L::MulLo16(v, L::Set16(factor)); };
  const V luma = L::Sub16(L::And(yuyv, L::Set16(0x00FF)), L::Set16(16));
  const V chroma = L::Shr16(yuyv, 8);  // u0 v0 u1 v1 ...
  const V u = L::And(chroma, L::Set32(0xFFFF));
  const V v = L::Shr32(chroma, 16);
  const V cb = L::Sub16(L::Or(u, L::Shl32(u, 16)), L::Set16(128));
  const V cr = L::Sub16(L::Or(v, L::Shl32(v, 16)), L::Set16(128));
  const V lumaHigh = times(luma, 42);
  const V lumaLow = L::Add16(times(luma, 21), L::Set16(32768));
  const V blueQuotient = SplitQuotient<L>(L::Add16(lumaHigh, L::Shl16(cb, 2)), L::Add16(lumaLow, times(cb, 105)), 5);
  const V greenQuotient = SplitQuotient<L>(L::Add16(lumaHigh, L::Add16(times(cb, -100), times(cr, 48))),
                                           L::Add16(lumaLow, L::Add16(times(cb, -75), times(cr, -31))), 80);
  const V redQuotient =
      SplitQuotient<L>(L::Add16(lumaHigh, times(cr, -103)), L::Add16(lumaLow, times(cr, -107)), 54);
  *blue = L::Add16(L::Add16(luma, L::Shl16(cb, 1)), blueQuotient);
  *green = L::Add16(L::Sub16(luma, cr), greenQuotient);
  *red = L::Add16(L::Add16(luma, L::Shl16(cr, 1)), redQuotient);
}

// L::kBytes pixels from 2 * L::kBytes bytes of YUYV, clamped to bytes.
template <typename L>
SORVEX_VECTOR_INLINE BgrBytes<L> PixelsToBgr(const uint8_t *yuyv) {
  typename L::V b0, g0, r0, b1, g1, r1;
  HalfPixelsToBgr<L>(L::Load(yuyv), &b0, &g0, &r0);
  HalfPixelsToBgr<L>(L::Load(yuyv + L::kBytes), &b1, &g1, &r1);
  return {L::InOrder(L::PackUs16(b0, b1)), L::InOrder(L::PackUs16(g0, g1)), L::InOrder(L::PackUs16(r0, r1))};
}

// Stores the pixels' 3 * L::kBytes bytes; one of the three below.
template <typename L, void (*kStore)(const BgrBytes<L> &, uint8_t *)>
int32_t YuyvToBgrBody(const uint8_t *yuyv, int32_t width, uint8_t *bgr) {
  int32_t x = 0;
  for (; x + L::kBytes <= width; x += L::kBytes) kStore(PixelsToBgr<L>(yuyv + 2 * x), bgr + 3 * x);
  return x;
}

// Four pixels as 32-bit words B G R 0 to their 12 bytes, in bytes 0..11.
inline __m128i PackFourPixels(__m128i words) {
  // In each 64-bit half: the first pixel's three bytes and the second's next
  // to them, six bytes.
  const __m128i halves =
      _mm_or_si128(_mm_and_si128(words, _mm_set_epi32(0, 0xFFFFFF, 0, 0xFFFFFF)),
                   _mm_and_si128(_mm_srli_epi64(words, 8), _mm_set_epi32(0xFFFF, Bits(0xFF000000u), 0xFFFF, Bits(0xFF000000u))));
  // The upper half's six bytes moved down next to the lower half's.
  return _mm_or_si128(_mm_and_si128(halves, _mm_set_epi32(0, 0, 0xFFFF, -1)),
                      _mm_and_si128(_mm_srli_si128(halves, 2), _mm_set_epi32(0, -1, Bits(0xFFFF0000u), 0)));
}

// Sixteen pixels' 48 bytes with shifts and masks only (SSE2).
inline void StoreBgrByShifts(const BgrBytes<Lanes128> &pixels, uint8_t *bgr) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i blueGreenLow = _mm_unpacklo_epi8(pixels.blue, pixels.green);
  const __m128i blueGreenHigh = _mm_unpackhi_epi8(pixels.blue, pixels.green);
  const __m128i redLow = _mm_unpacklo_epi8(pixels.red, zero);
  const __m128i redHigh = _mm_unpackhi_epi8(pixels.red, zero);
  const __m128i p0 = PackFourPixels(_mm_unpacklo_epi16(blueGreenLow, redLow));
  const __m128i p1 = PackFourPixels(_mm_unpackhi_epi16(blueGreenLow, redLow));
  const __m128i p2 = PackFourPixels(_mm_unpacklo_epi16(blueGreenHigh, redHigh));
  const __m128i p3 = PackFourPixels(_mm_unpackhi_epi16(blueGreenHigh, redHigh));
  Lanes128::Store(bgr, _mm_or_si128(p0, _mm_slli_si128(p1, 12)));
  Lanes128::Store(bgr + 16, _mm_or_si128(_mm_srli_si128(p1, 4), _mm_slli_si128(p2, 8)));
  Lanes128::Store(bgr + 32, _mm_or_si128(_mm_srli_si128(p2, 8), _mm_slli_si128(p3, 4)));
}

#if defined(__SSSE3__)
// Output byte k of sixteen pixels is channel k % 3 of pixel k / 3: each
// 16-byte third of the output takes its bytes from the three planes by one
// byte shuffle each (index -1 gives 0). Each 128-bit half of L's vectors
// holds sixteen pixels; part(i) is third i of each half's output.
template <typename L>
SORVEX_VECTOR_INLINE void BgrThirds(const BgrBytes<L> &pixels, typename L::V *first,
                                    typename L::V *second, typename L::V *third) {
  typedef typename L::V V;
  const auto part = [&pixels](__m128i fromBlue, __m128i fromGreen, __m128i fromRed) {
    return L::Or(L::Or(L::Shuffle8(pixels.blue, L::Table(fromBlue)), L::Shuffle8(pixels.green, L::Table(fromGreen))),
                 L::Shuffle8(pixels.red, L::Table(fromRed)));
  };
  const V parts[3] = {part(_mm_setr_epi8(0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1, -1, 5),
                           _mm_setr_epi8(-1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1, -1),
                           _mm_setr_epi8(-1, -1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1)),
                      part(_mm_setr_epi8(-1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1, 10, -1),
                           _mm_setr_epi8(5, -1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1, 10),
                           _mm_setr_epi8(-1, 5, -1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1)),
                      part(_mm_setr_epi8(-1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15, -1, -1),
                           _mm_setr_epi8(-1, -1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15, -1),
                           _mm_setr_epi8(10, -1, -1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15))};
  *first = parts[0];
  *second = parts[1];
  *third = parts[2];
}

inline void StoreBgrByShuffles(const BgrBytes<Lanes128> &pixels, uint8_t *bgr) {
  __m128i first, second, third;
  BgrThirds<Lanes128>(pixels, &first, &second, &third);
  Lanes128::Store(bgr, first);
  Lanes128::Store(bgr + 16, second);
  Lanes128::Store(bgr + 32, third);
}
#endif

}  // namespace
}  // namespace sorvex1
