#include "exposure/white_balance.h"

#include "exposure/light_level.h"
#include "exposure/white_candidate_weights.h"

namespace sorvex0 {

namespace {

constexpr uint32_t kWindows = 64;
constexpr uint32_t kRatioOne = 10000;
constexpr uint32_t kRatioMin = 5000;
constexpr uint32_t kRatioMax = 16000;
// Weight sums at and above this trust the weighted estimate alone; below
// kFallbackOnly only the fallback point counts.
constexpr int32_t kTrustedWeight = 1920;
constexpr int32_t kFallbackOnly = 640;
constexpr uint32_t kFreeRuns = 20;
constexpr uint32_t kAutomaticGreenRef = 40000;
constexpr uint32_t kAutomaticGainLimit = 30;
constexpr uint32_t kPresetGainLimit = 40;

uint32_t AtLeastOne(uint32_t value) { return value == 0 ? 1 : value; }

uint32_t LimitRatio(uint32_t ratio) {
  if (ratio < kRatioMin) return kRatioMin;
  if (ratio > kRatioMax) return kRatioMax;
  return ratio;
}

// sum * 100 / count without the 32-bit overflow of the product: the sums of
// a saturated frame can exceed 2^32 / 100.
uint32_t MeanTimes100(uint32_t sum, uint32_t count) {
  return sum / count * 100 + sum % count * 100 / count;
}

int32_t Limit(int32_t value, int32_t low, int32_t high) {
  if (value < low) return low;
  if (value > high) return high;
  return value;
}

// A preset byte (percent, 100 neutral) as a channel reference: 100 gives
// 20000, smaller bytes larger references.
uint32_t PresetReference(uint32_t percent) {
  const uint32_t scaled = percent <= 100 ? (200 - percent) * 2 : 300 - percent;
  return scaled * 100;
}

void ApplyPreset(IspContext *context) {
  const uint32_t preset = context->awbPreset[context->awbType - 1];
  context->awbRefR = PresetReference((preset >> 16) & 0xFF);
  context->awbRefG = PresetReference((preset >> 8) & 0xFF);
  context->awbRefB = PresetReference(preset & 0xFF);
  context->awbGainLimit = kPresetGainLimit;
}

// Keeps a ratio within the step the light allows from the previous one.
uint32_t DampRatio(uint32_t ratio, uint32_t previous, uint32_t lightLevel) {
  const uint32_t up = lightLevel >= 50 ? 10600 : 10100;
  const uint32_t down = lightLevel >= 50 ? 9400 : 9900;
  const uint32_t high = previous * up / kRatioOne;
  const uint32_t low = previous * down / kRatioOne;
  if (ratio > high) ratio = high;
  if (ratio < low) ratio = low;
  return ratio;
}

void ApplyAutomatic(IspContext *context, const WhiteBalanceRatios &ratios, uint32_t lightLevel) {
  context->awbRefR = AtLeastOne(4 * ratios.redToGreen);
  context->awbRefG = kAutomaticGreenRef;
  context->awbRefB = AtLeastOne(4 * ratios.blueToGreen);
  context->awbGainLimit = kAutomaticGainLimit;
  uint32_t red = context->awbRefR * kRatioOne / kAutomaticGreenRef;
  uint32_t blue = context->awbRefB * kRatioOne / kAutomaticGreenRef;
  // The first runs after an exposure start follow the estimate freely.
  if (context->awbRunCount >= kFreeRuns) {
    red = DampRatio(red, context->awbPrevRatioR, lightLevel);
    blue = DampRatio(blue, context->awbPrevRatioB, lightLevel);
    context->awbRefR = kAutomaticGreenRef * red / kRatioOne;
    context->awbRefB = kAutomaticGreenRef * blue / kRatioOne;
  }
  context->awbRunCount += 1;
  context->awbPrevRatioR = red;
  context->awbPrevRatioB = blue;
}

}  // namespace

bool WhiteBalanceUsesPreset(const IspContext *context) {
  return context->awbType >= 1 && context->awbType <= 9;
}

uint32_t WeightedWhiteEstimate(const IspContext *context, WhiteBalanceRatios *ratios) {
  const uint32_t darkBound = context->aeTarget * 100;
  uint32_t weightedRed = 0;
  uint32_t weightedBlue = 0;
  uint32_t plainRed = 0;
  uint32_t plainBlue = 0;
  uint32_t weightSum = 0;
  uint32_t counted = 0;
  for (uint32_t w = 0; w < kWindows; ++w) {
    const uint32_t r = AtLeastOne(context->windowStats[w][0]);
    const uint32_t g = AtLeastOne(context->windowStats[w][1]);
    const uint32_t b = AtLeastOne(context->windowStats[w][2]);
    const uint32_t s = b + 3 * r + 6 * g;
    if (s <= darkBound || s >= 60000) continue;
    const uint32_t rg = r * 100 / g;
    const uint32_t bg = b * 100 / g;
    const uint32_t weight = WhiteCandidateWeight(SensorOf(context), rg, bg);
    weightedBlue += weight * bg;
    weightedRed += weight * rg;
    plainBlue += bg;
    plainRed += rg;
    weightSum += weight;
    ++counted;
  }
  if (counted == 0) {
    ratios->redToGreen = kRatioOne;
    ratios->blueToGreen = kRatioOne;
    return 0;
  }
  if (weightSum > 0) {
    ratios->redToGreen = MeanTimes100(weightedRed, weightSum);
    ratios->blueToGreen = MeanTimes100(weightedBlue, weightSum);
  } else {
    ratios->redToGreen = MeanTimes100(plainRed, counted);
    ratios->blueToGreen = MeanTimes100(plainBlue, counted);
  }
  ratios->redToGreen = LimitRatio(ratios->redToGreen);
  ratios->blueToGreen = LimitRatio(ratios->blueToGreen);
  return weightSum;
}

WhiteBalanceRatios FinalWhiteEstimate(const SensorDescriptor &sensor, const WhiteBalanceRatios &weighted,
                                      uint32_t weightSum) {
  if (weightSum >= static_cast<uint32_t>(kTrustedWeight)) return weighted;
  const int32_t rw = static_cast<int32_t>(weighted.redToGreen);
  const int32_t bw = static_cast<int32_t>(weighted.blueToGreen);
  const int32_t w = static_cast<int32_t>(weightSum);
  const bool mo4000 = sensor.colour == ColourGroup::kMo4000;
  int32_t rf = mo4000 ? 10500 : 6300;
  int32_t bf = mo4000 ? 6500 : 6300;
  // A reddish estimate pulls the fallback point along the line toward it,
  // the further the bluer the estimate is than the fallback.
  if (rw > rf) {
    const int32_t diff = rw - rf;
    const int32_t d = diff > 2000 ? diff : 2000;
    int32_t e = ((d - 2000) * rw + rf * 2000) / d;
    if (e > 10000) {
      e = 10000 + (3 * e - 30000) / 4;
      if (e > 12500) e = 12500;
    }
    // The compression above can take e below a fallback point beyond 10000
    // (MO4000); l would then leave the segment between the two points and
    // the division by a small diff would throw B/G far out, even negative.
    if (e < rf) e = rf;
    const int32_t gb = Limit(bf - bw + 1000, 0, 2000);
    const int32_t hb = Limit(bw - bf + 1000, 0, 2000);
    const int32_t l = (hb * rf + gb * e) / 2000;
    bf = ((l - rf) * bf + (rw - l) * bw) / diff;
    rf = l;
  }
  if (w < kFallbackOnly) {
    return WhiteBalanceRatios{static_cast<uint32_t>(rf), static_cast<uint32_t>(bf)};
  }
  const int32_t span = kTrustedWeight - kFallbackOnly;
  const int32_t red = ((kTrustedWeight - w) * rf + (w - kFallbackOnly) * rw) / span;
  const int32_t blue = ((kTrustedWeight - w) * bf + (w - kFallbackOnly) * bw) / span;
  return WhiteBalanceRatios{static_cast<uint32_t>(red), static_cast<uint32_t>(blue)};
}

bool EstimateWhiteBalance(IspContext *context, WhiteBalanceRatios *ratios) {
  if (WhiteBalanceUsesPreset(context)) return false;
  WhiteBalanceRatios weighted{kRatioOne, kRatioOne};
  const uint32_t weightSum = WeightedWhiteEstimate(context, &weighted);
  *ratios = FinalWhiteEstimate(SensorOf(context), weighted, weightSum);
  return true;
}

void UpdateWhiteBalanceReferencesAt(IspContext *context, const WhiteBalanceRatios &ratios,
                                    uint32_t lightLevel) {
  // Presets leave the damping state alone, so automatic continues where it
  // stopped.
  if (WhiteBalanceUsesPreset(context)) {
    ApplyPreset(context);
  } else {
    ApplyAutomatic(context, ratios, lightLevel);
  }
}

void UpdateWhiteBalanceReferences(IspContext *context, const WhiteBalanceRatios &ratios) {
  UpdateWhiteBalanceReferencesAt(context, ratios, CurrentLightLevel(context));
}

void ResetWhiteBalance(IspContext *context) {
  context->awbRunCount = 0;
  context->awbPrevRatioR = kRatioOne;
  context->awbPrevRatioB = kRatioOne;
}

}  // namespace sorvex0
