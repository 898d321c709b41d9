#include "exposure/tone_curve.h"

#include "exposure/fixed_curves.h"

namespace sorvex0 {

namespace {

constexpr int32_t kCurveMax = 65535;
constexpr int32_t kRampStep = 32;
constexpr int32_t kRampMax = 255 * kRampStep;
// Picture values are percentages; larger ones act as this, which keeps the
// 32-bit products below in range.
constexpr uint32_t kMaxPictureValue = 10000;

int32_t PictureValue(uint32_t value) {
  return static_cast<int32_t>(value > kMaxPictureValue ? kMaxPictureValue : value);
}

int32_t Limit(int32_t value, int32_t low, int32_t high) {
  if (value < low) return low;
  if (value > high) return high;
  return value;
}

uint32_t AtLeastOne(uint32_t value) { return value == 0 ? 1 : value; }

// The gamma curve's bend scaled by P7 / 50 around the straight line.
void ApplyGammaStrength(const uint16_t *gamma, int32_t p7, int32_t *strength) {
  for (int32_t i = 0; i < 256; ++i) {
    const int32_t g = gamma[i];
    strength[i] = Limit(g + (g - 256 * i) * (p7 - 50) / 50, 0, kCurveMax);
  }
}

// Inputs below the black level give 0, the rest spans the whole
// curve, interpolated in hundredths of a step.
void StretchOverBlackLevel(const int32_t *strength, int32_t blackLevel, uint16_t *toneCurve) {
  // A level of 255 would leave no span to stretch over.
  const int32_t black = Limit(blackLevel, 0, 254);
  const int32_t span = 255 - black;
  for (int32_t i = 0; i < black; ++i) toneCurve[i] = 0;
  for (int32_t i = black; i < 256; ++i) {
    const int32_t t = (i - black) * 255 / span;
    const int32_t f = (i - black) * 25500 / span - 100 * t;
    const int32_t next = t < 255 ? t + 1 : 255;
    toneCurve[i] = static_cast<uint16_t>(((100 - f) * strength[t] + f * strength[next]) / 100);
  }
}

// Every entry moves toward the S-curve, sampled at the entry's
// rounded 8-bit value, by (P2 - 50) / 50.
void ApplyContrast(uint16_t *toneCurve, int32_t p2) {
  const uint16_t *sCurve = ContrastSCurve();
  for (int32_t i = 0; i < 256; ++i) {
    const int32_t v = toneCurve[i];
    int32_t k = (v >> 8) + ((v & 255) > 127 ? 1 : 0);
    if (k > 255) k = 255;
    toneCurve[i] = static_cast<uint16_t>(Limit(v + (sCurve[k] - v) * (p2 - 50) / 50, 0, kCurveMax));
  }
}

struct ChannelReferences {
  uint32_t r, g, b;
  uint32_t hi;
};

// The largest reference is brought down to awbGainLimit tenths of
// the smallest, and the middle one with it.
ChannelReferences LimitedReferences(const IspContext *context) {
  ChannelReferences c{AtLeastOne(context->awbRefR), AtLeastOne(context->awbRefG),
                      AtLeastOne(context->awbRefB), 0};
  uint32_t lo = c.r < c.g ? c.r : c.g;
  if (c.b < lo) lo = c.b;
  c.hi = c.r > c.g ? c.r : c.g;
  if (c.b > c.hi) c.hi = c.b;
  const uint32_t limit = context->awbGainLimit * lo / 10;
  if (c.hi <= limit) return c;
  if (c.r == c.hi) {
    if (c.g == lo) {
      c.b = limit * c.b / c.r;
    } else {
      c.g = limit * c.g / c.r;
    }
    c.r = limit;
  } else if (c.g == c.hi) {
    if (c.r == lo) {
      c.b = limit * c.b / c.g;
    } else {
      c.r = limit * c.r / c.g;
    }
    c.g = limit;
  } else {
    if (c.r == lo) {
      c.g = limit * c.g / c.b;
    } else {
      c.r = limit * c.r / c.b;
    }
    c.b = limit;
  }
  c.hi = limit;
  // A limit of 0 (awbGainLimit below 10 with a small reference) would leave
  // a channel reference of 0 to divide by below.
  c.r = AtLeastOne(c.r);
  c.g = AtLeastOne(c.g);
  c.b = AtLeastOne(c.b);
  return c;
}

// The percent a channel is lifted to reach the largest reference.
int32_t ExtraPercent(uint32_t hi, uint32_t reference) {
  return static_cast<int32_t>(hi * 100 / reference - 100);
}

// One channel's ramp: i * 32 with the channel's gain.
void BuildChannelRamp(ColourGroup group, uint32_t hi, uint32_t reference, int32_t *ramp) {
  const uint16_t *highlight = HighlightCurve();
  const int32_t extra = ExtraPercent(hi, reference);
  for (int32_t i = 0; i < 256; ++i) {
    const int32_t x = i * kRampStep;
    const int32_t lift = (highlight[i] - 256 * i) * extra / 200;
    const int32_t scaled = static_cast<int32_t>(static_cast<uint32_t>(x) * hi / reference);
    switch (group) {
      case ColourGroup::kOv96:
        ramp[i] = x + lift;
        break;
      case ColourGroup::kS5k:
        ramp[i] = (lift + x + 2 * scaled) * 3 / 9;
        break;
      default:
        ramp[i] = scaled;
        break;
    }
  }
}

// A ramp value (0..8160) through the tone curve, linear
// between entries, to an 8-bit output.
uint8_t MapThroughToneCurve(const uint16_t *toneCurve, int32_t ramp) {
  const int32_t x = Limit(ramp, 0, kRampMax);
  const int32_t j = x / kRampStep;
  const int32_t next = j < 255 ? j + 1 : 255;
  const int32_t below = kRampStep * (j + 1) - x;
  const int32_t above = x - kRampStep * j;
  const int32_t y = toneCurve[j] * below + toneCurve[next] * above;
  return static_cast<uint8_t>(y / 8192);
}

// One channel's output table: its ramp through the tone curve, plus the
// brightness.
void FillOutputTable(const uint16_t *toneCurve, const int32_t *ramp, int32_t brightness,
                     uint8_t *table) {
  for (int32_t i = 0; i < 256; ++i) {
    const int32_t value = MapThroughToneCurve(toneCurve, ramp[i]) + brightness;
    table[i] = static_cast<uint8_t>(Limit(value, 0, 255));
  }
}

}  // namespace

void LoadDefaultGamma(IspContext *context) {
  const DefaultGamma gamma = DefaultGammaFor(SensorOf(context));
  RtlZeroMemory(context->gammaPoints, sizeof(context->gammaPoints));
  context->gammaPointCount = gamma.pointCount;
  RtlCopyMemory(context->gammaPoints, gamma.points,
                static_cast<size_t>(gamma.pointCount) * sizeof(context->gammaPoints[0]));
  RtlCopyMemory(context->gammaCurve, gamma.curve, sizeof(context->gammaCurve));
}

void BuildToneTables(IspContext *context, uint32_t p1, uint32_t p2, uint32_t p7) {
  // The working arrays live one at a time (the scope below ends before the
  // ramp's begins, and each channel reuses the ramp): the kernel stack is
  // only 12 KiB.
  {
    int32_t strength[256];
    ApplyGammaStrength(context->gammaCurve, PictureValue(p7), strength);
    StretchOverBlackLevel(strength, context->blackLevel, context->toneCurve);
  }
  ApplyContrast(context->toneCurve, PictureValue(p2));

  const ChannelReferences refs = LimitedReferences(context);
  const int32_t brightness = PictureValue(p1) - 50;
  int32_t ramp[256];
  BuildChannelRamp(SensorOf(context).colour, refs.hi, refs.r, ramp);
  FillOutputTable(context->toneCurve, ramp, brightness, context->lutR);
  BuildChannelRamp(SensorOf(context).colour, refs.hi, refs.g, ramp);
  FillOutputTable(context->toneCurve, ramp, brightness, context->lutG);
  BuildChannelRamp(SensorOf(context).colour, refs.hi, refs.b, ramp);
  FillOutputTable(context->toneCurve, ramp, brightness, context->lutB);
}

}  // namespace sorvex0
