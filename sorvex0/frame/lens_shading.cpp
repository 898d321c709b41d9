#include "frame/lens_shading.h"

#include "core/bayer_layout.h"
#include "core/pool_buffer.h"
#include "core/sensor_table.h"

namespace sorvex0 {

namespace {

constexpr uint32_t kMaxRadialIndex = 127;
constexpr uint32_t kCentre = kRadialTableSize - 1;
constexpr uint32_t kWeakest = 7;

constexpr uint32_t IntegerSqrt(uint32_t value) {
  uint32_t root = 0;
  uint32_t bit = 1u << 30;
  while (bit > value) bit >>= 2;
  while (bit != 0) {
    if (value >= root + bit) {
      value -= root + bit;
      root = (root >> 1) + bit;
    } else {
      root >>= 1;
    }
    bit >>= 2;
  }
  return root;
}

// The radial index grows with the distance from the centre, scaled so the
// corner is 127: a gain that follows the index squared undoes the roughly
// quadratic fall-off of a small lens.
struct RadialTable {
  uint8_t index[kRadialTableSize][kRadialTableSize];
};

constexpr RadialTable MakeRadialTable() {
  RadialTable table{};
  for (uint32_t row = 0; row < kRadialTableSize; ++row) {
    for (uint32_t column = 0; column < kRadialTableSize; ++column) {
      const uint32_t dr = kCentre - row;
      const uint32_t dc = kCentre - column;
      const uint32_t scaled = kMaxRadialIndex * kMaxRadialIndex * (dr * dr + dc * dc) /
                              (2 * kCentre * kCentre);
      table.index[row][column] = static_cast<uint8_t>(IntegerSqrt(scaled));
    }
  }
  return table;
}

constexpr RadialTable kRadialTable = MakeRadialTable();

// Gains at the corner of the three curves (red, green, blue positions) per
// sensor: how much each lens darkens its corners, per colour.
struct CurveEnds {
  uint8_t end[3];
};

constexpr CurveEnds kS5k4aaEnds = {{72, 64, 68}};
constexpr CurveEnds kOv9650Ends = {{64, 64, 64}};
constexpr CurveEnds kMi1320Ends = {{40, 36, 38}};
constexpr CurveEnds kS5k3baEnds = {{56, 50, 52}};
constexpr CurveEnds kOv9655Ends = {{86, 75, 79}};
constexpr CurveEnds kMo4000Ends = {{60, 54, 58}};
constexpr CurveEnds kSharedEnds = {{48, 44, 46}};

// The seven curve sets, each three curves of 128 entries rising with the
// square of the radial index from 0 at the centre to the end value.
struct GainCurves {
  uint8_t gain[3][kGainCurveLength];
};

constexpr GainCurves MakeGainCurves(const CurveEnds &ends) {
  GainCurves curves{};
  constexpr uint32_t kSquare = kMaxRadialIndex * kMaxRadialIndex;
  for (uint32_t c = 0; c < 3; ++c) {
    for (uint32_t i = 0; i < kGainCurveLength; ++i) {
      curves.gain[c][i] = static_cast<uint8_t>((ends.end[c] * i * i + kSquare / 2) / kSquare);
    }
  }
  return curves;
}

constexpr GainCurves kS5k4aaCurves = MakeGainCurves(kS5k4aaEnds);
constexpr GainCurves kOv9650Curves = MakeGainCurves(kOv9650Ends);
constexpr GainCurves kMi1320Curves = MakeGainCurves(kMi1320Ends);
constexpr GainCurves kS5k3baCurves = MakeGainCurves(kS5k3baEnds);
constexpr GainCurves kOv9655Curves = MakeGainCurves(kOv9655Ends);
constexpr GainCurves kMo4000Curves = MakeGainCurves(kMo4000Ends);
constexpr GainCurves kSharedCurves = MakeGainCurves(kSharedEnds);

// In the order of LensCurves.
constexpr const GainCurves *kCurves[] = {
    &kSharedCurves, &kS5k4aaCurves, &kOv9650Curves, &kMi1320Curves,
    &kS5k3baCurves, &kOv9655Curves, &kMo4000Curves,
};
static_assert(sizeof(kCurves) / sizeof(kCurves[0]) == static_cast<uint32_t>(LensCurves::kCount),
              "a curve set for every LensCurves");

const GainCurves &CurvesFor(const SensorDescriptor &sensor) {
  return *kCurves[static_cast<uint32_t>(sensor.lensCurves)];
}

// Steps through the radial table for a frame width; 0 for widths without one.
struct TableStep {
  uint32_t step;
  uint32_t divisor;
};

TableStep TableStepForWidth(uint32_t width) {
  switch (width) {
    case 320:
      return {1, 1};
    case 640:
      return {1, 2};
    case 800:
      return {2, 5};
    case 1280:
      return {1, 4};
    case 1600:
      return {1, 5};
    default:
      return {0, 0};
  }
}

// A centre scoring 90 or less (darker than its edges) weakens the
// correction by one step at 85 and above, then one more below 85, 79 and
// 73, up to the sensor's number of steps.
uint32_t DarkCentreSteps(const SensorDescriptor &sensor, int32_t score) {
  const uint32_t steps = score >= 85 ? 1 : score >= 79 ? 2 : score >= 73 ? 3 : 4;
  return steps < sensor.lensDarkCentreSteps ? steps : sensor.lensDarkCentreSteps;
}

uint32_t Max(uint32_t a, uint32_t b) { return a > b ? a : b; }
uint32_t Min(uint32_t a, uint32_t b) { return a < b ? a : b; }

// The map buffer holds max(W, H)^2 bytes for the full frame W x H; a new
// frame size gets a new, cleared buffer.
bool EnsureLensShadingMap(IspContext *context, uint32_t width, uint32_t height) {
  if (context->ricMapA != nullptr && (context->ricMapAWidth != static_cast<int32_t>(width) ||
                                      context->ricMapAHeight != static_cast<int32_t>(height))) {
    FreePoolBuffer(context->ricMapA);
  }
  if (context->ricMapA != nullptr) return true;
  const size_t side = Max(width, height);
  context->ricMapA = AllocatePoolBuffer(side * side);
  if (context->ricMapA == nullptr) {
    context->ricMapAWidth = -1;
    context->ricMapAHeight = -1;
    return false;
  }
  RtlZeroMemory(context->ricMapA, side * side);
  context->ricMapAWidth = static_cast<int32_t>(width);
  context->ricMapAHeight = static_cast<int32_t>(height);
  return true;
}

// Curve 0 is red's, 1 green's and 2 blue's.
uint32_t CurveOfSample(uint32_t row, uint32_t column) { return BayerColourAt(column, row); }

void BuildSquare(uint8_t *square, uint32_t side, TableStep step,
                 const uint8_t (&scaled)[3][kGainCurveLength]) {
  for (uint32_t r = 0; r < side; ++r) {
    const uint32_t qr = r < side / 2 ? r : side - 1 - r;
    // A quadrant taller than the table reaches (portrait frames) stays on
    // the table's last row rather than reading past it.
    const uint32_t tableRow = Min(qr * step.step / step.divisor, kRadialTableSize - 1);
    uint8_t *line = square + static_cast<size_t>(r) * side;
    for (uint32_t j = 0; j < side; ++j) {
      const uint32_t qj = j < side / 2 ? j : side - 1 - j;
      const uint32_t tableColumn = Min(qj * step.step / step.divisor, kRadialTableSize - 1);
      line[j] = scaled[CurveOfSample(r, j)][kRadialTable.index[tableRow][tableColumn]];
    }
  }
}

// Keeps `lines` lines of the square starting at `first`, columns centred,
// packed to the start of the buffer as lines of `width` bytes.
void PackLines(uint8_t *buffer, uint32_t side, uint32_t first, uint32_t lines, uint32_t width) {
  const uint32_t firstColumn = (side - width) / 2;
  for (uint32_t y = 0; y < lines; ++y) {
    RtlMoveMemory(buffer + static_cast<size_t>(y) * width,
                  buffer + static_cast<size_t>(first + y) * side + firstColumn, width);
  }
}

// The 640 x 960 frame is built at 640 x 480 and doubled: lines k and k + 1
// take line k / 2, bottom up so every source line is still intact.
void DoubleMapLines(uint8_t *map, uint32_t width) {
  for (uint32_t k = 958; k >= 2; k -= 2) {
    const uint8_t *source = map + static_cast<size_t>(k / 2) * width;
    RtlCopyMemory(map + static_cast<size_t>(k) * width, source, width);
    RtlCopyMemory(map + static_cast<size_t>(k + 1) * width, source, width);
  }
}

}  // namespace

uint8_t RadialIndex(uint32_t row, uint32_t column) {
  if (row >= kRadialTableSize || column >= kRadialTableSize) return 0;
  return kRadialTable.index[row][column];
}

uint8_t LensGain(const SensorDescriptor &sensor, uint32_t curve, uint32_t radialIndex) {
  if (curve > 2 || radialIndex >= kGainCurveLength) return 0;
  return CurvesFor(sensor).gain[curve][radialIndex];
}

bool LensShadingLevel(const IspContext *context, uint8_t *level) {
  const uint32_t target = context->aeTarget;
  const uint32_t brightness = context->measuredBrightness;
  *level = context->noiseLevel;
  if (brightness < target / 2) return false;

  const uint32_t half = target / 2;
  uint32_t strength = 0;
  // A target below 2 has no range to scale over (and would divide by 0):
  // full correction. The unsigned difference can exceed 7 for small odd
  // targets, which must not wrap the level to 249; it is kept at 0..7.
  if (half != 0) {
    const uint32_t brightnessScaled = Min(target, brightness * 9 / 7);
    const uint32_t fall = (brightnessScaled - half) * 7 / half;
    strength = fall >= kWeakest ? 0 : kWeakest - fall;
  }

  const int32_t score = context->centreScore;
  if (score <= 90) {
    strength = Min(strength + DarkCentreSteps(SensorOf(context), score), kWeakest);
  }
  *level = static_cast<uint8_t>(Max(strength, context->noiseLevel));
  return true;
}

bool BuildLensShadingMap(IspContext *context, uint8_t level, uint32_t sourceWidth,
                         uint32_t sourceHeight, uint32_t frameWidth, uint32_t frameHeight) {
  const uint32_t weakening = kWeakest - Min(level, kWeakest);
  uint8_t scaled[3][kGainCurveLength];
  const GainCurves &curves = CurvesFor(SensorOf(context));
  for (uint32_t c = 0; c < 3; ++c) {
    for (uint32_t i = 0; i < kGainCurveLength; ++i) {
      scaled[c][i] = static_cast<uint8_t>(curves.gain[c][i] * weakening / kWeakest);
    }
  }
  if (!EnsureLensShadingMap(context, frameWidth, frameHeight)) return false;
  const TableStep step = TableStepForWidth(frameWidth);
  if (step.step == 0) return true;  // no map for this width; the buffer keeps its contents

  const bool doubled = frameWidth == 640 && frameHeight == 960;
  const uint32_t buildHeight = doubled ? 480 : frameHeight;
  const uint32_t side = Max(frameWidth, buildHeight);
  BuildSquare(context->ricMapA, side, step, scaled);

  // The window of the frame's height, moved up by the sensor's shift; kept
  // inside the square.
  const uint32_t shift = buildHeight * SensorOf(context).lensVerticalShift / 240;
  const uint32_t centred = (side - buildHeight) / 2;
  const uint32_t first = centred > shift ? centred - shift : 0;
  PackLines(context->ricMapA, side, first, buildHeight, frameWidth);
  uint32_t mapHeight = buildHeight;
  if (doubled) {
    DoubleMapLines(context->ricMapA, frameWidth);
    mapHeight = 960;
  }

  if (sourceWidth != frameWidth || sourceHeight != mapHeight) {
    const uint32_t firstLine = (mapHeight - sourceHeight) / 2;
    const uint32_t firstColumn = (frameWidth - sourceWidth) / 2;
    for (uint32_t y = 0; y < sourceHeight; ++y) {
      RtlMoveMemory(context->ricMapA + static_cast<size_t>(y) * sourceWidth,
                    context->ricMapA + static_cast<size_t>(firstLine + y) * frameWidth + firstColumn,
                    sourceWidth);
    }
  }
  return true;
}

void ApplyLensShading(IspContext *context, uint8_t *raw, uint32_t sourceWidth,
                      uint32_t sourceHeight, uint32_t frameWidth, uint32_t frameHeight) {
  uint8_t level = 0;
  uint32_t enable = LensShadingLevel(context, &level) ? context->ric : 0;
  // A source larger than its frame cannot be covered by the frame's map.
  const bool covered = sourceWidth <= frameWidth && sourceHeight <= frameHeight && sourceWidth > 0 &&
                       sourceHeight > 0;
  if (!covered) enable = 0;
  if (enable != 0) {
    const bool stale = static_cast<int32_t>(sourceWidth) != context->ricLastWidth ||
                       static_cast<int32_t>(sourceHeight) != context->ricLastHeight ||
                       level != context->ricLastLevel;
    // A map buffer made for another frame size was cleared: build again.
    const bool newFrame = context->ricMapAWidth != static_cast<int32_t>(frameWidth) ||
                          context->ricMapAHeight != static_cast<int32_t>(frameHeight);
    if (stale || newFrame) {
      if (BuildLensShadingMap(context, level, sourceWidth, sourceHeight, frameWidth, frameHeight)) {
        context->ricLastWidth = static_cast<int32_t>(sourceWidth);
        context->ricLastHeight = static_cast<int32_t>(sourceHeight);
        context->ricLastLevel = level;
      } else {
        enable = 0;
      }
    }
  }
  ConversionOps *ops = context->conversionOps;
  ops->applyShading(ops->userData, raw, static_cast<int32_t>(sourceWidth),
                    static_cast<int32_t>(sourceHeight), enable, context->ricMapA, 0, context->lutR,
                    context->lutG, context->lutB);
}

}  // namespace sorvex0
