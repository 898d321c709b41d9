#include "exposure/exposure_update.h"

#include "exposure/exposure_entries.h"

namespace sorvex0 {

namespace {

constexpr int64_t kStartLead = 3000000;
constexpr uint32_t kFramesAfterStart = 10;

bool RowTestHolds(const LadderRow &row, int32_t index, uint32_t lightLevel) {
  switch (row.test) {
    case LadderTest::kNone:
      return true;
    case LadderTest::kIndexBelow:
      return index < static_cast<int32_t>(row.limit);
    case LadderTest::kIndexAbove:
      return index > static_cast<int32_t>(row.limit);
    case LadderTest::kLevelAbove:
      return lightLevel > row.limit;
  }
  return false;
}

bool RatioHolds(const LadderRow &row, bool down, uint32_t brightness, uint32_t target) {
  if (row.eighths == 0) return true;
  if (down) return brightness > target * row.eighths / 8;
  return brightness < target * 8 / row.eighths;
}

uint32_t LadderStep(const Ladder &ladder, bool down, int32_t index, uint32_t lightLevel,
                    uint32_t brightness, uint32_t target) {
  for (uint32_t r = 0; r < ladder.count; ++r) {
    const LadderRow &row = ladder.rows[r];
    if (RowTestHolds(row, index, lightLevel) && RatioHolds(row, down, brightness, target)) return row.step;
  }
  return 1;
}

}  // namespace

void LimitExposureIndex(IspContext *context) {
  context->aeIndex = LimitIndex(context->aeIndex, context->aeTableLength);
}

uint32_t ExposureTarget(const IspContext *context, const ExposureRules &rules, uint32_t levelByte,
                        uint32_t p8) {
  const uint32_t light = LightOfLevelByte(levelByte);
  if (rules.target == TargetRule::kLightLevel) return light * context->aeTarget / 100;
  uint32_t target = light * (p8 + 50) * context->aeTarget / 10000;
  // Entries past the normal range raise the target by half their excess.
  if (levelByte > 100) target = target * ((levelByte * 25 - 2500) / 50 + 100) / 100;
  return target;
}

uint32_t ExposureTolerance(const IspContext *context, ToleranceRule rule, uint32_t target) {
  switch (rule) {
    case ToleranceRule::kEs2216: {
      const uint32_t tolerance = (target + 6) / 12 + (context->highSpeed == 0 ? 1u : 0u);
      return tolerance < 4 ? 4 : tolerance;
    }
    case ToleranceRule::kMo4000:
      return (target + 12) / 32;
    case ToleranceRule::kOv96xx:
      return (target + 6) / 16;
    case ToleranceRule::kS5k4aa:
      return 2;
  }
  return 0;
}

bool MoveExposureIndex(IspContext *context, const ExposureRules &rules, uint32_t levelByte,
                       uint32_t p8, uint32_t brightness) {
  LimitExposureIndex(context);
  if (context->aeType != 0) return context->aeIndex != context->aePrevIndex;

  const uint32_t target = ExposureTarget(context, rules, levelByte, p8);
  const uint32_t tolerance = ExposureTolerance(context, rules.tolerance, target);
  // Below a target smaller than its tolerance nothing counts as too dark; an
  // unsigned T - D would wrap and drive the exposure to its maximum.
  const uint32_t darkBound = target > tolerance ? target - tolerance : 0;
  context->aePrevIndex = context->aeIndex;
  bool down = false;
  if (brightness > target + tolerance) {
    down = true;
  } else if (brightness >= darkBound) {
    return false;
  }

  const int32_t last = static_cast<int32_t>(context->aeTableLength) - 1;
  const uint32_t light = LightOfLevelByte(levelByte);
  const Ladder &ladder = down ? rules.down : rules.up;
  const int32_t step = static_cast<int32_t>(LadderStep(ladder, down, context->aeIndex, light, brightness, target));
  int32_t index = context->aeIndex;
  if (down && index > 0) index -= step;
  if (!down && index < last) index += step;
  if (index < 0) index = 0;
  if (index > last) index = last;
  if (down && context->outDoor == 0 && index <= context->aeMinIndex) index = context->aeMinIndex;
  context->aeIndex = index;
  return true;
}

uint8_t NoiseLevelOfLight(uint32_t lightLevel) {
  const uint32_t level = (100 - LightOfLevelByte(lightLevel)) / 8;
  return static_cast<uint8_t>(level > 7 ? 7 : level);
}

int64_t ExposureClockNow() {
  LARGE_INTEGER now;
  KeQuerySystemTime(&now);
  return now.QuadPart;
}

void ResetExposureClock(IspContext *context) {
  context->lastAeTime = ExposureClockNow() - kStartLead;
  context->framesSinceAe = kFramesAfterStart;
}

}  // namespace sorvex0
