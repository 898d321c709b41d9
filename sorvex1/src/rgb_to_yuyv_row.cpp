#include "rgb_to_yuyv_row.h"

#include "pixel_math.h"

namespace sorvex1 {
namespace {

constexpr int32_t kLumaOffset = 16 << 8;
constexpr int32_t kChromaOffset = 128 << 8;

// One matrix row, copied out of the caller's array so that the compiler can
// keep it in registers while it writes the image. With coefficients that fit
// in 16 bits (every matrix the camera sends) the products are 16 x 16 -> 32
// bits, which the compiler vectorises with the processor's 16-bit
// multiplies; wider ones take 32-bit coefficients. Both give the same sums.
template <typename Coefficient>
struct MatrixRow {
  Coefficient r, g, b;
  int32_t offset;
};

template <typename Coefficient>
MatrixRow<Coefficient> RowOf(const int32_t *matrix, int32_t row) {
  const int32_t *m = matrix + 4 * row;
  return {static_cast<Coefficient>(m[0]), static_cast<Coefficient>(m[1]), static_cast<Coefficient>(m[2]), m[3]};
}

bool CoefficientsFit16Bits(const int32_t *matrix) {
  for (int32_t i = 0; i < kMatrixValues; ++i) {
    if (i % 4 != 3 && (matrix[i] < -32768 || matrix[i] > 32767)) return false;
  }
  return true;
}

// One matrix row applied to a pixel, still scaled by 256. The samples go in
// as 16-bit values so that a 16-bit coefficient makes a 16 x 16 product.
template <typename Coefficient>
int32_t Apply(const MatrixRow<Coefficient> &row, int16_t r, int16_t g, int16_t b) {
  return int32_t{row.r} * r + int32_t{row.g} * g + int32_t{row.b} * b + row.offset;
}

// The identity passes every value through unchanged: (256 v + 128) >> 8 = v.
bool IsIdentity(const int32_t *matrix) {
  for (int32_t i = 0; i < kMatrixValues; ++i) {
    if (matrix[i] != (i % 5 == 0 ? 256 : 0)) return false;
  }
  return true;
}

template <typename Coefficient>
void ApplyColourMatrix(const int32_t *matrix, int32_t width, const RgbPlanes &rgb) {
  const MatrixRow<Coefficient> red = RowOf<Coefficient>(matrix, 0);
  const MatrixRow<Coefficient> green = RowOf<Coefficient>(matrix, 1);
  const MatrixRow<Coefficient> blue = RowOf<Coefficient>(matrix, 2);
  uint8_t *__restrict r = rgb.red;
  uint8_t *__restrict g = rgb.green;
  uint8_t *__restrict b = rgb.blue;
  for (int32_t x = 0; x < width; ++x) {
    const int16_t r0 = r[x];
    const int16_t g0 = g[x];
    const int16_t b0 = b[x];
    r[x] = ClampShiftToByte(Apply(red, r0, g0, b0), 8);
    g[x] = ClampShiftToByte(Apply(green, r0, g0, b0), 8);
    b[x] = ClampShiftToByte(Apply(blue, r0, g0, b0), 8);
  }
}

// Pixels converted per block: luma of every pixel in one contiguous loop,
// chroma of every pair in another, then the two interleaved into YUYV. Each
// loop reads and writes plain arrays, which vectorises better than one loop
// that takes the pixels apart and puts the bytes together at once.
constexpr int32_t kYuyvBlockPairs = 32;

// A block's luma (2 * pairs) and a pair's U and V to YUYV bytes.
inline void InterleaveYuyv(const uint8_t *__restrict luma, const uint8_t *__restrict u, const uint8_t *__restrict v,
                           int32_t pairs, uint8_t *__restrict out) {
  for (int32_t p = 0; p < pairs; ++p) {
    out[4 * p] = luma[2 * p];
    out[4 * p + 1] = u[p];
    out[4 * p + 2] = luma[2 * p + 1];
    out[4 * p + 3] = v[p];
  }
}

template <bool kFullBlock, typename Coefficient>
void PairsToYuyvBlock(const uint8_t *__restrict r, const uint8_t *__restrict g, const uint8_t *__restrict b,
                      int32_t pairsGiven, const MatrixRow<Coefficient> &yRow, const MatrixRow<Coefficient> &uRow,
                      const MatrixRow<Coefficient> &vRow, uint8_t *__restrict out) {
  const int32_t pairs = kFullBlock ? kYuyvBlockPairs : pairsGiven;
  uint8_t luma[2 * kYuyvBlockPairs];
  uint8_t u[kYuyvBlockPairs];
  uint8_t v[kYuyvBlockPairs];
  for (int32_t x = 0; x < 2 * pairs; ++x) {
    luma[x] = ClampShiftToByte(Apply(yRow, r[x], g[x], b[x]) + kLumaOffset, 8);
  }
  for (int32_t p = 0; p < pairs; ++p) {
    // Both pixels' chroma in one product per colour: the coefficients
    // times the pair's sums, plus both offsets, is the same sum.
    const int16_t rs = static_cast<int16_t>(r[2 * p] + r[2 * p + 1]);
    const int16_t gs = static_cast<int16_t>(g[2 * p] + g[2 * p + 1]);
    const int16_t bs = static_cast<int16_t>(b[2 * p] + b[2 * p + 1]);
    u[p] = ClampShiftToByte(Apply(uRow, rs, gs, bs) + uRow.offset + 2 * kChromaOffset, 9);
    v[p] = ClampShiftToByte(Apply(vRow, rs, gs, bs) + vRow.offset + 2 * kChromaOffset, 9);
  }
  InterleaveYuyv(luma, u, v, pairs, out);
}

// The common case in 16-bit lanes. When a row's sum for one pixel, with its
// offsets and rounding, lies within 0..65535 for every input (as for the
// BT.601 matrix), the sum taken modulo 2^16 is the sum itself, whatever the
// signs of the coefficients, and its top byte is already the clamped result:
// each product is then a single 16-bit multiply. A pair's chroma sum is the
// two pixels' sums added, which can pass 16 bits, so its half is taken
// first: a/2 + b/2 rounded down is (a >> 1) + (b >> 1) + (a & b & 1), and
// shifting that by 8 is the pair's sum shifted by 9.
struct Row16 {
  uint16_t r, g, b, constant;
};

// The row with `constant` added to its offset, if its sum stays inside
// 0..65535 for inputs 0..255.
bool FitsUnsigned16(const int32_t *matrix, int32_t row, int32_t constant, Row16 *out) {
  const int32_t *m = matrix + 4 * row;
  int32_t lowest = m[3] + constant;
  int32_t highest = lowest;
  for (int32_t i = 0; i < 3; ++i) {
    if (m[i] < 0) lowest += 255 * m[i];
    if (m[i] > 0) highest += 255 * m[i];
  }
  if (lowest < 0 || highest > 65535) return false;
  *out = {static_cast<uint16_t>(m[0]), static_cast<uint16_t>(m[1]), static_cast<uint16_t>(m[2]),
          static_cast<uint16_t>(m[3] + constant)};
  return true;
}

inline uint16_t Sum16(const Row16 &row, uint16_t r, uint16_t g, uint16_t b) {
  return static_cast<uint16_t>(row.r * r + row.g * g + row.b * b + row.constant);
}

inline uint16_t HalfSum16(uint16_t a, uint16_t b) {
  return static_cast<uint16_t>((a >> 1) + (b >> 1) + (a & b & 1));
}

struct YuvRows16 {
  Row16 y, u, v;
};

// Luma rounds at bit 8, a pair's chroma (two pixels' worth) at bit 9.
bool YuvRowsFit16(const int32_t *yuvMatrix, YuvRows16 *rows) {
  return FitsUnsigned16(yuvMatrix, 0, kLumaOffset + 128, &rows->y) &&
         FitsUnsigned16(yuvMatrix, 1, kChromaOffset + 128, &rows->u) &&
         FitsUnsigned16(yuvMatrix, 2, kChromaOffset + 128, &rows->v);
}

template <bool kFullBlock>
void PairsToYuyvBlock16(const uint8_t *__restrict r, const uint8_t *__restrict g, const uint8_t *__restrict b,
                        int32_t pairsGiven, const YuvRows16 &rows, uint8_t *__restrict out) {
  const int32_t pairs = kFullBlock ? kYuyvBlockPairs : pairsGiven;
  uint8_t luma[2 * kYuyvBlockPairs];
  uint16_t u[2 * kYuyvBlockPairs];
  uint16_t v[2 * kYuyvBlockPairs];
  for (int32_t x = 0; x < 2 * pairs; ++x) {
    luma[x] = static_cast<uint8_t>(Sum16(rows.y, r[x], g[x], b[x]) >> 8);
    u[x] = Sum16(rows.u, r[x], g[x], b[x]);
    v[x] = Sum16(rows.v, r[x], g[x], b[x]);
  }
  for (int32_t p = 0; p < pairs; ++p) {
    out[4 * p] = luma[2 * p];
    out[4 * p + 1] = static_cast<uint8_t>(HalfSum16(u[2 * p], u[2 * p + 1]) >> 8);
    out[4 * p + 2] = luma[2 * p + 1];
    out[4 * p + 3] = static_cast<uint8_t>(HalfSum16(v[2 * p], v[2 * p + 1]) >> 8);
  }
}

// Every other matrix with coefficients up to 2048 in size (all the camera's
// colour-corrected matrices) in 16-bit lanes too, exactly: each product
// c * x is split into its signed upper half h and unsigned lower half l
// (c * x = 65536 h + l, one vector multiply each), and the row's sum plus
// its constant K, shifted right by `shift` (8 for luma, 9 for a pair's
// chroma), is
//   2^(16 - shift) * sum(h) + sum(l >> shift) + (K >> shift)
//   + ((sum(l & mask) + (K & mask)) >> shift),  mask = 2^shift - 1,
// every term of which stays well inside 16 bits. The result is clamped to a
// byte as in the plain formula.
constexpr int32_t kSplitMaxCoefficient = 2048;
constexpr int32_t kSplitMaxConstant = 1 << 20;

struct SplitRow {
  int16_t r, g, b;
  int16_t constantHigh;  // K >> shift
  int16_t constantLow;   // K & mask
};

bool SplitRowOf(const int32_t *matrix, int32_t row, int32_t constant, int32_t shift, SplitRow *out) {
  const int32_t *m = matrix + 4 * row;
  for (int32_t i = 0; i < 3; ++i) {
    if (m[i] < -kSplitMaxCoefficient || m[i] > kSplitMaxCoefficient) return false;
  }
  if (m[3] < -kSplitMaxConstant || m[3] > kSplitMaxConstant) return false;
  const int32_t k = constant + m[3] * (shift == 9 ? 2 : 1);
  // K >> shift rounded down, as an arithmetic shift would, without shifting
  // a negative number.
  const int32_t high = k >= 0 ? k >> shift : -((-k + (1 << shift) - 1) >> shift);
  *out = {static_cast<int16_t>(m[0]), static_cast<int16_t>(m[1]), static_cast<int16_t>(m[2]),
          static_cast<int16_t>(high), static_cast<int16_t>(k - high * (1 << shift))};
  return true;
}

// A luma row that fits the unsigned 16-bit range on its own (as the camera's
// do: only their chroma rows reach below zero) keeps the cheaper wrapped sum.
struct YuvRowsSplit {
  SplitRow y, u, v;
  bool lumaFits16;
  Row16 y16;
};

// Luma rounds at bit 8 and a pair's chroma, which carries both pixels'
// offsets, at bit 9.
bool YuvRowsSplit16(const int32_t *yuvMatrix, YuvRowsSplit *rows) {
  rows->lumaFits16 = FitsUnsigned16(yuvMatrix, 0, kLumaOffset + 128, &rows->y16);
  return SplitRowOf(yuvMatrix, 0, kLumaOffset + 128, 8, &rows->y) &&
         SplitRowOf(yuvMatrix, 1, 2 * kChromaOffset + 256, 9, &rows->u) &&
         SplitRowOf(yuvMatrix, 2, 2 * kChromaOffset + 256, 9, &rows->v);
}

inline int16_t HighHalf(int16_t c, int16_t x) { return static_cast<int16_t>((int32_t{c} * x) >> 16); }
// The lower half taken from an unsigned product (the same bits): written as
// the signed product, it would be shared with the upper half's and kept as a
// 32-bit multiply.
inline uint16_t LowHalf(int16_t c, int16_t x) {
  return static_cast<uint16_t>(uint32_t{static_cast<uint16_t>(c)} * static_cast<uint16_t>(x));
}

template <int32_t kShift>
inline uint8_t SplitSumToByte(const SplitRow &row, int16_t r, int16_t g, int16_t b) {
  constexpr uint16_t kMask = (1u << kShift) - 1;
  const uint16_t lr = LowHalf(row.r, r);
  const uint16_t lg = LowHalf(row.g, g);
  const uint16_t lb = LowHalf(row.b, b);
  const int16_t high = static_cast<int16_t>(HighHalf(row.r, r) + HighHalf(row.g, g) + HighHalf(row.b, b));
  const int16_t carry =
      static_cast<int16_t>(((lr & kMask) + (lg & kMask) + (lb & kMask) + row.constantLow) >> kShift);
  const int16_t value = static_cast<int16_t>(high * (1 << (16 - kShift)) + (lr >> kShift) + (lg >> kShift) +
                                             (lb >> kShift) + row.constantHigh + carry);
  return static_cast<uint8_t>(value < 0 ? 0 : (value > 255 ? 255 : value));
}

// The samples are widened into 16-bit arrays first: products of two 16-bit
// values are what the compiler turns into the vector multiplies' upper and
// lower halves; a byte widened inside the product makes it use 32-bit ones.
template <bool kFullBlock>
void PairsToYuyvBlockSplit(const uint8_t *__restrict r, const uint8_t *__restrict g, const uint8_t *__restrict b,
                           int32_t pairsGiven, const YuvRowsSplit &rows, uint8_t *__restrict out) {
  const int32_t pairs = kFullBlock ? kYuyvBlockPairs : pairsGiven;
  int16_t red[2 * kYuyvBlockPairs];
  int16_t green[2 * kYuyvBlockPairs];
  int16_t blue[2 * kYuyvBlockPairs];
  int16_t redSums[kYuyvBlockPairs];
  int16_t greenSums[kYuyvBlockPairs];
  int16_t blueSums[kYuyvBlockPairs];
  for (int32_t x = 0; x < 2 * pairs; ++x) {
    red[x] = r[x];
    green[x] = g[x];
    blue[x] = b[x];
  }
  for (int32_t p = 0; p < pairs; ++p) {
    redSums[p] = static_cast<int16_t>(red[2 * p] + red[2 * p + 1]);
    greenSums[p] = static_cast<int16_t>(green[2 * p] + green[2 * p + 1]);
    blueSums[p] = static_cast<int16_t>(blue[2 * p] + blue[2 * p + 1]);
  }
  uint8_t luma[2 * kYuyvBlockPairs];
  uint8_t u[kYuyvBlockPairs];
  uint8_t v[kYuyvBlockPairs];
  if (rows.lumaFits16) {
    for (int32_t x = 0; x < 2 * pairs; ++x) luma[x] = static_cast<uint8_t>(Sum16(rows.y16, r[x], g[x], b[x]) >> 8);
  } else {
    for (int32_t x = 0; x < 2 * pairs; ++x) luma[x] = SplitSumToByte<8>(rows.y, red[x], green[x], blue[x]);
  }
  for (int32_t p = 0; p < pairs; ++p) {
    u[p] = SplitSumToByte<9>(rows.u, redSums[p], greenSums[p], blueSums[p]);
    v[p] = SplitSumToByte<9>(rows.v, redSums[p], greenSums[p], blueSums[p]);
  }
  InterleaveYuyv(luma, u, v, pairs, out);
}

template <typename Coefficient>
void PlanesToYuyv(const RgbPlanes &rgb, int32_t width, const int32_t *yuvMatrix, uint8_t *yuyv) {
  const MatrixRow<Coefficient> yRow = RowOf<Coefficient>(yuvMatrix, 0);
  const MatrixRow<Coefficient> uRow = RowOf<Coefficient>(yuvMatrix, 1);
  const MatrixRow<Coefficient> vRow = RowOf<Coefficient>(yuvMatrix, 2);
  const int32_t pairs = width / 2;
  YuvRows16 rows16;
  const bool fits16 = YuvRowsFit16(yuvMatrix, &rows16);
  YuvRowsSplit rowsSplit;
  const bool splits16 = !fits16 && YuvRowsSplit16(yuvMatrix, &rowsSplit);
  // Full blocks have fixed trip counts, which the compiler turns into vector
  // code without scalar tails. A line of at least one block ends with a full
  // block too, overlapping the one before it: its pairs come out the same
  // twice, since nothing here writes to the planes.
  const bool fullBlocks = pairs >= kYuyvBlockPairs;
  for (int32_t p = 0; p < pairs; p += kYuyvBlockPairs) {
    const int32_t first = fullBlocks ? MinInt(p, pairs - kYuyvBlockPairs) : p;
    const int32_t x = 2 * first;
    const int32_t count = MinInt(kYuyvBlockPairs, pairs - first);
    const uint8_t *r = rgb.red + x;
    const uint8_t *g = rgb.green + x;
    const uint8_t *b = rgb.blue + x;
    uint8_t *out = yuyv + 2 * x;
    if (fits16) {
      fullBlocks ? PairsToYuyvBlock16<true>(r, g, b, count, rows16, out)
                 : PairsToYuyvBlock16<false>(r, g, b, count, rows16, out);
    } else if (splits16) {
      fullBlocks ? PairsToYuyvBlockSplit<true>(r, g, b, count, rowsSplit, out)
                 : PairsToYuyvBlockSplit<false>(r, g, b, count, rowsSplit, out);
    } else {
      fullBlocks ? PairsToYuyvBlock<true>(r, g, b, count, yRow, uRow, vRow, out)
                 : PairsToYuyvBlock<false>(r, g, b, count, yRow, uRow, vRow, out);
    }
  }
  if (2 * pairs < width) {
    const int32_t x = 2 * pairs;
    const uint8_t *r = rgb.red;
    const uint8_t *g = rgb.green;
    const uint8_t *b = rgb.blue;
    yuyv[2 * x] = ClampShiftToByte(Apply(yRow, r[x], g[x], b[x]) + kLumaOffset, 8);
    yuyv[2 * x + 1] = ClampShiftToByte(2 * Apply(uRow, r[x], g[x], b[x]) + 2 * kChromaOffset, 9);
  }
}

}  // namespace

void RgbToYuyvLine(const RowKernels &kernels, const RgbPlanes &rgb, int32_t width, const int32_t *colourMatrix,
                   const int32_t *yuvMatrix, uint8_t *yuyv) {
  if (!IsIdentity(colourMatrix)) {
    if (CoefficientsFit16Bits(colourMatrix)) {
      ApplyColourMatrix<int16_t>(colourMatrix, width, rgb);
    } else {
      ApplyColourMatrix<int32_t>(colourMatrix, width, rgb);
    }
  }
  kernels.rgbToYuyvLine(rgb, width, yuvMatrix, yuyv);
}

namespace scalar {

void RgbToYuyvLine(const RgbPlanes &rgb, int32_t width, const int32_t *yuvMatrix, uint8_t *yuyv) {
  if (CoefficientsFit16Bits(yuvMatrix)) {
    PlanesToYuyv<int16_t>(rgb, width, yuvMatrix, yuyv);
  } else {
    PlanesToYuyv<int32_t>(rgb, width, yuvMatrix, yuyv);
  }
}

}  // namespace scalar

}  // namespace sorvex1
