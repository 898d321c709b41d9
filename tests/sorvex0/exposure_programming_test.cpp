// What each sensor family writes for an exposure entry, its light-mode
// switch, its frame-hold requests and its low-light values.

#include "exposure/exposure_entries.h"
#include "exposure/exposure_family.h"
#include "exposure_test_support.h"
#include "core/frame_timing.h"

using namespace sorvex0;

namespace sorvextest {
namespace {

using Pairs = std::vector<std::pair<uint8_t, uint8_t>>;
using ProgrammingTest = ExposureTest;

Pairs Es2216Pairs(uint32_t exposure, uint8_t gain, uint32_t extra, uint8_t nibble) {
  return {{0x00, exposure & 0xFF},
          {0x01, exposure >> 8},
          {0x0A, gain},
          {0x02, extra & 0xFF},
          {0x04, static_cast<uint8_t>((((extra >> 8) & 0x0F) << 4) | nibble)},
          {0x05, 0x01}};
}

uint32_t Es2216Exposure(const IspContext *context, int32_t index) {
  return ReadLe16(context->aeTableEs2216 + index * kEs2216EntryBytes);
}

TEST_F(ProgrammingTest, Es2216StartProgramsItsEntryForEachCaptureWidth) {
  // High speed, capture 640: extra lines X - 533, at least 1; mode nibble 1.
  ASSERT_EQ(0, Init("ES2216"));
  context_->flickerMode = 1;
  uint32_t w = 0, h = 0;
  ISPFunc_StartCapture(context_, kDevice, SORVEX_FORMAT_YUYV, 320, 240, &w, &h);
  ASSERT_EQ(640u, w);
  EXPECT_EQ(Es2216Pairs(474, 0, 1, 1), Log().writes.back().pairs);
  EXPECT_EQ(kEs2216NormalLight, context_->lightMode);

  // Below 640 at high speed: 256 more extra lines and nibble 2.
  Log().Clear();
  ISPFunc_StartCapture(context_, kDevice, SORVEX_FORMAT_YUYV, 352, 288, &w, &h);
  ASSERT_EQ(352u, w);
  EXPECT_EQ(Es2216Pairs(474, 0, 257, 2), Log().writes.back().pairs);
  Exit();

  // Full speed: X - 276 and nibble 1.
  ASSERT_EQ(0, Init("ES2216", 0));
  context_->flickerMode = 1;
  ISPFunc_StartCapture(context_, kDevice, SORVEX_FORMAT_YUYV, 640, 480, &w, &h);
  ASSERT_EQ(320u, w);
  const uint32_t start = Es2216Exposure(context_, 60);
  const uint8_t gain = context_->aeTableEs2216[60 * kEs2216EntryBytes + 2];
  EXPECT_EQ(Es2216Pairs(start, gain, start > 277 ? start - 276 : 1, 1), Log().writes.back().pairs);
}

TEST_F(ProgrammingTest, Es2216At1280WritesOneExtraLineUpTo1013) {
  StartStream("ES2216", 1, 1, 640, 480);
  ASSERT_EQ(1280u, width_);
  ProgramIndex(67);  // 947 lines
  EXPECT_EQ(Es2216Pairs(947, 0, 1, 0), LastPairsA());
  ProgramIndex(71);  // 1263 lines: 250 extra
  EXPECT_EQ(Es2216Pairs(1263, 0, 250, 0), LastPairsA());
  ProgramIndex(92);  // 1895 lines, gain 16: 882 extra
  EXPECT_EQ(Es2216Pairs(1895, 16, 882, 0), LastPairsA());
}

TEST_F(ProgrammingTest, Es2216SwitchesLightModeAndHoldsFrames) {
  StartStream("ES2216", 1, 1, 640, 480);
  ProgramIndex(92);
  ASSERT_TRUE(Log().modeScripts.empty());
  // Too dark at the last normal-light entry (T = 37, D = 4): one step into
  // low light.
  Step(32);
  EXPECT_EQ(93, context_->aeIndex);
  EXPECT_EQ(std::vector<std::string>{"LOW_LIGHT"}, Log().modeScripts);
  EXPECT_EQ(kEs2216LowLight, context_->lightMode);
  // The mode change captured this frame at once and holds one frame.
  EXPECT_EQ(1, context_->holdFrames);
  EXPECT_EQ(-1, context_->holdCaptureAt);
  ASSERT_NE(nullptr, context_->holdBuffer);
  EXPECT_EQ(32, context_->holdBuffer[0]);
  EXPECT_FALSE(Step(200));  // held: replaced by the captured frame
  EXPECT_EQ(32, frame_[0]);

  // Too bright (T = 36, D = 4): back to normal light, two held frames.
  Step(41);
  EXPECT_EQ(92, context_->aeIndex);
  EXPECT_EQ("NORMAL_LIGHT", Log().modeScripts.back());
  EXPECT_EQ(2, context_->holdFrames);
  EXPECT_EQ(-1, context_->holdCaptureAt);

  // Without a mode change: a longer exposure holds the two next frames, a
  // shorter one or an equal first byte none.
  ProgramIndex(70, true);  // from 92 down: no hold
  EXPECT_EQ(0, context_->holdFrames);
  ProgramIndex(71, true);  // 1105 -> 1263 lines
  EXPECT_EQ(2, context_->holdFrames);
  EXPECT_EQ(2, context_->holdCaptureAt);
  ProgramIndex(72, true);  // 1263 lines again, gain 1
  EXPECT_EQ(0, context_->holdFrames);
}

TEST_F(ProgrammingTest, Mo4000WritesFourPairs) {
  StartStream("MO4000");
  // Start entry 130: 131 lines.
  ProgramIndex(227);  // 2031 lines, full clock
  EXPECT_EQ((Pairs{{0x0F, 2031 >> 2 & 0xFF}, {0x10, (3 << 4) | 1}, {0x00, 0}, {0x11, 0x40}}), LastPairsA());
  ProgramIndex(277);  // half clock, gain 31
  EXPECT_EQ((Pairs{{0x0F, 2031 >> 2 & 0xFF}, {0x10, (3 << 4) | 1}, {0x00, 31}, {0x11, 0x41}}), LastPairsA());
  EXPECT_EQ(0, context_->holdFrames);
  for (const CallbackLog::Write &write : Log().writes) EXPECT_EQ(CallbackLog::kSpaceA, write.space);
}

TEST_F(ProgrammingTest, Ov9650ClockChangesGoThroughTheControllerWithHolds) {
  StartStream("OV9650");  // 50 Hz small, start 180 at class 24
  ASSERT_EQ(24u, context_->aeTableOv9650[180 * kOv96xxEntryBytes + 3]);
  // Class 24 to 16 (sum 40): the clock, then the sensor; two frames held,
  // the current one captured at once.
  ProgramIndex(191, true);
  ASSERT_GE(Log().writes.size(), 2u);
  const CallbackLog::Write &clock = Log().writes[Log().writes.size() - 2];
  EXPECT_EQ(CallbackLog::kSpaceB, clock.space);
  EXPECT_EQ((Pairs{{0x10, 0x10}, {0xC1, 0x02}}), clock.pairs);
  EXPECT_EQ((Pairs{{0x04, 508 & 3}, {0x10, (508 >> 2) & 0xFF}, {0xA1, 0}, {0x00, 0}}), LastPairsA());
  EXPECT_EQ(2, context_->holdFrames);
  EXPECT_EQ(-1, context_->holdCaptureAt);

  // 24 to 20: one frame.
  ProgramIndex(183);
  Log().Clear();
  ProgramIndex(184, true);
  EXPECT_EQ((Pairs{{0x10, 0x01}, {0xC1, 0x02}}), Log().writes.front().pairs);
  EXPECT_EQ(1, context_->holdFrames);
  EXPECT_EQ(-1, context_->holdCaptureAt);

  // Same class, other exposure: the next frame is captured, the one after
  // it replaced. Same class and exposure: no hold, no clock.
  ProgramIndex(168);
  Log().Clear();
  ProgramIndex(176, true);
  EXPECT_EQ(2, context_->holdFrames);
  EXPECT_EQ(2, context_->holdCaptureAt);
  ProgramIndex(177, true);
  EXPECT_EQ(0, context_->holdFrames);
  for (const CallbackLog::Write &write : Log().writes) EXPECT_EQ(CallbackLog::kSpaceA, write.space);
}

TEST_F(ProgrammingTest, Ov9655UsesItsOwnTables) {
  StartStream("OV9655", 1, 0, 320, 240);  // 60 Hz small
  EXPECT_EQ(130, context_->aeIndex);
  EXPECT_EQ(nullptr, context_->aeTableOv9650);
  ProgramIndex(160);
  EXPECT_EQ((Pairs{{0x04, 496 & 3}, {0x10, (496 >> 2) & 0xFF}, {0xA1, 0}, {0x00, 2}}), LastPairsA());
}

// ---- S5K4AA ----

struct S5k4aaLayout {
  uint32_t selector;
  uint32_t gain;
};

S5k4aaLayout StepAt(const IspContext *context, int32_t index) {
  const uint8_t *step = context->aeStepTableS5k4aa + index * kS5k4aaStepBytes;
  return {step[0], step[1]};
}

// The first index whose selector picks `setting`.
int32_t FirstIndexOfSetting(const IspContext *context, uint32_t setting) {
  for (uint32_t i = 0; i < context->aeTableLength; ++i) {
    if (StepAt(context, static_cast<int32_t>(i)).selector == 192 + setting) return static_cast<int32_t>(i);
  }
  return -1;
}

TEST_F(ProgrammingTest, S5k4aaStartAndFirstStep) {
  StartStream("S5K4AA");
  EXPECT_EQ(700, context_->aeIndex);
  EXPECT_EQ(1u, context_->aeSkipNext);
  // A start writes the eight pairs of entry 700 last.
  ISPFunc_StartCapture(context_, kDevice, SORVEX_FORMAT_YUYV, 320, 240, &width_, &height_);
  context_->blankFrameCount = 0;
  ASSERT_FALSE(Log().writes.empty());
  const Pairs start = Log().writes.back().pairs;
  const S5k4aaLayout step = StepAt(context_, 700);
  const uint8_t *setting = context_->aeSettingTableS5k4aa + (step.selector & 63) * kS5k4aaSettingBytes;
  const uint32_t exposure = ReadLe16(setting);
  const uint32_t a = ReadLe16(setting + 2);
  const uint32_t b = ReadLe16(setting + 4);
  EXPECT_EQ((Pairs{{0x0F, exposure >> 8},
                   {0x10, exposure & 0xFF},
                   {0x11, b >> 8},
                   {0x12, b & 0xFF},
                   {0x1D, a >> 8},
                   {0x1E, a & 0xFF},
                   {0x20, step.gain},
                   {0x02, setting[6] | setting[7] | 4}}),
            start);
  // The first step reprograms the same entry whatever the brightness.
  Log().Clear();
  EXPECT_TRUE(Step(250, 0));
  EXPECT_EQ(700, context_->aeIndex);
  EXPECT_EQ(0u, context_->aeSkipNext);
  EXPECT_EQ(start, LastPairsA());
  EXPECT_EQ(0, context_->holdFrames);
  // The next one steps.
  Step(250);
  EXPECT_LT(context_->aeIndex, 700);
}

TEST_F(ProgrammingTest, S5k4aaGainIsAtLeastUnityAtFullSpeed) {
  for (uint32_t highSpeed : {0u, 1u}) {
    StartStream("S5K4AA", highSpeed);
    context_->aeSkipNext = 0;
    ProgramIndex(0);
    ASSERT_LT(StepAt(context_, 0).gain, 32u);
    const Pairs pairs = LastPairsA();
    ASSERT_EQ(8u, pairs.size());
    EXPECT_EQ(0x20, pairs[6].first);
    EXPECT_EQ(highSpeed == 0 ? 32u : StepAt(context_, 0).gain, pairs[6].second);
    Exit();
  }
}

TEST_F(ProgrammingTest, S5k4aaHoldClasses) {
  StartStream("S5K4AA");  // 50 Hz small
  context_->aeSkipNext = 0;
  const int32_t five = FirstIndexOfSetting(context_, 5);   // short frame
  const int32_t six = FirstIndexOfSetting(context_, 6);    // longer frame: mode bits 0-1
  const int32_t twelve = FirstIndexOfSetting(context_, 12);  // doubled line: mode bits 2-3
  ASSERT_GT(five, 0);
  ASSERT_GT(six, five);
  ASSERT_GT(twelve, six);

  // Two direct entries of other exposures, and two entries of setting 6
  // that differ in gain only.
  int32_t direct = 100;
  while (StepAt(context_, direct).selector == StepAt(context_, direct + 1).selector) ++direct;
  int32_t gainOnly = six;
  while (StepAt(context_, gainOnly).gain == StepAt(context_, gainOnly + 1).gain) ++gainOnly;
  ASSERT_EQ(192u + 6, StepAt(context_, gainOnly + 1).selector);

  struct Case {
    int32_t from, to;
    uint32_t sis;
    int32_t frames, captureAt;
  };
  const Case cases[] = {
      {five, six, 0, 1, -1},                  // bits 0-1 differ
      {twelve - 1, twelve, 0, 2, -1},         // bits 2-3 differ
      {direct, direct + 1, 0, 2, 2},          // other exposure, same mode: flag
      {gainOnly, gainOnly + 1, 0, 0, -1},     // gain only
      {five, six, 1, 1, -1},
      {twelve - 1, twelve, 1, 2, -1},
      {direct, direct + 1, 1, 2, -1},         // SiS: captured at once
      {gainOnly, gainOnly + 1, 1, 0, -1},
  };
  for (const Case &c : cases) {
    context_->sisHostController = c.sis;
    ProgramIndex(c.from);
    ProgramIndex(c.to, true);
    EXPECT_EQ(c.frames, context_->holdFrames) << c.from << "->" << c.to << " sis " << c.sis;
    EXPECT_EQ(c.captureAt, context_->holdCaptureAt) << c.from << "->" << c.to << " sis " << c.sis;
  }
}

// ---- MI1320 ----

// Sets the frame-interval ring so that FrameRate gives `rate` (two
// intervals).
void SetFrameRate(IspContext *context, uint32_t rate) {
  context->frameIntervalCount = 2;
  const uint32_t tenMicroseconds = 200000000u / rate;
  context->frameIntervalSum = tenMicroseconds * 10 - 5;
  ASSERT_EQ(rate, FrameRate(context));
}

TEST_F(ProgrammingTest, Mi1320LightLevelAndGammaFollowTheFrameRate) {
  ASSERT_EQ(0, Init("MI1320"));
  hostkernel::SetSystemTime(kStartTime);
  uint32_t w = 0, h = 0;
  ISPFunc_StartCapture(context_, kDevice, SORVEX_FORMAT_YUYV, 640, 480, &w, &h);
  // Before two intervals, and for frames stamped within one clock tick:
  // full light and P7 unchanged.
  RecordFrameTime(context_);
  hostkernel::AdvanceSystemTime(400000);
  RecordFrameTime(context_);
  EXPECT_EQ(100u, CurrentLightLevel(context_));
  EXPECT_EQ(50u, FamilyGammaStrength(context_, 50));
  ISPFunc_StartCapture(context_, kDevice, SORVEX_FORMAT_YUYV, 640, 480, &w, &h);
  for (int frame = 0; frame < 4; ++frame) RecordFrameTime(context_);
  EXPECT_EQ(0u, FrameRate(context_));
  EXPECT_EQ(100u, CurrentLightLevel(context_));
  EXPECT_EQ(50u, FamilyGammaStrength(context_, 50));

  struct Row {
    uint32_t rate, level, p7;  // P7' for P7 = 50
  };
  for (const Row &row : {Row{1, 40, 100}, Row{525, 40, 100}, Row{526, 40, 90}, Row{551, 45, 90},
                         Row{556, 45, 83}, Row{600, 45, 76}, Row{625, 50, 71}, Row{626, 50, 66},
                         Row{700, 55, 58}, Row{750, 60, 52}, Row{751, 65, 50}, Row{1000, 85, 50},
                         Row{1100, 95, 50}, Row{1101, 100, 50}}) {
    SetFrameRate(context_, row.rate);
    EXPECT_EQ(row.level, CurrentLightLevel(context_)) << row.rate;
    EXPECT_EQ(row.p7, FamilyGammaStrength(context_, 50)) << row.rate;
  }
}

}  // namespace
}  // namespace sorvextest
