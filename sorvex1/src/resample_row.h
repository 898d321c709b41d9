// Resampling along one axis, used for both axes of the raw conversion.
//
// Reduction (destination smaller than the source) is an area average: each
// output sample is the mean of the source samples its footprint covers,
// weighted by the covered fraction. That is a box filter over the footprint,
// which is what keeps a reduced image free of aliasing. Enlargement is linear
// interpolation between the two nearest source samples, with sample centres
// aligned (the centre of the output maps to the centre of the source).
// Equal sizes give the source back unchanged.
#pragma once

#include <stdint.h>

#include "demosaic.h"

namespace sorvex1 {

// Intermediate results carry this many extra fractional bits.
constexpr int32_t kResampleFractionBits = 4;

struct ResampleAxis {
  int32_t source;
  int32_t destination;
};

// The source samples one output sample draws on, and the sum of their weights.
struct TapSpan {
  int32_t first;
  int32_t last;
  int32_t weightSum;
};

TapSpan TapSpanFor(ResampleAxis axis, int32_t output);
// Weight of source sample `input` in output sample `output`; 0 outside its span.
int32_t TapWeight(ResampleAxis axis, int32_t output, int32_t input);

// A factor every weight of the axis and their sum share: the destination
// size when the source is a whole multiple of it (each source sample then
// weighs the destination size), else 1. Dividing the weights and their sum
// by it leaves every rounded quotient of the reduction as it was.
int32_t CommonWeightFactor(ResampleAxis axis);

// Resamples a line of RGB across into triplets; the result keeps the extra
// fractional bits (destination entries: 3 * axis.destination).
void ResampleRgbLineAcross(const RgbPlanes &line, ResampleAxis axis, uint32_t *resampled);

// sum[i] += line[i] * weight, for `count` values.
void AccumulateWeightedLine(const uint32_t *line, int32_t count, int32_t weight, uint32_t *sum);

// A reduction by exactly 2 on both axes is the row kernel
// HalveRgbLinePair (row_kernels.h): each output sample is the rounded mean
// (a + b + c + d + 2) / 4 of its 2x2 source samples, the same byte the area
// average gives (the sums, their extra bits and the final shift reduce to
// that), without the 32-bit intermediate lines.

// Divides a weighted sum of RGB lines (3 * width values) back to bytes,
// dropping the extra bits, into planes.
void FinishAccumulatedLine(const uint32_t *sum, int32_t width, int32_t weightSum, const RgbPlanes &out);

}  // namespace sorvex1
