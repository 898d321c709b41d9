// Compile-time generation of the 256-entry u16 curves (gamma, contrast
// S-curve, highlight curve) from a few knots: a monotone cubic through every
// knot, so each knot value is reproduced exactly and the curve between them is
// smooth and never turns back. Integer arithmetic only; the curves are
// constexpr data, so nothing of this runs in the driver.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace sorvex0 {

struct CurveKnot {
  uint8_t input;   // curve index 0..255
  uint16_t value;  // output 0..65535
};

struct Curve256 {
  uint16_t value[256];
};

namespace monotone_curve {

// Slopes are carried in 1/256 of an output unit per input step.
constexpr int64_t kSlopeScale = 256;

// Slope at an inner knot from the secants on either side (weighted harmonic
// mean; 0 at a flat secant or a turn). It never exceeds three times either
// secant, which keeps the cubic on each side monotone.
constexpr int64_t InnerSlope(int64_t h0, int64_t dy0, int64_t h1, int64_t dy1) {
  if (dy0 == 0 || dy1 == 0 || (dy0 < 0) != (dy1 < 0)) return 0;
  const int64_t numerator = kSlopeScale * 3 * (h0 + h1) * dy0 * dy1;
  const int64_t denominator = (2 * h1 + h0) * h0 * dy1 + (h1 + 2 * h0) * h1 * dy0;
  return numerator / denominator;
}

// Cubic Hermite value at s steps into an interval of h steps, rounded to
// the nearest integer and kept between the interval's end values.
constexpr uint16_t HermiteValue(int64_t s, int64_t h, int64_t y0, int64_t y1, int64_t m0,
                                int64_t m1) {
  const int64_t s2 = s * s;
  const int64_t s3 = s2 * s;
  const int64_t h2 = h * h;
  const int64_t h3 = h2 * h;
  const int64_t a00 = 2 * s3 - 3 * s2 * h + h3;
  const int64_t a01 = -2 * s3 + 3 * s2 * h;
  const int64_t a10 = s3 - 2 * s2 * h + s * h2;
  const int64_t a11 = s3 - s2 * h;
  const int64_t scaled = kSlopeScale * (y0 * a00 + y1 * a01) + h * (m0 * a10 + m1 * a11);
  const int64_t divisor = kSlopeScale * h3;
  int64_t y = scaled >= 0 ? (scaled + divisor / 2) / divisor : -((-scaled + divisor / 2) / divisor);
  const int64_t low = y0 < y1 ? y0 : y1;
  const int64_t high = y0 < y1 ? y1 : y0;
  if (y < low) y = low;
  if (y > high) y = high;
  return static_cast<uint16_t>(y);
}

}  // namespace monotone_curve

// The knots must start at input 0, end at 255 and rise strictly in input.
template <size_t N>
constexpr Curve256 MonotoneCurveThrough(const CurveKnot (&knots)[N]) {
  static_assert(N >= 2, "a curve needs two knots");
  int64_t slope[N] = {};
  for (size_t k = 0; k < N; ++k) {
    if (k == 0 || k == N - 1) {
      // End slopes follow the end secants.
      const size_t a = k == 0 ? 0 : N - 2;
      const int64_t h = knots[a + 1].input - knots[a].input;
      const int64_t dy = int64_t{knots[a + 1].value} - knots[a].value;
      slope[k] = monotone_curve::kSlopeScale * dy / h;
    } else {
      slope[k] = monotone_curve::InnerSlope(
          knots[k].input - knots[k - 1].input, int64_t{knots[k].value} - knots[k - 1].value,
          knots[k + 1].input - knots[k].input, int64_t{knots[k + 1].value} - knots[k].value);
    }
  }
  Curve256 curve{};
  for (size_t k = 0; k + 1 < N; ++k) {
    const int64_t h = knots[k + 1].input - knots[k].input;
    for (int64_t s = 0; s < h; ++s) {
      curve.value[knots[k].input + s] = monotone_curve::HermiteValue(
          s, h, knots[k].value, knots[k + 1].value, slope[k], slope[k + 1]);
    }
  }
  curve.value[knots[N - 1].input] = knots[N - 1].value;
  return curve;
}

}  // namespace sorvex0
