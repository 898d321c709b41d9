#include "exposure/frame_statistics.h"

#include "core/bayer_layout.h"
#include "core/sensor_table.h"

namespace sorvex0 {

namespace {

constexpr uint32_t kGrid = 8;
constexpr uint32_t kWindows = kGrid * kGrid;
constexpr uint32_t kCentreWeight = 64;
constexpr uint32_t kExcludedEachWay = 8;

// Centre-weighted window weights, row-major.
constexpr uint32_t kWindowWeights[kWindows] = {
    8,  8,  8,  16, 16, 8,  8,  8,   //
    8,  8,  16, 24, 24, 16, 8,  8,   //
    8,  16, 24, 32, 32, 24, 16, 8,   //
    16, 24, 32, 64, 64, 32, 24, 16,  //
    16, 24, 32, 64, 64, 32, 24, 16,  //
    8,  16, 24, 32, 32, 24, 16, 8,   //
    8,  8,  16, 24, 24, 16, 8,  8,   //
    8,  8,  8,  16, 16, 8,  8,  8,   //
};

// Penalties of dark border windows in the centre score.
struct DarkPenalty {
  uint8_t window;
  uint8_t points;
};
constexpr DarkPenalty kDarkPenalties[] = {
    {0, 8},  {7, 8},  {56, 8}, {63, 8},                                            //
    {1, 4},  {6, 4},  {8, 4},  {15, 4}, {48, 4}, {55, 4}, {57, 4}, {62, 4},        //
    {2, 2},  {3, 2},  {4, 2},  {5, 2},  {16, 2}, {23, 2}, {24, 2}, {31, 2},        //
    {32, 2}, {39, 2}, {40, 2}, {47, 2}, {58, 2}, {59, 2}, {60, 2}, {61, 2},
};

uint32_t WindowR(const IspContext *c, uint32_t w) { return c->windowStats[w][0]; }
uint32_t WindowG(const IspContext *c, uint32_t w) { return c->windowStats[w][1]; }
uint32_t WindowB(const IspContext *c, uint32_t w) { return c->windowStats[w][2]; }

uint32_t WindowLuma(const IspContext *c, uint32_t w) {
  return (299 * WindowR(c, w) + 587 * WindowG(c, w) + 114 * WindowB(c, w)) / 1000;
}

uint32_t BlackLevelCap(const IspContext *context) { return SensorOf(context).blackLevelCap; }

// Walks the green histogram until 3 % of the samples are covered.
int32_t BlackLevelFromHistogram(const uint32_t *histogram, uint32_t total, uint32_t cap) {
  const uint32_t bound = total * 30 / 1000;
  uint32_t sum = 0;
  uint32_t bins = 0;
  while (bins < 256 && sum < bound) sum += histogram[bins++];
  uint32_t level = bins > 0 ? bins - 1 : 0;
  if (level > cap) level = cap;
  return static_cast<int32_t>(level);
}

// Picks, among windows not yet excluded and not in the centre, the darkest
// (or the brightest); strict comparisons let the first window win a tie,
// and a window of luma 0 is never the brightest.
void ExcludeExtremes(const uint32_t *luma, bool *excluded, bool brightest) {
  for (uint32_t round = 0; round < kExcludedEachWay; ++round) {
    bool found = false;
    uint32_t pick = 0;
    uint32_t best = brightest ? 0 : 0xFFFFFFFFu;
    for (uint32_t w = 0; w < kWindows; ++w) {
      if (excluded[w] || kWindowWeights[w] >= kCentreWeight) continue;
      const bool better = brightest ? luma[w] > best : (!found || luma[w] < best);
      if (better) {
        best = luma[w];
        pick = w;
        found = true;
      }
    }
    if (found) excluded[pick] = true;
  }
}

int32_t CentreScore(const IspContext *context, const uint32_t *luma, uint32_t brightness) {
  int32_t score = 0;
  auto y = [luma](uint32_t row, uint32_t col) { return luma[row * kGrid + col]; };
  for (uint32_t i = 0; i < kGrid; ++i) {
    // Down each column, then along each row: rising toward the middle.
    score += y(0, i) < y(1, i);
    score += y(1, i) < y(2, i);
    score += y(2, i) < y(3, i);
    score += y(5, i) < y(4, i);
    score += y(6, i) < y(5, i);
    score += y(7, i) < y(6, i);
    score += y(i, 0) < y(i, 1);
    score += y(i, 1) < y(i, 2);
    score += y(i, 2) < y(i, 3);
    score += y(i, 5) < y(i, 4);
    score += y(i, 6) < y(i, 5);
    score += y(i, 7) < y(i, 6);
  }
  const uint32_t half = brightness / 2;
  for (const DarkPenalty &penalty : kDarkPenalties) {
    const uint32_t w = penalty.window;
    const uint32_t level = (587 * WindowG(context, w) + 299 * WindowR(context, w) +
                            114 * WindowB(context, w)) / 25000;
    if (level < half) score -= penalty.points;
  }
  return score;
}

void LimitBlackLevelByScore(IspContext *context) {
  const int32_t score = context->centreScore;
  int32_t limit = context->blackLevel;
  if (score >= 91) {
    limit = 0;
  } else if (score >= 85) {
    limit = 6;
  } else if (score >= 79) {
    limit = 12;
  }
  if (context->blackLevel > limit) context->blackLevel = limit;
}

}  // namespace

bool MeasureWindows(IspContext *context, const uint8_t *raw, uint32_t width, uint32_t height) {
  const uint32_t w32 = width & ~31u;
  const uint32_t h32 = height & ~31u;
  const uint32_t divisor = w32 * h32 / 6400;
  if (divisor == 0) return false;
  const uint32_t windowWidth = w32 / kGrid;
  const uint32_t windowHeight = h32 / kGrid;

  uint32_t histogram[256];
  for (uint32_t &bin : histogram) bin = 0;
  uint32_t total = 0;
  for (uint32_t wy = 0; wy < kGrid; ++wy) {
    for (uint32_t wx = 0; wx < kGrid; ++wx) {
      uint32_t sumR = 0;
      uint32_t sumG = 0;
      uint32_t sumB = 0;
      for (uint32_t dy = 0; dy < windowHeight; dy += 4) {
        const uint8_t *top = raw + (wy * windowHeight + dy) * width + wx * windowWidth;
        const uint8_t *bottom = top + width;
        for (uint32_t dx = 0; dx < windowWidth; dx += 4) {
          const uint8_t g1 = top[dx + kCellFirstGreenColumn];
          const uint8_t b = top[dx + kCellBlueColumn];
          const uint8_t r = bottom[dx + kCellRedColumn];
          const uint8_t g2 = bottom[dx + kCellSecondGreenColumn];
          sumG += g1;
          sumB += b;
          sumR += r;
          ++histogram[g1];
          ++histogram[g2];
          total += 2;
        }
      }
      uint32_t *stats = context->windowStats[wy * kGrid + wx];
      stats[0] = sumR * 4 / divisor;
      stats[1] = sumG * 4 / divisor;
      stats[2] = sumB * 4 / divisor;
      for (uint32_t c = 0; c < 3; ++c) {
        if (stats[c] == 0) stats[c] = 1;
      }
    }
  }
  context->blackLevel = BlackLevelFromHistogram(histogram, total, BlackLevelCap(context));
  return true;
}

uint32_t MeasureBrightness(IspContext *context) {
  uint32_t luma[kWindows];
  bool excluded[kWindows];
  for (uint32_t w = 0; w < kWindows; ++w) {
    luma[w] = WindowLuma(context, w);
    excluded[w] = false;
  }
  ExcludeExtremes(luma, excluded, false);
  ExcludeExtremes(luma, excluded, true);

  uint32_t sumG = 0;
  uint32_t sumR = 0;
  uint32_t sumB = 0;
  uint32_t n = 0;
  for (uint32_t w = 0; w < kWindows; ++w) {
    if (excluded[w]) continue;
    const uint32_t weight = kWindowWeights[w];
    const uint32_t g = WindowG(context, w);
    sumG += weight * g;
    sumR += weight * WindowR(context, w) * 1000 / g;
    sumB += weight * WindowB(context, w) * 1000 / g;
    n += weight;
  }
  // Exactly this order of operations, in 32-bit unsigned arithmetic.
  const uint32_t g = sumG / (n * 25);
  uint32_t brightness = (g * sumR / (n * 1000) * 299 + sumB * g / (n * 1000) * 114 + g * 587) / 1000;
  if (brightness == 0) brightness = 1;
  context->measuredBrightness = brightness;

  context->centreScore = CentreScore(context, luma, brightness);
  LimitBlackLevelByScore(context);
  return brightness;
}

uint32_t MeasureFrame(IspContext *context, const uint8_t *raw, uint32_t width, uint32_t height) {
  if (!MeasureWindows(context, raw, width, height)) return context->measuredBrightness;
  return MeasureBrightness(context);
}

}  // namespace sorvex0
