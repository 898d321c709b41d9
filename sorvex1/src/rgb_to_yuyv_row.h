// RGB to packed YUYV through the colour matrix and the YUV matrix.
//
// Both matrices are three rows of four values, scaled by 256: three
// coefficients for R, G, B and an offset in 1/256 of a code value (256 adds
// one code value). The colour matrix maps camera RGB to RGB, clamped to
// 0..255. The YUV matrix maps that RGB to Y, U and V; the studio-range
// offsets (+16 for Y, +128 for U and V) are added on top of its own offsets.
#pragma once

#include <stdint.h>

#include "row_kernels.h"

namespace sorvex1 {

constexpr int32_t kMatrixValues = 12;
// The colour matrix that leaves RGB as it is.
constexpr int32_t kIdentityColourMatrix[kMatrixValues] = {256, 0, 0, 0, 0, 256, 0, 0, 0, 0, 256, 0};
// Every matrix value is limited to +-256.0 so that sums stay inside 32 bits.
constexpr int32_t kMatrixValueLimit = 65536;

// Converts `width` pixels to a YUYV line of 2 * width bytes (Y0 U Y1 V).
// A pair's U and V come from the sum of both pixels' chroma, rounded once.
// With an odd width the last pixel is written as Y and its own U; its V has
// no byte in the line and is dropped. The colour matrix is applied to the
// planes in place (they are the caller's scratch); the YUV matrix by the
// kernel of that name.
void RgbToYuyvLine(const RowKernels &kernels, const RgbPlanes &rgb, int32_t width, const int32_t *colourMatrix,
                   const int32_t *yuvMatrix, uint8_t *yuyv);

}  // namespace sorvex1
