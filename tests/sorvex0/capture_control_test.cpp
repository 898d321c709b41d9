// Stream start, the capture size and mode scripts, the restart sequence and
// the frame-rate measurement.

#include "fake_minidriver.h"
#include "core/capture_control.h"
#include "core/frame_timing.h"
#include "frame/stream_start.h"
#include "core/isp_context.h"
#include "face/face_work_area.h"

using namespace sorvex0;

namespace sorvextest {
namespace {

class CaptureControlTest : public MinidriverTest {
 protected:
  struct Size {
    uint32_t width, height;
    bool operator==(const Size &o) const { return width == o.width && height == o.height; }
  };
  Size Start(uint32_t format, uint32_t width, uint32_t height) {
    Size size{0xDEAD, 0xBEEF};
    ISPFunc_StartCapture(context_, kDevice, format, width, height, &size.width, &size.height);
    EXPECT_EQ(size.width, context_->captureWidth);
    EXPECT_EQ(size.height, context_->captureHeight);
    EXPECT_EQ(width, context_->requestedWidth);
    EXPECT_EQ(height, context_->requestedHeight);
    return size;
  }
};

TEST_F(CaptureControlTest, FullSpeedCapturesSmallWhateverTheRequest) {
  ASSERT_EQ(0, Init("OV9650", 0));
  for (uint32_t width : {160u, 640u, 1280u}) {
    EXPECT_EQ((Size{320, 240}), Start(2, width, width * 3 / 4));
  }
  Exit();
  ASSERT_EQ(0, Init("MO4000", 0));
  EXPECT_EQ((Size{640, 480}), Start(1, 160, 120));
  EXPECT_TRUE(Log().modeScripts.empty());
}

TEST_F(CaptureControlTest, HighSpeedCaptureSizesAndScripts) {
  ASSERT_EQ(0, Init("OV9650"));
  ASSERT_EQ(1u, context_->ssbs);
  EXPECT_EQ((Size{640, 480}), Start(2, 160, 120));
  EXPECT_EQ((Size{640, 480}), Start(2, 320, 240));
  EXPECT_TRUE(Log().modeScripts.empty());
  EXPECT_EQ((Size{1280, 960}), Start(2, 640, 480));
  EXPECT_EQ(std::vector<std::string>{"HS\\YUYV\\1280A"}, Log().modeScripts);
  EXPECT_EQ((Size{1600, 1200}), Start(1, 800, 600));
  EXPECT_EQ("HS\\RGB24\\1600", Log().modeScripts.back());
  EXPECT_EQ((Size{1280, 960}), Start(3, 640, 480));
  EXPECT_EQ("HS\\I420\\1280A", Log().modeScripts.back());
  // Format codes outside 1 to 3 have no scripts.
  Log().Clear();
  EXPECT_EQ((Size{1280, 960}), Start(7, 640, 480));
  EXPECT_TRUE(Log().modeScripts.empty());
  EXPECT_EQ((Size{352, 288}), Start(2, 352, 288));

  context_->ssbs = 0;
  EXPECT_EQ((Size{640, 480}), Start(2, 640, 480));
  EXPECT_EQ((Size{800, 600}), Start(2, 800, 600));
  EXPECT_TRUE(Log().modeScripts.empty());
}

TEST_F(CaptureControlTest, SensorSpecificSizes) {
  ASSERT_EQ(0, Init("S5K4AA"));
  EXPECT_EQ((Size{1280, 960}), Start(1, 1600, 1200));
  Exit();
  ASSERT_EQ(0, Init("MO4000"));
  EXPECT_EQ((Size{640, 480}), Start(1, 1280, 1024));
}

TEST_F(CaptureControlTest, Mi1320RunsTheFullPipelineAndLoadsNoScripts) {
  ASSERT_EQ(0, Init("MI1320"));
  context_->ipMode = 0;
  context_->ssbs = 1;
  EXPECT_EQ((Size{1280, 960}), Start(2, 640, 480));
  EXPECT_EQ(2u, context_->ipMode);
  ISPFunc_StreamStateNotify(context_, 0, 3);
  for (int frame = 0; frame < 18; ++frame) StepRestartSequence(context_, kDevice);
  EXPECT_TRUE(Log().modeScripts.empty());
}

TEST_F(CaptureControlTest, StartResetsTheStreamState) {
  ASSERT_EQ(0, Init("OV9655"));
  context_->lowLight = 1;
  Start(1, 320, 240);
  EXPECT_EQ(5u, context_->blankFrameCount);
  EXPECT_EQ(0u, context_->lowLight);
  EXPECT_EQ(-1, context_->frameIntervalCount);
  Start(2, 320, 240);
  EXPECT_EQ(3u, context_->blankFrameCount);
  Start(3, 320, 240);
  EXPECT_EQ(3u, context_->blankFrameCount);
  Start(9, 320, 240);
  EXPECT_EQ(5u, context_->blankFrameCount);
}

TEST_F(CaptureControlTest, FaceWorkAreaIsMadeOnceAndTracksTheWholeFrameAtStart) {
  ASSERT_EQ(0, Init("OV9650"));
  Start(2, 640, 480);
  uint8_t *area = context_->faceWorkArea;
  ASSERT_NE(nullptr, area);
  TrackBox *box = FaceTrackBox(area);
  EXPECT_EQ(0, box->left);
  EXPECT_EQ(639, box->right);
  EXPECT_EQ(0, box->top);
  EXPECT_EQ(479, box->bottom);
  *FacePhaseSlot(area) = 9;
  *FaceLockFlag(area) = 1;
  context_->trackZoomLevel = 4;
  context_->trackWindowX = 12;
  Start(2, 320, 240);
  EXPECT_EQ(area, context_->faceWorkArea);
  EXPECT_EQ(319, box->right);
  EXPECT_EQ(239, box->bottom);
  EXPECT_EQ(0u, *FacePhaseSlot(area));
  EXPECT_EQ(0u, *FaceLockFlag(area));
  EXPECT_EQ(0u, context_->trackZoomLevel);
  EXPECT_EQ(0, context_->trackWindowX);
  // 441,696 bytes in one tagged block.
  bool found = false;
  for (const hostkernel::PoolBlock &block : hostkernel::LivePoolBlocks()) {
    if (block.address == area) {
      found = true;
      EXPECT_EQ(441696u, block.size);
      EXPECT_EQ(kPoolTag, block.tag);
    }
  }
  EXPECT_TRUE(found);
}

TEST_F(CaptureControlTest, RunStateAtADoubledSizeRestartsTwiceOverThirtyFrames) {
  ASSERT_EQ(0, Init("OV9650"));
  Start(1, 640, 480);
  Log().Clear();
  ISPFunc_StreamStateNotify(context_, 0, 2);
  EXPECT_EQ(0u, context_->restartCountdown);
  ISPFunc_StreamStateNotify(context_, 0, 3);
  EXPECT_EQ(30u, context_->restartCountdown);

  for (int frame = 1; frame <= 24; ++frame) {
    EXPECT_TRUE(StepRestartSequence(context_, kDevice)) << frame;
  }
  EXPECT_TRUE(Log().modeScripts.empty());
  EXPECT_EQ(1280u, context_->captureWidth);

  // Frame 25: restart at the requested size with the doubled capture off.
  EXPECT_TRUE(StepRestartSequence(context_, kDevice));
  EXPECT_EQ(0u, context_->ssbs);
  EXPECT_EQ(640u, context_->captureWidth);
  EXPECT_EQ(std::vector<std::string>{"HS\\RGB24\\640"}, Log().modeScripts);
  EXPECT_EQ(5u, context_->blankFrameCount);

  for (int frame = 26; frame <= 29; ++frame) {
    EXPECT_TRUE(StepRestartSequence(context_, kDevice)) << frame;
  }
  EXPECT_EQ(1u, Log().modeScripts.size());

  // Frame 30: restart at the doubled size with the setting restored.
  EXPECT_TRUE(StepRestartSequence(context_, kDevice));
  EXPECT_EQ(1u, context_->ssbs);
  EXPECT_EQ(1280u, context_->captureWidth);
  EXPECT_EQ((std::vector<std::string>{"HS\\RGB24\\640", "HS\\RGB24\\1280A"}), Log().modeScripts);
  EXPECT_EQ(5u, context_->blankFrameCount);
  EXPECT_FALSE(StepRestartSequence(context_, kDevice));
}

TEST_F(CaptureControlTest, RunStateAtTheRequestedSizeDoesNothing) {
  ASSERT_EQ(0, Init("OV9650"));
  context_->ssbs = 0;
  Start(2, 640, 480);
  ISPFunc_StreamStateNotify(context_, 0, 3);
  EXPECT_EQ(0u, context_->restartCountdown);
  EXPECT_FALSE(StepRestartSequence(context_, kDevice));
}

TEST_F(CaptureControlTest, Es2216RestartCommitsItsRegisters) {
  ASSERT_EQ(0, Init("ES2216"));
  Start(2, 640, 480);
  Log().Clear();
  RestartStream(context_, kDevice);
  // The exposure start programs its entry, then the restart commits.
  ASSERT_EQ(2u, Log().writes.size());
  EXPECT_EQ(CallbackLog::kSpaceA, Log().writes[1].space);
  EXPECT_EQ((std::vector<std::pair<uint8_t, uint8_t>>{{5, 1}}), Log().writes[1].pairs);
}

TEST_F(CaptureControlTest, FrameRateOverTheIntervalRing) {
  ASSERT_EQ(0, Init("OV9650"));
  hostkernel::SetSystemTime(132000000000000000LL);
  Start(2, 320, 240);
  RecordFrameTime(context_);  // the first frame only sets the time
  EXPECT_EQ(0u, FrameRate(context_));
  hostkernel::AdvanceSystemTime(333333);
  RecordFrameTime(context_);
  EXPECT_EQ(0u, FrameRate(context_));  // one interval is not enough
  hostkernel::AdvanceSystemTime(333333);
  RecordFrameTime(context_);
  EXPECT_EQ(2999u, FrameRate(context_));

  // Sixty frames at 25 per second: the ring keeps the last 40 intervals.
  for (int i = 0; i < 60; ++i) {
    hostkernel::AdvanceSystemTime(400000);
    RecordFrameTime(context_);
  }
  EXPECT_EQ(40, context_->frameIntervalCount);
  EXPECT_EQ(40u * 400000u, context_->frameIntervalSum);
  EXPECT_EQ(2500u, FrameRate(context_));
  hostkernel::FollowRealClock();
}

TEST_F(CaptureControlTest, FramesWithTheSameTimestampGiveNoRateInsteadOfADivisionByZero) {
  ASSERT_EQ(0, Init("MI1320"));
  hostkernel::SetSystemTime(132000000000000000LL);
  Start(2, 320, 240);
  for (int i = 0; i < 5; ++i) RecordFrameTime(context_);
  EXPECT_EQ(0u, FrameRate(context_));
  hostkernel::AdvanceSystemTime(4);  // still below half a microsecond in all
  RecordFrameTime(context_);
  EXPECT_EQ(0u, FrameRate(context_));
  hostkernel::FollowRealClock();
}

TEST_F(CaptureControlTest, ClockWrapsWithoutBreakingTheIntervals) {
  ASSERT_EQ(0, Init("OV9650"));
  hostkernel::SetSystemTime(0x1FFFFFFFFLL - 100000);  // low 32 bits about to wrap
  Start(2, 320, 240);
  for (int i = 0; i < 3; ++i) {
    hostkernel::AdvanceSystemTime(333333);
    RecordFrameTime(context_);
  }
  EXPECT_EQ(2u * 333333u, context_->frameIntervalSum);  // the first frame only sets the time
  hostkernel::FollowRealClock();
}

}  // namespace
}  // namespace sorvextest
