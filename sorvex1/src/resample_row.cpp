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

namespace {

// A reduction by 2, 4, 8 or 16: every output sample is the plain sum of its
// `ratio` source samples times 16 / ratio. That is the area average exactly:
// the sum weighted by the destination size, with 4 fraction bits, plus half
// the divisor, divided by the source size, is 16 / ratio times the sum plus
// one half, which rounds down to the same whole number.
int32_t PowerOfTwoReductionShift(ResampleAxis axis) {
  for (int32_t shift = 1; shift <= kResampleFractionBits; ++shift) {
    if (axis.source == axis.destination << shift) return shift;
  }
  return 0;
}

template <int32_t kRatioShift>
void SumAcross(const RgbPlanes &line, int32_t destination, uint32_t *__restrict resampled) {
  constexpr int32_t kRatio = 1 << kRatioShift;
  const uint8_t *const planes[3] = {line.red, line.green, line.blue};
  for (int32_t output = 0; output < destination; ++output) {
    for (int32_t c = 0; c < 3; ++c) {
      const uint8_t *samples = planes[c] + output * kRatio;
      uint32_t sum = 0;
      for (int32_t i = 0; i < kRatio; ++i) sum += samples[i];
      resampled[3 * output + c] = sum << (kResampleFractionBits - kRatioShift);
    }
  }
}

void ResampleAcrossByTaps(const RgbPlanes &line, ResampleAxis axis, uint32_t *resampled) {
  const uint8_t *const planes[3] = {line.red, line.green, line.blue};
  for (int32_t output = 0; output < axis.destination; ++output, resampled += 3) {
    const TapSpan span = TapSpanFor(axis, output);
    uint32_t sum[3] = {0, 0, 0};
    for (int32_t input = span.first; input <= span.last; ++input) {
      const uint32_t weight = static_cast<uint32_t>(TapWeight(axis, output, input));
      for (int32_t c = 0; c < 3; ++c) sum[c] += planes[c][input] * weight;
    }
    const uint32_t divisor = static_cast<uint32_t>(span.weightSum);
    for (int32_t c = 0; c < 3; ++c) {
      resampled[c] = ((sum[c] << kResampleFractionBits) + divisor / 2) / divisor;
    }
  }
}

}  // namespace

void ResampleRgbLineAcross(const RgbPlanes &line, ResampleAxis axis, uint32_t *resampled) {
  switch (PowerOfTwoReductionShift(axis)) {
    case 1:
      SumAcross<1>(line, axis.destination, resampled);
      break;
    case 2:
      SumAcross<2>(line, axis.destination, resampled);
      break;
    case 3:
      SumAcross<3>(line, axis.destination, resampled);
      break;
    case 4:
      SumAcross<4>(line, axis.destination, resampled);
      break;
    default:
      ResampleAcrossByTaps(line, axis, resampled);
      break;
  }
}

namespace {

void HalvePlane(const uint8_t *__restrict upper, const uint8_t *__restrict lower, int32_t width,
                uint8_t *__restrict out) {
  for (int32_t x = 0; x < width; ++x) {
    const uint32_t sum = static_cast<uint32_t>(upper[2 * x]) + upper[2 * x + 1] + lower[2 * x] + lower[2 * x + 1];
    out[x] = static_cast<uint8_t>((sum + 2) >> 2);
  }
}

}  // namespace

namespace scalar {

void HalveRgbLinePair(const RgbPlanes &upper, const RgbPlanes &lower, int32_t width, const RgbPlanes &out) {
  HalvePlane(upper.red, lower.red, width, out.red);
  HalvePlane(upper.green, lower.green, width, out.green);
  HalvePlane(upper.blue, lower.blue, width, out.blue);
}

}  // namespace scalar

int32_t CommonWeightFactor(ResampleAxis axis) {
  return IsReduction(axis) && axis.source % axis.destination == 0 ? axis.destination : 1;
}

void AccumulateWeightedLine(const uint32_t *line, int32_t count, int32_t weight, uint32_t *sum) {
  const uint32_t w = static_cast<uint32_t>(weight);
  for (int32_t i = 0; i < count; ++i) sum[i] += line[i] * w;
}

namespace {

uint8_t FinishedByte(uint32_t sum, uint32_t halfDivisor, const FixedDivisor &divisor) {
  const uint32_t value = DivideFixed(sum + halfDivisor, divisor);
  return value > 255 ? 255 : static_cast<uint8_t>(value);
}

void FinishByShift(const uint32_t *__restrict sum, int32_t width, uint32_t half, int32_t shift,
                   uint8_t *__restrict red, uint8_t *__restrict green, uint8_t *__restrict blue) {
  for (int32_t x = 0; x < width; ++x) {
    const uint32_t r = (sum[3 * x] + half) >> shift;
    const uint32_t g = (sum[3 * x + 1] + half) >> shift;
    const uint32_t b = (sum[3 * x + 2] + half) >> shift;
    red[x] = static_cast<uint8_t>(r > 255 ? 255 : r);
    green[x] = static_cast<uint8_t>(g > 255 ? 255 : g);
    blue[x] = static_cast<uint8_t>(b > 255 ? 255 : b);
  }
}

}  // namespace

// The sums are at most 255 << 4 times the weight sum (at most 2 * 8192), plus
// half the divisor: below 2^26, as the fixed division needs.
void FinishAccumulatedLine(const uint32_t *sum, int32_t width, int32_t weightSum, const RgbPlanes &out) {
  const uint32_t divisor = static_cast<uint32_t>(weightSum) << kResampleFractionBits;
  const uint32_t half = divisor / 2;
  if ((divisor & (divisor - 1)) == 0) {
    // A power of two (a whole reduction by 2, 4, ...): a shift does.
    int32_t shift = 0;
    while ((uint32_t{1} << shift) < divisor) ++shift;
    FinishByShift(sum, width, half, shift, out.red, out.green, out.blue);
    return;
  }
  const FixedDivisor fixed = MakeFixedDivisor(divisor);
  for (int32_t x = 0; x < width; ++x, sum += 3) {
    out.red[x] = FinishedByte(sum[0], half, fixed);
    out.green[x] = FinishedByte(sum[1], half, fixed);
    out.blue[x] = FinishedByte(sum[2], half, fixed);
  }
}

}  // namespace sorvex1
