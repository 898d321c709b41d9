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

template <typename Coefficient>
void PlanesToYuyv(const RgbPlanes &rgb, int32_t width, const int32_t *yuvMatrix, uint8_t *yuyv) {
  const MatrixRow<Coefficient> yRow = RowOf<Coefficient>(yuvMatrix, 0);
  const MatrixRow<Coefficient> uRow = RowOf<Coefficient>(yuvMatrix, 1);
  const MatrixRow<Coefficient> vRow = RowOf<Coefficient>(yuvMatrix, 2);
  const uint8_t *__restrict r = rgb.red;
  const uint8_t *__restrict g = rgb.green;
  const uint8_t *__restrict b = rgb.blue;
  uint8_t *__restrict out = yuyv;
  const int32_t pairs = width / 2;
  for (int32_t p = 0; p < pairs; ++p) {
    const int16_t r0 = r[2 * p], g0 = g[2 * p], b0 = b[2 * p];
    const int16_t r1 = r[2 * p + 1], g1 = g[2 * p + 1], b1 = b[2 * p + 1];
    out[4 * p] = ClampShiftToByte(Apply(yRow, r0, g0, b0) + kLumaOffset, 8);
    out[4 * p + 1] = ClampShiftToByte(Apply(uRow, r0, g0, b0) + Apply(uRow, r1, g1, b1) + 2 * kChromaOffset, 9);
    out[4 * p + 2] = ClampShiftToByte(Apply(yRow, r1, g1, b1) + kLumaOffset, 8);
    out[4 * p + 3] = ClampShiftToByte(Apply(vRow, r0, g0, b0) + Apply(vRow, r1, g1, b1) + 2 * kChromaOffset, 9);
  }
  if (2 * pairs < width) {
    const int32_t x = 2 * pairs;
    out[2 * x] = ClampShiftToByte(Apply(yRow, r[x], g[x], b[x]) + kLumaOffset, 8);
    out[2 * x + 1] = ClampShiftToByte(2 * Apply(uRow, r[x], g[x], b[x]) + 2 * kChromaOffset, 9);
  }
}

}  // namespace

void RgbToYuyvLine(const RgbPlanes &rgb, int32_t width, const int32_t *colourMatrix, const int32_t *yuvMatrix,
                   uint8_t *yuyv) {
  if (!IsIdentity(colourMatrix)) {
    if (CoefficientsFit16Bits(colourMatrix)) {
      ApplyColourMatrix<int16_t>(colourMatrix, width, rgb);
    } else {
      ApplyColourMatrix<int32_t>(colourMatrix, width, rgb);
    }
  }
  if (CoefficientsFit16Bits(yuvMatrix)) {
    PlanesToYuyv<int16_t>(rgb, width, yuvMatrix, yuyv);
  } else {
    PlanesToYuyv<int32_t>(rgb, width, yuvMatrix, yuyv);
  }
}

}  // namespace sorvex1
