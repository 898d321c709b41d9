// MI1320: the sensor exposes by itself. Its light level and the lowering of
// the gamma strength follow the frame rate, which falls as the sensor
// lengthens its exposure.

#include "exposure/exposure_family.h"
#include "core/frame_timing.h"

namespace sorvex0 {

namespace {

// Frame rates (frames per second x 100) up to `maxRate` give `level` and the
// divisor q of P7 * 20 / q.
struct RateRow {
  uint32_t maxRate;
  uint8_t level;
  uint8_t divisor;
};
constexpr RateRow kRateRows[] = {
    {525, 40, 10},  {550, 40, 11},  {555, 45, 11},  {575, 45, 12},  {600, 45, 13},
    {625, 50, 14},  {650, 50, 15},  {675, 55, 16},  {700, 55, 17},  {725, 60, 18},
    {750, 60, 19},  {800, 65, 20},  {850, 70, 20},  {900, 75, 20},  {950, 80, 20},
    {1000, 85, 20}, {1050, 90, 20}, {1100, 95, 20},
};
constexpr RateRow kFastest = {0xFFFFFFFFu, 100, 20};

const RateRow &RowOfRate(uint32_t rate) {
  for (const RateRow &row : kRateRows) {
    if (rate <= row.maxRate) return row;
  }
  return kFastest;
}

uint32_t Mi1320LightLevel(const IspContext *context) {
  // Before two frame intervals are known (and for frames stamped within one
  // clock tick) the rate is 0: full light.
  const uint32_t rate = FrameRate(context);
  return rate == 0 ? 100 : RowOfRate(rate).level;
}

uint32_t Mi1320GammaStrength(const IspContext *context, uint32_t p7) {
  const uint32_t rate = FrameRate(context);
  return rate == 0 ? p7 : p7 * 20 / RowOfRate(rate).divisor;
}

// Its exposure code stands above the two-frame rule's bound.
uint32_t Mi1320ExposureCode(const IspContext *) { return 100; }

}  // namespace

// No table: the MI1320 has no start, no update and no exposure value.
const ExposureFamily kMi1320Exposure = {
    nullptr, nullptr, Mi1320LightLevel, Mi1320ExposureCode, Mi1320GammaStrength, nullptr,
};

}  // namespace sorvex0
