// The frame hold: capture, replacement, the two requests, and the limits of
// the hold buffer.

#include "core/sensor_table.h"
#include "exposure/frame_hold.h"
#include "fake_minidriver.h"

using namespace sorvex0;

namespace sorvextest {
namespace {

class FrameHoldTest : public MinidriverTest {
 protected:
  void SetUp() override {
    MinidriverTest::SetUp();
    ASSERT_EQ(0, Init("OV9650"));
  }
  RawFrame Frame(std::vector<uint8_t> &pixels) { return {pixels.data(), 64, 48}; }
};

TEST_F(FrameHoldTest, WithoutAHoldFramesPass) {
  std::vector<uint8_t> pixels(64 * 48, 9);
  EXPECT_EQ(0, ServiceFrameHold(context_, Frame(pixels)));
  EXPECT_EQ(std::vector<uint8_t>(64 * 48, 9), pixels);
  EXPECT_EQ(nullptr, context_->holdBuffer);
}

TEST_F(FrameHoldTest, FlagCapturesTheNextFrameAndReplacesTheOneAfter) {
  std::vector<uint8_t> pixels(64 * 48, 1);
  RequestHoldOfClass(context_, Frame(pixels), 0, false);
  EXPECT_EQ(0, context_->holdFrames);
  RequestHoldOfClass(context_, Frame(pixels), 0, true);
  EXPECT_EQ(2, context_->holdFrames);
  EXPECT_EQ(2, context_->holdCaptureAt);

  std::vector<uint8_t> next(64 * 48, 20);
  EXPECT_EQ(2, ServiceFrameHold(context_, Frame(next)));
  EXPECT_EQ(std::vector<uint8_t>(64 * 48, 20), next);  // captured, shown as it is
  EXPECT_EQ(-1, context_->holdCaptureAt);
  std::vector<uint8_t> damaged(64 * 48, 200);
  EXPECT_EQ(1, ServiceFrameHold(context_, Frame(damaged)));
  EXPECT_EQ(std::vector<uint8_t>(64 * 48, 20), damaged);  // replaced
  std::vector<uint8_t> after(64 * 48, 30);
  EXPECT_EQ(0, ServiceFrameHold(context_, Frame(after)));
  EXPECT_EQ(std::vector<uint8_t>(64 * 48, 30), after);
}

TEST_F(FrameHoldTest, ClassCapturesAtOnceAndReplacesThatManyFrames) {
  std::vector<uint8_t> current(64 * 48, 7);
  RequestHoldOfClass(context_, Frame(current), 2, false);
  EXPECT_EQ(2, context_->holdFrames);
  EXPECT_EQ(-1, context_->holdCaptureAt);
  for (int32_t expected : {2, 1}) {
    std::vector<uint8_t> damaged(64 * 48, 99);
    EXPECT_EQ(expected, ServiceFrameHold(context_, Frame(damaged)));
    EXPECT_EQ(std::vector<uint8_t>(64 * 48, 7), damaged);
  }
  std::vector<uint8_t> good(64 * 48, 50);
  EXPECT_EQ(0, ServiceFrameHold(context_, Frame(good)));
  EXPECT_EQ(50, good[0]);

  RequestHoldOfClass(context_, Frame(current), 1, true);
  EXPECT_EQ(1, context_->holdFrames);
  EXPECT_EQ(-1, context_->holdCaptureAt);
}

TEST_F(FrameHoldTest, ModeSwitchRequest) {
  std::vector<uint8_t> current(64 * 48, 5);
  // No mode change: only a longer exposure with another first byte holds.
  RequestHoldAfterModeSwitch(context_, Frame(current), false, false, false);
  EXPECT_EQ(0, context_->holdFrames);
  RequestHoldAfterModeSwitch(context_, Frame(current), false, true, true);
  EXPECT_EQ(0, context_->holdFrames);
  RequestHoldAfterModeSwitch(context_, Frame(current), false, true, false);
  EXPECT_EQ(2, context_->holdFrames);
  EXPECT_EQ(2, context_->holdCaptureAt);
  // A mode change captures at once: one frame going up, two going down.
  RequestHoldAfterModeSwitch(context_, Frame(current), true, true, true);
  EXPECT_EQ(1, context_->holdFrames);
  EXPECT_EQ(-1, context_->holdCaptureAt);
  RequestHoldAfterModeSwitch(context_, Frame(current), true, false, false);
  EXPECT_EQ(2, context_->holdFrames);
  ASSERT_NE(nullptr, context_->holdBuffer);
  EXPECT_EQ(5, context_->holdBuffer[64 * 48 - 1]);
}

TEST_F(FrameHoldTest, BufferIsOneBlockOfTheLargestCapture) {
  std::vector<uint8_t> current(64 * 48, 5);
  RequestHoldOfClass(context_, Frame(current), 1, false);
  RequestHoldOfClass(context_, Frame(current), 1, false);
  size_t blocks = 0;
  for (const hostkernel::PoolBlock &block : hostkernel::LivePoolBlocks()) {
    if (block.address != context_->holdBuffer) continue;
    ++blocks;
    EXPECT_EQ(1280u * 1024 + 10, block.size);
    EXPECT_EQ(kPoolTag, block.tag);
    EXPECT_EQ(NonPagedPool, block.type);
  }
  EXPECT_EQ(1u, blocks);
}

// A frame larger than the hold buffer (1600 x 1200) is held in part; no
// byte beyond the buffer is read or written.
TEST_F(FrameHoldTest, LargerFrameIsHeldOnlyAsFarAsTheBufferReaches) {
  const uint32_t width = 1600;
  const uint32_t height = 1200;
  std::vector<uint8_t> current(width * height, 3);
  RequestHoldOfClass(context_, {current.data(), width, height}, 1, false);
  std::vector<uint8_t> damaged(width * height, 250);
  EXPECT_EQ(1, ServiceFrameHold(context_, {damaged.data(), width, height}));
  EXPECT_EQ(3, damaged[kHoldBufferBytes - 1]);
  EXPECT_EQ(250, damaged[kHoldBufferBytes]);
  EXPECT_EQ(250, damaged.back());
}

// Without memory for the buffer nothing is captured and nothing replaced;
// the held frames still pass without a run.
TEST_F(FrameHoldTest, FailedBufferSkipsCaptureAndReplacement) {
  std::vector<uint8_t> current(64 * 48, 5);
  hostkernel::FailNthAllocation(1);
  RequestHoldOfClass(context_, Frame(current), 2, false);
  EXPECT_EQ(nullptr, context_->holdBuffer);
  EXPECT_EQ(2, context_->holdFrames);
  std::vector<uint8_t> next(64 * 48, 77);
  EXPECT_EQ(2, ServiceFrameHold(context_, Frame(next)));
  EXPECT_EQ(1, ServiceFrameHold(context_, Frame(next)));
  EXPECT_EQ(std::vector<uint8_t>(64 * 48, 77), next);

  // The flag's capture fails the same way; the next hold finds memory.
  RequestHoldOfClass(context_, Frame(current), 0, true);
  hostkernel::FailNthAllocation(1);
  EXPECT_EQ(2, ServiceFrameHold(context_, Frame(next)));
  EXPECT_EQ(1, ServiceFrameHold(context_, Frame(next)));
  EXPECT_EQ(77, next[0]);
  RequestHoldOfClass(context_, Frame(current), 1, false);
  ASSERT_NE(nullptr, context_->holdBuffer);
  EXPECT_EQ(1, ServiceFrameHold(context_, Frame(next)));
  EXPECT_EQ(5, next[0]);
}

TEST_F(FrameHoldTest, HoldServiceBelongsToTheFamiliesThatAskForIt) {
  for (uint32_t sensor : {kSensorEs2216, kSensorS5k4aa, kSensorOv9650, kSensorMi1320, kSensorS5k3ba,
                          kSensorOv9655, kSensorMo4000}) {
    EXPECT_TRUE(SensorById(sensor).frameHold) << sensor;
  }
  for (uint32_t sensor : {kSensorOv7670, kSensorMi2020, kSensorMi0360, kSensorNone}) {
    EXPECT_FALSE(SensorById(sensor).frameHold) << sensor;
  }
}

}  // namespace
}  // namespace sorvextest
