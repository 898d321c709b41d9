// The exposure step: when it runs, how it moves the index, the floors, the
// index set from outside, and the low-light outputs.

#include <algorithm>

#include "exposure/exposure_entries.h"
#include "exposure/exposure_update.h"
#include "exposure_test_support.h"
#include "core/frame_timing.h"
#include "frame/low_light_mappings.h"

using namespace sorvex0;

namespace sorvextest {
namespace {

using LoopTest = ExposureTest;

TEST_F(LoopTest, RunsAtMostFourTimesASecond) {
  StartStream("OV9650");
  // The start set the run clock 0.3 s back: the first frame runs at once.
  EXPECT_TRUE(Step(72, 0));
  EXPECT_FALSE(Step(72, 1000000));
  EXPECT_FALSE(Step(72, 1499999));
  EXPECT_TRUE(Step(72, 1));  // exactly 0.25 s after the last run
  EXPECT_FALSE(Step(72, 2499999));
  EXPECT_TRUE(Step(72, 1));
}

// The system time is wall-clock time and can be set back (by the user or a
// time service). A run stamped in what is now the future must not stop the
// loop until the clock catches up with it: the frame after the change runs.
TEST_F(LoopTest, AClockSetBackRunsAtOnceAndThenKeepsTheInterval) {
  StartStream("OV9650");
  EXPECT_TRUE(Step(72, 0));
  EXPECT_FALSE(Step(72, 1000000));
  EXPECT_TRUE(Step(72, -36000000000LL));  // one hour back
  EXPECT_FALSE(Step(72, 2499999));
  EXPECT_TRUE(Step(72, 1));
  // Within a quarter second of the clock's largest value the interval
  // still holds (the gate takes the time since the run, never a sum).
  hostkernel::SetSystemTime(INT64_MAX - 1000000);
  EXPECT_TRUE(Step(72, 0));
  EXPECT_FALSE(Step(72, 999999));
}

TEST_F(LoopTest, Mo4000AtFullSpeedRunsOnceASecond) {
  StartStream("MO4000", 0);
  EXPECT_FALSE(Step(60, 0));  // only 0.3 s of the second have passed
  EXPECT_FALSE(Step(60, 6999999));
  EXPECT_TRUE(Step(60, 1));  // 0.7 s after the start
  EXPECT_FALSE(Step(60, 5000000));
  EXPECT_FALSE(Step(60, 4999999));
  EXPECT_TRUE(Step(60, 1));
}

TEST_F(LoopTest, ShortExposuresNeedTwoFramesBetweenRuns) {
  StartStream("ES2216", 1, 1, 640, 480);
  context_->outDoor = 1;
  ProgramIndex(30);  // about 33 lines, gain 0: exposure code below 80
  ASSERT_LT(ReadLe16(context_->aeTableEs2216 + 30 * kEs2216EntryBytes), 80u);
  EXPECT_FALSE(Step(72, 3000000));  // one frame since the run
  EXPECT_TRUE(Step(72, 1000));
  // A long exposure runs on the first frame after 0.25 s.
  ProgramIndex(70);
  EXPECT_TRUE(Step(72, 3000000));
  EXPECT_TRUE(Step(72, 3000000));
}

TEST_F(LoopTest, BlankRestartAndHeldFramesDoNotRun) {
  StartStream("OV9650");
  context_->blankFrameCount = 1;
  EXPECT_FALSE(Step(72));
  context_->blankFrameCount = 0;
  context_->restartCountdown = 4;
  EXPECT_FALSE(Step(72));
  context_->restartCountdown = 0;
  context_->holdFrames = 1;
  context_->holdCaptureAt = -1;
  EXPECT_FALSE(Step(72));
  EXPECT_EQ(0, context_->holdFrames);
  EXPECT_TRUE(Step(72));
}

TEST_F(LoopTest, BrightnessAtTheBandEdgesLeavesTheIndex) {
  StartStream("ES2216");  // high speed, 50 Hz: T = 72, D = 6
  EXPECT_TRUE(Step(78, 0));
  EXPECT_EQ(60, context_->aeIndex);
  EXPECT_TRUE(Step(66));
  EXPECT_EQ(60, context_->aeIndex);
  EXPECT_TRUE(Step(65));
  EXPECT_EQ(61, context_->aeIndex);
  EXPECT_TRUE(Step(79));
  EXPECT_EQ(64, context_->aeIndex);  // down to 60, raised to the floor

  Exit();
  StartStream("OV9650");
  ProgramIndex(100);  // full light: T = 72, D = (72 + 6) / 16 = 4
  Step(76);
  Step(68);
  EXPECT_EQ(100, context_->aeIndex);
  Step(67);
  EXPECT_EQ(101, context_->aeIndex);
}

TEST_F(LoopTest, LadderStepsFollowTheRatioToTheTarget) {
  StartStream("OV9650");
  context_->outDoor = 1;
  const int32_t start = 100;
  ProgramIndex(start);
  Step(253);  // above 3.5 x 72 = 252: 35 entries
  EXPECT_EQ(start - 35, context_->aeIndex);
  ProgramIndex(start);
  Step(19);  // below 72 * 8 / 28 = 20 (truncated) but not 72 * 8 / 32 = 18: 35 up
  EXPECT_EQ(start + 35, context_->aeIndex);
  ProgramIndex(start);
  Step(70);  // inside the band
  EXPECT_EQ(start, context_->aeIndex);
  ProgramIndex(2);  // near the bottom a step is one entry whatever the ratio
  Step(20);
  EXPECT_EQ(3, context_->aeIndex);
}

TEST_F(LoopTest, DownwardMovesStopAtTheFloorUnlessOutdoors) {
  StartStream("OV9650");  // 50 Hz small: floor 152
  ProgramIndex(153);
  Step(80);
  EXPECT_EQ(152, context_->aeIndex);
  Step(80);
  EXPECT_EQ(152, context_->aeIndex);  // 151, raised to the floor
  context_->outDoor = 1;
  Step(80);
  EXPECT_EQ(151, context_->aeIndex);
  for (int i = 0; i < 40; ++i) Step(255);
  EXPECT_EQ(0, context_->aeIndex);

  Exit();
  StartStream("MO4000");  // 50 Hz: floor 155
  ProgramIndex(170);
  Step(200);  // more than 3 x 60: 40 entries down, raised to 155
  EXPECT_EQ(155, context_->aeIndex);
}

TEST_F(LoopTest, IndexSetFromOutsideIsProgrammedOnce) {
  StartStream("MO4000");
  context_->aeType = 1;
  Log().Clear();
  EXPECT_TRUE(Step(200, 0));  // held: no change, nothing written
  EXPECT_TRUE(Log().writes.empty());
  EXPECT_EQ(130, context_->aeIndex);
  context_->aeIndex = 229;
  EXPECT_TRUE(Step(60));
  EXPECT_EQ(229, context_->aePrevIndex);
  EXPECT_EQ((std::vector<std::pair<uint8_t, uint8_t>>{{0x0F, 1094 >> 2 & 0xFF}, {0x10, (2 << 4) | 1}, {0x00, 0}, {0x11, 0x41}}),
            LastPairsA());
  Log().Clear();
  Step(60);
  EXPECT_TRUE(Log().writes.empty());
}

// An index written from outside beyond either end is limited to the table
// before any lookup, for every family.
TEST_F(LoopTest, IndexOutsideTheTableIsLimited) {
  for (const char *sensor : {"ES2216", "MO4000", "OV9650", "OV9655", "S5K4AA"}) {
    StartStream(sensor);
    const uint32_t length = context_->aeTableLength;
    context_->aeSkipNext = 0;
    for (int32_t outside : {static_cast<int32_t>(length) + 5000, -7}) {
      const int32_t limited = outside < 0 ? 0 : static_cast<int32_t>(length) - 1;
      context_->aeIndex = limited;
      const uint32_t light = CurrentLightLevel(context_);
      const uint32_t exposure = CurrentExposureValue(context_);
      // Readers before the next run see the limited entry.
      context_->aeIndex = outside;
      EXPECT_EQ(light, CurrentLightLevel(context_)) << sensor;
      EXPECT_EQ(exposure, CurrentExposureValue(context_)) << sensor;
      ProgramIndex(outside);
      EXPECT_EQ(limited, context_->aeIndex) << sensor;
      EXPECT_EQ(limited, context_->aePrevIndex) << sensor;
    }
    Exit();
  }
}

TEST_F(LoopTest, NoiseLevelFollowsTheNewEntry) {
  StartStream("OV9650");
  ProgramIndex(230);  // level 48
  EXPECT_EQ(6, context_->noiseLevel);
  ProgramIndex(283);  // level 28
  EXPECT_EQ(7, context_->noiseLevel);
  ProgramIndex(100);
  EXPECT_EQ(0, context_->noiseLevel);
  Exit();

  StartStream("ES2216", 1, 1, 640, 480);
  ProgramIndex(50);  // 158 lines, full light
  EXPECT_EQ(0, context_->noiseLevel);
  ProgramIndex(69);  // 1105 lines: the high byte exceeds 2
  EXPECT_EQ(1, context_->noiseLevel);
  ProgramIndex(92);  // level 52: 48 * 8 / 60
  EXPECT_EQ(6, context_->noiseLevel);
}

TEST_F(LoopTest, FixedExposureAndWhiteBalanceSkipTheMeasurement) {
  StartStream("OV9650");
  context_->aeType = 1;
  context_->awbType = 2;
  context_->blackLevel = 9;
  context_->measuredBrightness = 33;
  EXPECT_TRUE(Step(200, 0));
  EXPECT_EQ(0, context_->blackLevel);
  EXPECT_EQ(33u, context_->measuredBrightness);
  context_->awbType = 0;
  EXPECT_TRUE(Step(200));
  EXPECT_EQ(200u, context_->measuredBrightness);
}

// A target below its tolerance: nothing counts as too dark (an unsigned
// T - D would wrap and drive the exposure to its maximum).
TEST_F(LoopTest, TinyTargetDoesNotDriveTheExposureUp) {
  StartStream("ES2216");
  context_->aeTarget = 2;  // T = 2, D = 4
  const int32_t start = context_->aeIndex;
  Step(1, 0);
  EXPECT_EQ(start, context_->aeIndex);
  Step(7);
  EXPECT_EQ(64, context_->aeIndex);  // too bright: down, raised to the floor
}

TEST_F(LoopTest, SaturationFallsInLowLight) {
  StartStream("OV9650");
  ProgramIndex(100);  // level 100
  EXPECT_EQ(50u, LowLightSaturation(context_, 50, 50));
  EXPECT_EQ(0u, LowLightSaturation(context_, 50, 0));  // colour off
  ProgramIndex(229);  // level 50
  const uint32_t light = CurrentLightLevel(context_);
  ASSERT_LE(light, 50u);
  ASSERT_GT(light, 40u);
  const int32_t lowered = (7 * static_cast<int32_t>(light) - 260) * 60 / 100;
  EXPECT_EQ(static_cast<uint32_t>(std::max(lowered, 12)), LowLightSaturation(context_, 60, 50));
  ProgramIndex(283);  // level 28: 7 * 28 - 260 < 0, a fifth of S
  EXPECT_EQ(12u, LowLightSaturation(context_, 60, 50));
  ProgramIndex(200);
  const uint32_t high = CurrentLightLevel(context_);
  ASSERT_GT(high, 50u);
  EXPECT_EQ((100 - (100 - high) / 5) * 60 / 100, LowLightSaturation(context_, 60, 50));
  Exit();

  StartStream("MO4000");
  ProgramIndex(277);  // level 40: (40 - 20) * S * 3 / 100
  EXPECT_EQ(36u, LowLightSaturation(context_, 60, 50));
}

// The first index of the table in use whose light level lies in lo..hi.
int32_t IndexWithLevel(const IspContext *context, uint32_t lo, uint32_t hi) {
  for (uint32_t i = 0; i < context->aeTableLength; ++i) {
    const uint32_t level = context->aeTableOv9650[i * kOv96xxEntryBytes + 4];
    if (level >= lo && level <= hi) return static_cast<int32_t>(i);
  }
  return -1;
}

TEST_F(LoopTest, FilterStrengthFollowsTheLightLevel) {
  StartStream("OV9650");
  struct Row {
    uint32_t lo, hi, strength;
  };
  for (const Row &row : {Row{61, 100, 90}, Row{51, 60, 60}, Row{41, 50, 30}, Row{0, 40, 100}}) {
    const int32_t index = IndexWithLevel(context_, row.lo, row.hi);
    ASSERT_GE(index, 0);
    ProgramIndex(index);
    EXPECT_EQ(row.strength, MapFilterStrength(context_, 90)) << "level " << CurrentLightLevel(context_);
  }
}

struct BadPixelCall {
  int32_t width, height;
  uint32_t flag, mode;
  int calls = 0;
};
BadPixelCall &LastBadPixelCall() {
  static BadPixelCall call;
  return call;
}
void SORVEX1_CALL RecordBadPixels(void *, uint8_t *, int32_t width, int32_t height, uint32_t flag, uint32_t mode) {
  BadPixelCall &call = LastBadPixelCall();
  call = {width, height, flag, mode, call.calls + 1};
}

TEST_F(LoopTest, BadPixelCorrectionModeFollowsSensorAndLightLevel) {
  StartStream("OV9650");
  CorrectBadPixelsFn original = context_->conversionOps->correctBadPixels;
  context_->conversionOps->correctBadPixels = RecordBadPixels;
  struct Row {
    uint32_t lo, hi, flag, mode;  // mode for a frame that is reduced later
  };
  for (const Row &row : {Row{61, 100, 0, 100}, Row{51, 60, 0, 5}, Row{0, 50, 1, 5}}) {
    ProgramIndex(IndexWithLevel(context_, row.lo, row.hi));
    CorrectBadPixels(context_, frame_.data(), width_, height_, width_ / 2);
    EXPECT_EQ(static_cast<int32_t>(width_), LastBadPixelCall().width);
    EXPECT_EQ(static_cast<int32_t>(height_), LastBadPixelCall().height);
    EXPECT_EQ(row.flag, LastBadPixelCall().flag);
    EXPECT_EQ(row.mode, LastBadPixelCall().mode);
    CorrectBadPixels(context_, frame_.data(), width_, height_, width_);
    EXPECT_EQ(row.mode == 100 ? 100u : 4u, LastBadPixelCall().mode);
  }
  context_->conversionOps->correctBadPixels = original;
  Exit();

  ASSERT_EQ(0, Init("MI1320"));
  original = context_->conversionOps->correctBadPixels;
  context_->conversionOps->correctBadPixels = RecordBadPixels;
  struct RateRow {
    uint32_t rate, flag, mode;  // same size
  };
  // 10.6 fps: level 95; 10 fps: 85; 8.5 fps: 70.
  for (const RateRow &row : {RateRow{1060, 0, 6}, RateRow{1000, 0, 4}, RateRow{850, 1, 4}}) {
    context_->frameIntervalCount = 2;
    context_->frameIntervalSum = 200000000u / row.rate * 10 - 5;
    ASSERT_EQ(row.rate, FrameRate(context_));
    CorrectBadPixels(context_, frame_.data(), 64, 48, 64);
    EXPECT_EQ(row.flag, LastBadPixelCall().flag) << row.rate;
    EXPECT_EQ(row.mode, LastBadPixelCall().mode) << row.rate;
    CorrectBadPixels(context_, frame_.data(), 64, 48, 32);
    EXPECT_EQ(row.mode + 1, LastBadPixelCall().mode) << row.rate;
  }
  context_->conversionOps->correctBadPixels = original;
}

// Before any start the context is zero-filled: no table, full light, no
// writes, and the step never looks into a table.
TEST_F(LoopTest, NothingIsReadBeforeTheFirstStart) {
  for (const char *sensor : {"ES2216", "MO4000", "OV9650", "OV9655", "S5K4AA", "MI1320", "S5K3BA", "OV7670"}) {
    ASSERT_EQ(0, Init(sensor));
    hostkernel::SetSystemTime(kStartTime);
    EXPECT_EQ(0, context_->lastAeTime);
    EXPECT_EQ(0u, context_->framesSinceAe);
    EXPECT_EQ(100u, CurrentLightLevel(context_)) << sensor;
    EXPECT_EQ(0u, CurrentExposureValue(context_)) << sensor;
    std::vector<uint8_t> frame(320 * 240, 90);
    Log().Clear();
    for (int i = 0; i < 3; ++i) {
      hostkernel::AdvanceSystemTime(kQuarterSecond);
      RunExposureStep(context_, kDevice, values_, frame.data(), 320, 240);
    }
    EXPECT_TRUE(Log().writes.empty()) << sensor;
    Exit();
  }
}

TEST_F(LoopTest, SensorsWithoutAFamilyOnlyResetTheWhiteBalance) {
  ASSERT_EQ(0, Init("MI2020"));
  context_->awbRunCount = 7;
  context_->framesSinceAe = 3;
  StartExposure(context_, kDevice);
  EXPECT_EQ(0u, context_->awbRunCount);
  EXPECT_EQ(3u, context_->framesSinceAe);
  EXPECT_EQ(0, context_->lastAeTime);
  EXPECT_TRUE(Log().writes.empty());
}

}  // namespace
}  // namespace sorvextest
