// The exposure update that every table-walking family shares: the target
// and tolerance around it, the step ladders that move the index, the mains
// floor and the low-light level. The families add their tables, light-mode
// switch, frame hold and register programming.
#pragma once

#include "core/isp_context.h"

namespace sorvex0 {

// One row of a step ladder: the first row whose tests hold gives the step.
// The ratio test "x r" (r = eighths / 8) holds when the brightness is above
// T * r (moving down) or below T / r (moving up); 0 eighths means no ratio
// test.
enum class LadderTest : uint8_t { kNone, kIndexBelow, kIndexAbove, kLevelAbove };
struct LadderRow {
  uint8_t eighths;
  LadderTest test;
  uint16_t limit;
  uint16_t step;
};

struct Ladder {
  const LadderRow *rows;
  uint32_t count;
};

template <uint32_t kRows>
constexpr Ladder LadderOf(const LadderRow (&rows)[kRows]) {
  return {rows, kRows};
}

enum class TargetRule : uint8_t {
  kLightLevel,       // T = L * aeTarget / 100
  kLightLevelScaled  // T = L * (P8 + 50) * aeTarget / 10000, raised for level bytes above 100
};

enum class ToleranceRule : uint8_t { kEs2216, kMo4000, kOv96xx, kS5k4aa };

struct ExposureRules {
  TargetRule target;
  ToleranceRule tolerance;
  Ladder down;
  Ladder up;
};

// The index limited to the table in use, written back: an index set from
// outside may lie anywhere, and every lookup that follows uses this one.
void LimitExposureIndex(IspContext *context);

uint32_t ExposureTarget(const IspContext *context, const ExposureRules &rules, uint32_t levelByte,
                        uint32_t p8);
uint32_t ExposureTolerance(const IspContext *context, ToleranceRule rule, uint32_t target);

// The table walk shared by the families: the target and tolerance, the band
// test and the ladder step, with the level byte E of the current entry and
// the measured brightness. True when the index is to be programmed: it was
// set from outside (aeType nonzero) or the brightness left the band around
// the target. aePrevIndex then still names the programmed entry.
bool MoveExposureIndex(IspContext *context, const ExposureRules &rules, uint32_t levelByte,
                       uint32_t p8, uint32_t brightness);

// The low-light level 0 to 7 of a light level.
uint8_t NoiseLevelOfLight(uint32_t lightLevel);

// lastAeTime 0.3 s in the past and framesSinceAe 10, so that the first frame
// after a start runs the loop.
void ResetExposureClock(IspContext *context);

// The system time in 100 ns units.
int64_t ExposureClockNow();

}  // namespace sorvex0
