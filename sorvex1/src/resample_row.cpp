#include "resample_row.h"

#include "pixel_math.h"

namespace sorvex1 {
namespace {

// Positions are measured in 1/destination of a source sample for the area
// average, and in 1/(2*destination) for interpolation, so both are exact.
bool IsReduction(ResampleAxis axis) { return axis.source >= axis.destination; }

// Where output sample `output` sits, for interpolation: the source sample at
// or before it and the distance beyond that sample (0 .. 2*destination-1).
struct InterpolationPoint {
  int32_t before;
  int32_t after;
  int32_t fraction;
};

InterpolationPoint InterpolationPointFor(ResampleAxis axis, int32_t output) {
  const int32_t scale = 2 * axis.destination;
  const int32_t position = MaxInt((2 * output + 1) * axis.source - axis.destination, 0);
  const int32_t before = position / scale;
  return {before, MinInt(before + 1, axis.source - 1), position % scale};
}

}  // namespace

TapSpan TapSpanFor(ResampleAxis axis, int32_t output) {
  if (IsReduction(axis)) {
    return {output * axis.source / axis.destination, ((output + 1) * axis.source - 1) / axis.destination,
            axis.source};
  }
  const InterpolationPoint point = InterpolationPointFor(axis, output);
  return {point.before, point.after, 2 * axis.destination};
}

int32_t TapWeight(ResampleAxis axis, int32_t output, int32_t input) {
  if (IsReduction(axis)) {
    const int32_t start = MaxInt(input * axis.destination, output * axis.source);
    const int32_t end = MinInt((input + 1) * axis.destination, (output + 1) * axis.source);
    return MaxInt(end - start, 0);
  }
  const InterpolationPoint point = InterpolationPointFor(axis, output);
  int32_t weight = 0;
  if (input == point.before) weight += 2 * axis.destination - point.fraction;
  if (input == point.after) weight += point.fraction;
  return weight;
}

void ResampleRgbLineAcross(const uint8_t *rgb, ResampleAxis axis, uint32_t *resampled) {
  for (int32_t output = 0; output < axis.destination; ++output, resampled += 3) {
    const TapSpan span = TapSpanFor(axis, output);
    uint32_t sum[3] = {0, 0, 0};
    for (int32_t input = span.first; input <= span.last; ++input) {
      const uint32_t weight = static_cast<uint32_t>(TapWeight(axis, output, input));
      const uint8_t *pixel = rgb + 3 * input;
      for (int32_t c = 0; c < 3; ++c) sum[c] += pixel[c] * weight;
    }
    const uint32_t divisor = static_cast<uint32_t>(span.weightSum);
    for (int32_t c = 0; c < 3; ++c) {
      resampled[c] = ((sum[c] << kResampleFractionBits) + divisor / 2) / divisor;
    }
  }
}

void AccumulateWeightedLine(const uint32_t *line, int32_t count, int32_t weight, uint32_t *sum) {
  const uint32_t w = static_cast<uint32_t>(weight);
  for (int32_t i = 0; i < count; ++i) sum[i] += line[i] * w;
}

namespace {

uint8_t FinishedByte(uint32_t sum, uint32_t divisor) {
  const uint32_t value = (sum + divisor / 2) / divisor;
  return value > 255 ? 255 : static_cast<uint8_t>(value);
}

}  // namespace

void FinishAccumulatedLine(const uint32_t *sum, int32_t width, int32_t weightSum, const RgbPlanes &out) {
  const uint32_t divisor = static_cast<uint32_t>(weightSum) << kResampleFractionBits;
  for (int32_t x = 0; x < width; ++x, sum += 3) {
    out.red[x] = FinishedByte(sum[0], divisor);
    out.green[x] = FinishedByte(sum[1], divisor);
    out.blue[x] = FinishedByte(sum[2], divisor);
  }
}

}  // namespace sorvex1
