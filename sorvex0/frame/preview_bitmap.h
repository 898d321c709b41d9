// The two small raw-to-bitmap converters of the plain processing modes: a
// full-size bilinear demosaic and a half-size one that turns each 2 x 2 Bayer
// cell into a pixel. No colour correction, gamma or filtering. Output is a
// 24-bit bitmap, blue-green-red, bottom-up.
#pragma once

#include <stdint.h>

namespace sorvex0 {

// Chooses by the output width: the capture width gives the full-size
// picture, at least half of it the half-size picture, less than half the
// half-size picture of the frame decimated 2:1 in place first. The picture
// lands in the outputWidth x outputHeight destination line by line; where
// the two sizes differ (sizes the minidriver should not ask for) it is
// clipped, and destination pixels it does not cover are black. The
// decimation takes its kernels' forms by `vectorSets`.
void ConvertRawToPreviewBitmap(uint8_t *destination, uint8_t *raw, uint32_t outputWidth,
                               uint32_t outputHeight, uint32_t captureWidth, uint32_t captureHeight,
                               uint32_t vectorSets);

// The two converters on their own, writing a bottom-up picture of their
// natural size (width x height, or half of each, rounded down: an odd last
// line or column has no cell of its own) with lines `stride` pixels apart,
// at most `stride` pixels and `lines` lines (counted from the bottom). Both
// take their row kernels' forms by `vectorSets`.
void BayerToBgrFullSize(const uint8_t *raw, uint32_t width, uint32_t height, uint8_t *bgr,
                        uint32_t stride, uint32_t lines, uint32_t vectorSets);
void BayerToBgrHalfSize(const uint8_t *raw, uint32_t width, uint32_t height, uint8_t *bgr,
                        uint32_t stride, uint32_t lines, uint32_t vectorSets);

}  // namespace sorvex0
