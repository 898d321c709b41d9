// SSE2 forms of the YUV kernels: RGB to YUYV through the YUV matrix, YUYV
// to 24-bit BGR, and YUYV to I420. Same bytes as the scalar forms in
// rgb_to_yuyv_row.cpp and yuyv_row.cpp.
#include "lanes128.h"
#include "row_kernels.h"
#include "yuyv_to_bgr_body.h"

namespace sorvex1 {
namespace {

// ---- RGB to YUYV ----
//
// Each row's sum, coefficients times samples plus a constant, is taken
// exactly in 32-bit lanes by the multiply-add of 16-bit pairs: luma per
// pixel, chroma per pixel pair on the pair's sums (up to 510), then shifted
// (8 for luma, 9 for a pair's chroma), narrowed with saturation and packed
// to bytes, which clamps as the scalar form's ClampShiftToByte does (a
// negative sum shifts to a negative number and packs to 0). The
// coefficients must fit 16 bits; other matrices take the scalar form.

constexpr int32_t kLumaConstant = (16 << 8) + 128;           // studio offset and rounding at bit 8
constexpr int32_t kPairChromaConstant = 2 * (128 << 8) + 256;  // both pixels' offsets and rounding at bit 9

bool CoefficientsFit16Bits(const int32_t *matrix) {
  for (int32_t i = 0; i < 12; ++i) {
    if (i % 4 != 3 && (matrix[i] < -32768 || matrix[i] > 32767)) return false;
  }
  return true;
}

// A row as multiply-add operands: (red, green) pairs, (blue, 0) pairs and
// the constant.
struct MatrixRow {
  V128 redGreen;
  V128 blueZero;
  V128 constant;
};

MatrixRow RowOf(const int32_t *matrix, int32_t row, int32_t constant) {
  const int32_t *m = matrix + 4 * row;
  const int32_t redGreen = static_cast<int32_t>((static_cast<uint32_t>(m[1]) << 16) | (static_cast<uint32_t>(m[0]) & 0xFFFFu));
  return {Words(redGreen), Words(m[2] & 0xFFFF), Words(constant)};
}

// The row's sums of four pixels (or pairs) given as interleaved (red,
// green) and (blue, 0) 16-bit lanes, shifted.
template <int32_t kShift>
V128 RowSums(const MatrixRow &row, V128 redGreen, V128 blueZero) {
  const V128 sum = _mm_add_epi32(_mm_add_epi32(_mm_madd_epi16(redGreen, row.redGreen), _mm_madd_epi16(blueZero, row.blueZero)),
                                 row.constant);
  return _mm_srai_epi32(sum, kShift);
}

// Sixteen pixels (eight pairs): r, g and b as 16 bytes each.
struct Rows {
  MatrixRow y, u, v;
};

inline void SixteenPixelsToYuyv(const Rows &rows, V128 r, V128 g, V128 b, uint8_t *out) {
  const V128 zero = _mm_setzero_si128();
  // Luma, per pixel.
  const V128 rLow = _mm_unpacklo_epi8(r, zero), rHigh = _mm_unpackhi_epi8(r, zero);
  const V128 gLow = _mm_unpacklo_epi8(g, zero), gHigh = _mm_unpackhi_epi8(g, zero);
  const V128 bLow = _mm_unpacklo_epi8(b, zero), bHigh = _mm_unpackhi_epi8(b, zero);
  const V128 y0 = RowSums<8>(rows.y, _mm_unpacklo_epi16(rLow, gLow), _mm_unpacklo_epi16(bLow, zero));
  const V128 y1 = RowSums<8>(rows.y, _mm_unpackhi_epi16(rLow, gLow), _mm_unpackhi_epi16(bLow, zero));
  const V128 y2 = RowSums<8>(rows.y, _mm_unpacklo_epi16(rHigh, gHigh), _mm_unpacklo_epi16(bHigh, zero));
  const V128 y3 = RowSums<8>(rows.y, _mm_unpackhi_epi16(rHigh, gHigh), _mm_unpackhi_epi16(bHigh, zero));
  const V128 luma = _mm_packus_epi16(_mm_packs_epi32(y0, y1), _mm_packs_epi32(y2, y3));
  // Chroma, per pair, on the pairs' sums.
  const V128 rs = _mm_add_epi16(LowBytes(r), HighBytes(r));
  const V128 gs = _mm_add_epi16(LowBytes(g), HighBytes(g));
  const V128 bs = _mm_add_epi16(LowBytes(b), HighBytes(b));
  const V128 rgLow = _mm_unpacklo_epi16(rs, gs), rgHigh = _mm_unpackhi_epi16(rs, gs);
  const V128 bLowPairs = _mm_unpacklo_epi16(bs, zero), bHighPairs = _mm_unpackhi_epi16(bs, zero);
  const V128 u = _mm_packs_epi32(RowSums<9>(rows.u, rgLow, bLowPairs), RowSums<9>(rows.u, rgHigh, bHighPairs));
  const V128 v = _mm_packs_epi32(RowSums<9>(rows.v, rgLow, bLowPairs), RowSums<9>(rows.v, rgHigh, bHighPairs));
  const V128 uv = _mm_packus_epi16(u, v);                          // u0..u7 v0..v7
  const V128 chroma = _mm_unpacklo_epi8(uv, _mm_srli_si128(uv, 8));  // u0 v0 u1 v1 ...
  Store(out, _mm_unpacklo_epi8(luma, chroma));
  Store(out + 16, _mm_unpackhi_epi8(luma, chroma));
}

// ---- YUYV to I420 ----

constexpr int32_t kI420StepPairs = 16;

void I420Step(const uint8_t *upper, const uint8_t *lower, int32_t p, const I420LinePair &out) {
  V128 a[4], b[4];
  for (int32_t i = 0; i < 4; ++i) {
    a[i] = Load(upper + 4 * p + 16 * i);
    b[i] = Load(lower + 4 * p + 16 * i);
  }
  Store(out.upperLuma + 2 * p, _mm_packus_epi16(LowBytes(a[0]), LowBytes(a[1])));
  Store(out.upperLuma + 2 * p + 16, _mm_packus_epi16(LowBytes(a[2]), LowBytes(a[3])));
  Store(out.lowerLuma + 2 * p, _mm_packus_epi16(LowBytes(b[0]), LowBytes(b[1])));
  Store(out.lowerLuma + 2 * p + 16, _mm_packus_epi16(LowBytes(b[2]), LowBytes(b[3])));
  // u v pairs of both lines, their rounded means, then apart.
  const V128 chroma0 = _mm_avg_epu8(_mm_packus_epi16(HighBytes(a[0]), HighBytes(a[1])),
                                    _mm_packus_epi16(HighBytes(b[0]), HighBytes(b[1])));
  const V128 chroma1 = _mm_avg_epu8(_mm_packus_epi16(HighBytes(a[2]), HighBytes(a[3])),
                                    _mm_packus_epi16(HighBytes(b[2]), HighBytes(b[3])));
  Store(out.u + p, _mm_packus_epi16(LowBytes(chroma0), LowBytes(chroma1)));
  Store(out.v + p, _mm_packus_epi16(HighBytes(chroma0), HighBytes(chroma1)));
}

}  // namespace

namespace sse2 {

void RgbToYuyvLine(const RgbPlanes &rgb, int32_t width, const int32_t *yuvMatrix, uint8_t *yuyv) {
  const int32_t pairs = width / 2;
  if (pairs < 8 || !CoefficientsFit16Bits(yuvMatrix)) {
    scalar::RgbToYuyvLine(rgb, width, yuvMatrix, yuyv);
    return;
  }
  const Rows rows = {RowOf(yuvMatrix, 0, yuvMatrix[3] + kLumaConstant),
                     RowOf(yuvMatrix, 1, 2 * yuvMatrix[7] + kPairChromaConstant),
                     RowOf(yuvMatrix, 2, 2 * yuvMatrix[11] + kPairChromaConstant)};
  // The last step ends with the last pair and may overlap the one before it.
  for (int32_t p = 0; p < pairs; p += 8) {
    const int32_t x = 2 * (p + 8 <= pairs ? p : pairs - 8);
    SixteenPixelsToYuyv(rows, Load(rgb.red + x), Load(rgb.green + x), Load(rgb.blue + x), yuyv + 2 * x);
  }
  if (2 * pairs < width) {
    const int32_t x = 2 * pairs;
    scalar::RgbToYuyvLine({rgb.red + x, rgb.green + x, rgb.blue + x}, 1, yuvMatrix, yuyv + 2 * x);
  }
}

int32_t YuyvToBgr(const uint8_t *yuyv, int32_t width, uint8_t *bgr) {
  int32_t x = 0;
  for (; x + kBgrStepPixels <= width; x += kBgrStepPixels) {
    StoreBgrSse2(SixteenPixelsToBgr(yuyv + 2 * x), bgr + 3 * x);
  }
  return x;
}

int32_t YuyvToI420(const uint8_t *upper, const uint8_t *lower, int32_t pairs, const I420LinePair &out) {
  int32_t p = 0;
  for (; p + kI420StepPairs <= pairs; p += kI420StepPairs) I420Step(upper, lower, p, out);
  return p;
}

}  // namespace sse2
}  // namespace sorvex1
