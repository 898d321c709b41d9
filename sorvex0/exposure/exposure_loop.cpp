// The exposure step and its start.

#include "exposure/exposure_loop.h"

#include "core/sensor_table.h"
#include "exposure/exposure_family.h"
#include "exposure/frame_hold.h"
#include "exposure/exposure_update.h"
#include "exposure/frame_statistics.h"
#include "exposure/light_level.h"
#include "exposure/tone_curve.h"
#include "exposure/white_balance.h"

namespace sorvex0 {

namespace {

constexpr int64_t kRunInterval = 2500000;            // 0.25 s
constexpr int64_t kFullSpeedInterval = 10000000;  // 1 s
constexpr uint32_t kLongExposureCode = 80;
constexpr uint32_t kNeutralRatio = 10000;

int64_t RunInterval(const IspContext *context) {
  return SensorOf(context).slowRunAtFullSpeed && context->highSpeed == 0 ? kFullSpeedInterval
                                                                         : kRunInterval;
}

// Whether this frame runs the loop. The run clock, the two-frame rule for
// short exposures, a held frame and the blank and restart frames hold it
// back.
bool RunIsDue(const IspContext *context, int64_t now, int32_t held) {
  // A time before the last run means the system clock was set back: the run
  // is due at once rather than when the clock has caught up again, which
  // could be hours with the picture's exposure frozen.
  // The time since the last run as an unsigned difference: it cannot
  // overflow once now is not before the last run, even at the clock's end.
  if (now >= context->lastAeTime &&
      static_cast<uint64_t>(now) - static_cast<uint64_t>(context->lastAeTime) <
          static_cast<uint64_t>(RunInterval(context))) {
    return false;
  }
  if (context->framesSinceAe < 2 && FamilyExposureCode(context) < kLongExposureCode) return false;
  if (held != 0) return false;
  return context->blankFrameCount == 0 && context->restartCountdown == 0;
}

// Measures the frame and estimates the white balance, unless both exposure
// and white balance are fixed.
WhiteBalanceRatios MeasureForRun(IspContext *context, const RawFrame &frame) {
  WhiteBalanceRatios ratios = {kNeutralRatio, kNeutralRatio};
  if (context->aeType != 0 && context->awbType != 0) {
    context->blackLevel = 0;
    return ratios;
  }
  MeasureFrame(context, frame.raw, frame.width, frame.height);
  EstimateWhiteBalance(context, &ratios);
  return ratios;
}

}  // namespace

uint32_t LowLightSaturation(const IspContext *context, uint32_t p3, uint32_t p9) {
  const uint32_t light = CurrentLightLevel(context);
  const int64_t saturation = p9 == 0 ? 0 : p3;
  const int64_t level = light;
  if (light > 50) return static_cast<uint32_t>((100 - (100 - level) / 5) * saturation / 100);
  // Signed: in the lowest light the line falls below zero, and the floor of
  // a fifth of the saturation takes over.
  const int64_t lowered = SensorOf(context).colour == ColourGroup::kMo4000 ? (level - 20) * saturation * 3 / 100
                                                             : (7 * level - 260) * saturation / 100;
  const int64_t floor = saturation / 5;
  return static_cast<uint32_t>(lowered > floor ? lowered : floor);
}

bool RunExposureStep(IspContext *context, SorvexDevice device, const PictureValues &values,
                     uint8_t *raw, uint32_t captureWidth, uint32_t captureHeight) {
  if (context == nullptr || raw == nullptr) return false;
  const RawFrame frame = {raw, captureWidth, captureHeight};
  const int64_t now = ExposureClockNow();
  const int32_t held = SensorOf(context).frameHold ? ServiceFrameHold(context, frame) : 0;
  ++context->framesSinceAe;
  if (!RunIsDue(context, now, held)) return false;
  context->lastAeTime = now;
  context->framesSinceAe = 0;

  const WhiteBalanceRatios ratios = MeasureForRun(context, frame);
  UpdateFamilyExposure(context, device, frame, values.exposureTargetScale, context->measuredBrightness);
  UpdateWhiteBalanceReferences(context, ratios);
  BuildToneTables(context, values.brightness, values.contrast, FamilyGammaStrength(context, values.gammaStrength));
  SendColourMatrices(context, LowLightSaturation(context, values.saturation, values.colourEnable), values.chromaBalance,
                     CurrentLightLevel(context));
  return true;
}

void StartExposure(IspContext *context, SorvexDevice device) {
  if (context == nullptr) return;
  ResetWhiteBalance(context);
  StartFamilyExposure(context, device);
}

uint32_t CurrentExposureValue(const IspContext *context) { return FamilyExposureValue(context); }

}  // namespace sorvex0
