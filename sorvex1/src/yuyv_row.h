// Line kernels of the YUYV conversions: BT.601 studio range back to BGR,
// YUYV to I420 planes, and nearest-sample resizing of a YUYV line.
//
// A YUYV line of width W is 2W bytes of Y0 U Y1 V. With an odd width the
// last pixel has only Y and U; it borrows V from the pair before it (128,
// neutral, when it is the only pixel).
#pragma once

#include <stdint.h>

#include "row_kernels.h"

namespace sorvex1 {

// U and V that apply to pixel x of a YUYV line.
void YuyvChromaAt(const uint8_t *yuyv, int32_t width, int32_t x, uint8_t *u, uint8_t *v);

// BT.601 studio-range YUYV to 24-bit BGR (3 * width bytes).
void YuyvToBgrLine(const RowKernels &kernels, const uint8_t *yuyv, int32_t width, uint8_t *bgr);

void YuyvToLumaLine(const uint8_t *yuyv, int32_t width, uint8_t *luma);

// Two YUYV lines to I420 in one pass: each line's luma (width bytes) and,
// for each complete pixel pair, the rounded mean of the two lines' U and of
// their V.
void YuyvLinePairToI420(const RowKernels &kernels, const uint8_t *upper, const uint8_t *lower, int32_t width,
                        const I420LinePair &out);

// Index of the source sample nearest to the centre of output sample `output`.
int32_t NearestSourceIndex(int32_t output, int32_t sourceSize, int32_t destinationSize);

// Resizes a YUYV line by taking each pixel's Y from the nearest source pixel
// and each pair's U and V from the first pixel's nearest source pixel.
void SampleYuyvLine(const uint8_t *source, int32_t sourceWidth, uint8_t *destination, int32_t width);

}  // namespace sorvex1
