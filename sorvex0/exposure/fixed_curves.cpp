#include "exposure/fixed_curves.h"

#include "exposure/monotone_curve.h"
#include "core/isp_context.h"

namespace sorvex0 {

namespace {

constexpr CurveKnot kSCurveKnots[] = {
    {0, 0},       {1, 59},      {2, 120},     {4, 253},     {60, 9017},   {64, 10016},
    {124, 31248}, {128, 32768}, {131, 33904}, {250, 64961}, {254, 65222}, {255, 65280},
};
constexpr CurveKnot kHighlightKnots[] = {
    {0, 0},       {1, 325},     {2, 650},     {3, 974},
    {120, 34304}, {125, 35572}, {250, 64253}, {255, 65280},
};

constexpr Curve256 kSCurve = MonotoneCurveThrough(kSCurveKnots);
constexpr Curve256 kHighlightCurve = MonotoneCurveThrough(kHighlightKnots);

// Each default gamma curve runs through its values at the inputs 0, 1, 16,
// 32, 64, 128, 192 and 255.
using GammaKnots = CurveKnot[8];

constexpr GammaKnots kGammaOthersKnots = {
    {0, 0}, {1, 0}, {16, 2501}, {32, 16031}, {64, 36132}, {128, 56520}, {192, 63471}, {255, 65280},
};
constexpr GammaKnots kGammaS5kKnots = {
    {0, 0},      {1, 621},     {16, 10775},  {32, 20951},
    {64, 34956}, {128, 52135}, {192, 61540}, {255, 65280},
};
constexpr GammaKnots kGammaOv9650Knots = {
    {0, 0},      {1, 434},     {16, 7120},   {32, 14900},
    {64, 27925}, {128, 42653}, {192, 54219}, {255, 65280},
};
constexpr GammaKnots kGammaOv9655Knots = {
    {0, 0},      {1, 792},     {16, 11714},  {32, 21320},
    {64, 34773}, {128, 50508}, {192, 60070}, {255, 65280},
};
constexpr GammaKnots kGammaMo4000Knots = {
    {0, 0},      {1, 860},     {16, 12731},  {32, 22978},
    {64, 38397}, {128, 55913}, {192, 63097}, {255, 65280},
};
constexpr GammaKnots kGammaMi1320Knots = {
    {0, 0},      {1, 39},      {16, 4096},   {32, 15616},
    {64, 32647}, {128, 52202}, {192, 61546}, {255, 65280},
};

constexpr Curve256 kGammaOthers = MonotoneCurveThrough(kGammaOthersKnots);
constexpr Curve256 kGammaS5k = MonotoneCurveThrough(kGammaS5kKnots);
constexpr Curve256 kGammaOv9650 = MonotoneCurveThrough(kGammaOv9650Knots);
constexpr Curve256 kGammaOv9655 = MonotoneCurveThrough(kGammaOv9655Knots);
constexpr Curve256 kGammaMo4000 = MonotoneCurveThrough(kGammaMo4000Knots);
constexpr Curve256 kGammaMi1320 = MonotoneCurveThrough(kGammaMi1320Knots);

// Control points are knots of the curve. Groups with eight points keep all
// knots; with seven the toe knot at input 1 is left out, with six also the
// knot at input 192.
struct GammaPoints {
  int32_t point[8];
  int32_t count;
};

constexpr int32_t PackGammaPoint(const CurveKnot &knot) {
  return static_cast<int32_t>((static_cast<uint32_t>(knot.value >> 8) << 16) | knot.input);
}

constexpr GammaPoints PointsFromKnots(const GammaKnots &knots, int32_t count) {
  GammaPoints points{};
  for (const CurveKnot &knot : knots) {
    const bool toe = knot.input == 1;
    const bool shoulder = knot.input == 192;
    if ((toe && count < 8) || (shoulder && count < 7)) continue;
    points.point[points.count++] = PackGammaPoint(knot);
  }
  return points;
}

constexpr GammaPoints kPointsOthers = PointsFromKnots(kGammaOthersKnots, 8);
constexpr GammaPoints kPointsS5k = PointsFromKnots(kGammaS5kKnots, 8);
constexpr GammaPoints kPointsOv9650 = PointsFromKnots(kGammaOv9650Knots, 7);
constexpr GammaPoints kPointsOv9655 = PointsFromKnots(kGammaOv9655Knots, 6);
constexpr GammaPoints kPointsMo4000 = PointsFromKnots(kGammaMo4000Knots, 7);
constexpr GammaPoints kPointsMi1320 = PointsFromKnots(kGammaMi1320Knots, 7);

DefaultGamma Gamma(const Curve256 &curve, const GammaPoints &points) {
  return DefaultGamma{curve.value, points.point, points.count};
}

}  // namespace

const uint16_t *ContrastSCurve() { return kSCurve.value; }

const uint16_t *HighlightCurve() { return kHighlightCurve.value; }

DefaultGamma DefaultGammaFor(const SensorDescriptor &sensor) {
  switch (sensor.gamma) {
    case GammaSet::kS5k:
      return Gamma(kGammaS5k, kPointsS5k);
    case GammaSet::kOv9650:
      return Gamma(kGammaOv9650, kPointsOv9650);
    case GammaSet::kOv9655:
      return Gamma(kGammaOv9655, kPointsOv9655);
    case GammaSet::kMo4000:
      return Gamma(kGammaMo4000, kPointsMo4000);
    case GammaSet::kMi1320:
      return Gamma(kGammaMi1320, kPointsMi1320);
    default:
      return Gamma(kGammaOthers, kPointsOthers);
  }
}

}  // namespace sorvex0
