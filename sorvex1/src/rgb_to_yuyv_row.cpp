#include "rgb_to_yuyv_row.h"

#include "pixel_math.h"

namespace sorvex1 {
namespace {

constexpr int32_t kLumaOffset = 16 << 8;
constexpr int32_t kChromaOffset = 128 << 8;

// One matrix row applied to a pixel, still scaled by 256.
int32_t ApplyMatrixRow(const int32_t *row, const uint8_t *rgb) {
  return row[0] * rgb[0] + row[1] * rgb[1] + row[2] * rgb[2] + row[3];
}

void ApplyColourMatrix(const int32_t *matrix, const uint8_t *rgb, uint8_t *out) {
  for (int32_t c = 0; c < 3; ++c) out[c] = ClampShiftToByte(ApplyMatrixRow(matrix + 4 * c, rgb), 8);
}

uint8_t LumaOf(const int32_t *yuvMatrix, const uint8_t *rgb) {
  return ClampShiftToByte(ApplyMatrixRow(yuvMatrix, rgb) + kLumaOffset, 8);
}

// U or V (matrix row 1 or 2) of a pair of pixels, averaged before rounding.
uint8_t PairChromaOf(const int32_t *matrixRow, const uint8_t *a, const uint8_t *b) {
  return ClampShiftToByte(ApplyMatrixRow(matrixRow, a) + ApplyMatrixRow(matrixRow, b) + 2 * kChromaOffset, 9);
}

}  // namespace

void RgbToYuyvLine(const uint8_t *rgb, int32_t width, const int32_t *colourMatrix, const int32_t *yuvMatrix,
                   uint8_t *yuyv) {
  const int32_t *uRow = yuvMatrix + 4;
  const int32_t *vRow = yuvMatrix + 8;
  int32_t x = 0;
  for (; x + 1 < width; x += 2, rgb += 6, yuyv += 4) {
    uint8_t first[3];
    uint8_t second[3];
    ApplyColourMatrix(colourMatrix, rgb, first);
    ApplyColourMatrix(colourMatrix, rgb + 3, second);
    yuyv[0] = LumaOf(yuvMatrix, first);
    yuyv[1] = PairChromaOf(uRow, first, second);
    yuyv[2] = LumaOf(yuvMatrix, second);
    yuyv[3] = PairChromaOf(vRow, first, second);
  }
  if (x < width) {
    uint8_t last[3];
    ApplyColourMatrix(colourMatrix, rgb, last);
    yuyv[0] = LumaOf(yuvMatrix, last);
    yuyv[1] = PairChromaOf(uRow, last, last);
  }
}

}  // namespace sorvex1
