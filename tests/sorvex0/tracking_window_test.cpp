// The tracking window: zooming toward the tracking box one level a frame,
// panning by 2, 4 or 8 pixels, and keeping the window inside the frame; and
// the pipeline's call of the tracker.

#include "frame/tracking_window.h"

#include <gtest/gtest.h>

#include <vector>

#include "face_test_support.h"
#include "fake_minidriver.h"
#include "core/isp_context.h"

using namespace sorvex0;

namespace sorvextest {
namespace {

constexpr uint32_t kWidth = 640;
constexpr uint32_t kHeight = 480;

// A box of the given size whose centre, as the tracking window computes it,
// is (x, y).
TrackBox BoxAround(int32_t x, int32_t y, int32_t width, int32_t height) {
  const int32_t left = x - width / 2;
  const int32_t top = y - height / 2;
  return TrackBox{left, left + width, top, top + height};
}

class TrackingWindowTest : public ::testing::Test {
 protected:
  TrackingWindowTest() { context_.faceWorkArea = area_.data(); }

  void SetWindow(uint32_t level, int32_t x, int32_t y) {
    context_.trackZoomLevel = level;
    context_.trackWindowX = x;
    context_.trackWindowY = y;
  }
  void SetBox(const TrackBox &box) { *FaceTrackBox(area_.data()) = box; }
  // One update with the window the crop cuts at level 10 unless given.
  void Update(uint32_t windowWidth = 480, uint32_t windowHeight = 360) {
    UpdateTrackingWindow(&context_, kWidth, kHeight, windowWidth, windowHeight);
  }

  IspContext context_{};
  FaceWorkAreaBuffer area_;
};

// At level 10 a 640 x 480 window shows 480 x 360 pixels centred on
// (x + 240, y + 180); a 360 x 270 box keeps the level (with a third more room
// it needs 480 x 360, within 640 / 12 and 480 / 12 of what is shown).
constexpr int32_t kKeepWidth = 360;
constexpr int32_t kKeepHeight = 270;

TEST_F(TrackingWindowTest, SmallBoxZoomsInOneLevelAFrameUpTo20) {
  SetBox(BoxAround(320, 240, 40, 40));
  for (uint32_t frame = 1; frame <= 25; ++frame) {
    Update();
    ASSERT_EQ(frame < 20 ? frame : 20u, context_.trackZoomLevel);
  }
}

TEST_F(TrackingWindowTest, WideBoxZoomsOutOneLevelAFrameUntilItFits) {
  // 440 x 280: with a third more room 586 wide, which the window shows (less
  // 640 / 12) only from level 6 down; vertically it fits at levels 6 to 12.
  SetBox(TrackBox{100, 540, 100, 380});
  SetWindow(10, 0, 0);
  const uint32_t levels[] = {9, 8, 7, 6, 6, 6};
  for (uint32_t expected : levels) {
    Update();
    ASSERT_EQ(expected, context_.trackZoomLevel);
  }
}

// At level 10 the window shows 480 x 360 pixels; the box with a third more
// room must fit with 640 / 12 = 53 and 480 / 12 = 40 pixels to spare to zoom
// in, and must overflow by more than that to zoom out.
TEST_F(TrackingWindowTest, ZoomKeepsAMarginOfATwelfthEitherWay) {
  struct Case {
    int32_t width, height;
    uint32_t level;
  };
  const Case cases[] = {
      {320, 40, 11},  {321, 40, 10},  // 426 + 53 < 480; 428 + 53 is not
      {400, 270, 10}, {401, 270, 9},  // 480 < 533 - 53 is not; 480 < 534 - 53
      {40, 239, 11},  {40, 240, 10},  // 318 + 40 < 360; 320 + 40 is not
      {360, 300, 10}, {360, 301, 9},  // 360 < 400 - 40 is not; 360 < 401 - 40
  };
  for (const Case &c : cases) {
    SetBox(BoxAround(340, 240, c.width, c.height));
    SetWindow(10, 100, 60);
    Update();
    EXPECT_EQ(c.level, context_.trackZoomLevel) << c.width << " x " << c.height;
  }
}

TEST_F(TrackingWindowTest, TheSmallerOfTheTwoLevelsWins) {
  // Narrow and as tall as the frame: in horizontally, out vertically.
  SetBox(TrackBox{300, 340, 0, 479});
  SetWindow(10, 100, 60);
  Update();
  EXPECT_EQ(9u, context_.trackZoomLevel);
  // Keeping the width, small in height: stay wins over in.
  SetBox(BoxAround(340, 240, kKeepWidth, 40));
  SetWindow(10, 100, 60);
  Update();
  EXPECT_EQ(10u, context_.trackZoomLevel);
  // Zoom level 0 does not go below 0.
  SetBox(TrackBox{0, 639, 0, 479});
  SetWindow(0, 0, 0);
  Update();
  EXPECT_EQ(0u, context_.trackZoomLevel);
}

TEST_F(TrackingWindowTest, CentreHundredPixelsAwayPansByEightAFrame) {
  // Window at x = 100: centre 340; the box centre lies at 440.
  SetBox(BoxAround(440, 240, kKeepWidth, kKeepHeight));
  SetWindow(10, 100, 60);
  const int32_t right[] = {108, 116, 124, 132, 140, 144, 148, 152, 156, 158, 158};
  for (int32_t expected : right) {
    Update();
    ASSERT_EQ(expected, context_.trackWindowX);
    ASSERT_EQ(60, context_.trackWindowY);
    ASSERT_EQ(10u, context_.trackZoomLevel);
  }
  // And to the left: the box centre at 240.
  SetBox(BoxAround(240, 240, kKeepWidth, kKeepHeight));
  SetWindow(10, 100, 60);
  const int32_t left[] = {92, 84, 76, 68, 60, 56, 52};
  for (int32_t expected : left) {
    Update();
    ASSERT_EQ(expected, context_.trackWindowX);
  }
}

TEST_F(TrackingWindowTest, StepSizesChangeBeyond16And32And64Pixels) {
  struct Case {
    int32_t offset, step;
  };
  const Case cases[] = {{65, 8},  {64, 4},   {33, 4},   {32, 2},   {17, 2},   {16, 0},  {0, 0},
                        {-16, 0}, {-17, -2}, {-32, -2}, {-33, -4}, {-64, -4}, {-65, -8}};
  for (const Case &c : cases) {
    SetBox(BoxAround(340 + c.offset, 240, kKeepWidth, kKeepHeight));
    SetWindow(10, 100, 60);
    Update();
    EXPECT_EQ(100 + c.step, context_.trackWindowX) << "offset " << c.offset;
    // Vertically the same thresholds around y + 180.
    SetBox(BoxAround(340, 240 + c.offset, kKeepWidth, kKeepHeight));
    SetWindow(10, 100, 60);
    Update();
    EXPECT_EQ(60 + c.step, context_.trackWindowY) << "offset " << c.offset;
  }
}

TEST_F(TrackingWindowTest, PansStopAtTheRoomTheZoomLeaves) {
  // At level 10 the window may move right up to 640 x 10 / 40 - 2 = 158 and
  // down up to 480 x 10 / 40 - 2 = 118 (a smaller window, which the clamp
  // would let go further, shows the pan's own limit).
  SetBox(BoxAround(620, 460, kKeepWidth, kKeepHeight));
  SetWindow(10, 154, 114);
  Update(400, 300);
  EXPECT_EQ(158, context_.trackWindowX);
  EXPECT_EQ(118, context_.trackWindowY);
  // Left and up no further than 0.
  SetBox(BoxAround(0, 0, kKeepWidth, kKeepHeight));
  SetWindow(10, 4, 2);
  Update();
  EXPECT_EQ(0, context_.trackWindowX);
  EXPECT_EQ(0, context_.trackWindowY);
  // At level 0 there is no room: the window stays at 0.
  SetBox(BoxAround(620, 460, 600, 460));
  SetWindow(0, 0, 0);
  Update(640, 480);
  EXPECT_EQ(0u, context_.trackZoomLevel);
  EXPECT_EQ(0, context_.trackWindowX);
  EXPECT_EQ(0, context_.trackWindowY);
}

TEST_F(TrackingWindowTest, ClampKeepsTheWindowEvenAndInsideTheFrame) {
  // A centred box: no pan, only the clamp acts.
  SetBox(BoxAround(341, 241, kKeepWidth, kKeepHeight));
  SetWindow(10, 101, 61);
  Update();
  EXPECT_EQ(100, context_.trackWindowX);
  EXPECT_EQ(60, context_.trackWindowY);
  // A window 560 x 420 leaves room up to 78 and 58.
  SetWindow(10, 100, 60);
  Update(560, 420);
  EXPECT_EQ(78, context_.trackWindowX);
  EXPECT_EQ(58, context_.trackWindowY);
  // A window of the whole frame leaves no room at all.
  SetWindow(10, 100, 60);
  Update(640, 480);
  EXPECT_EQ(0, context_.trackWindowX);
  EXPECT_EQ(0, context_.trackWindowY);
}

TEST_F(TrackingWindowTest, NothingMovesWithoutAWorkArea) {
  context_.faceWorkArea = nullptr;
  SetWindow(7, 31, 17);
  Update();
  EXPECT_EQ(7u, context_.trackZoomLevel);
  EXPECT_EQ(31, context_.trackWindowX);
  EXPECT_EQ(17, context_.trackWindowY);
  std::vector<uint8_t> frame = UniformYuyv(kWidth, kHeight, 60, 128, 128);
  const std::vector<uint8_t> before = frame;
  context_.faceDescription = 1;
  TrackFaceInFrame(&context_, frame.data(), kWidth, kHeight);
  EXPECT_EQ(before, frame);
}

class TrackFaceInFrameTest : public MinidriverTest {};

TEST_F(TrackFaceInFrameTest, RunsTheTrackerAndDrawsTheBoxWhenAsked) {
  ASSERT_EQ(0, Init("OV9650"));
  uint32_t captureWidth = 0, captureHeight = 0;
  ISPFunc_StartCapture(context_, kDevice, SORVEX_FORMAT_YUYV, kWidth, kHeight, &captureWidth,
                       &captureHeight);
  ASSERT_NE(nullptr, context_->faceWorkArea);
  std::vector<uint8_t> frame = UniformYuyv(kWidth, kHeight, 60, 128, 128);
  const std::vector<uint8_t> before = frame;

  context_->faceDescription = 0;
  TrackFaceInFrame(context_, frame.data(), kWidth, kHeight);
  EXPECT_EQ(before, frame);
  EXPECT_EQ(1u, *FacePhaseSlot(context_->faceWorkArea));

  // The start box is the whole frame: its outline is drawn but for the
  // bottom-right pixel.
  context_->faceDescription = 1;
  TrackFaceInFrame(context_, frame.data(), kWidth, kHeight);
  EXPECT_EQ(2u, *FacePhaseSlot(context_->faceWorkArea));
  const auto marked = [&](uint32_t x, uint32_t y) {
    const size_t p = 2 * (static_cast<size_t>(y) * kWidth + x);
    return frame[p] == 0xFF && frame[p + 1] == 0xFF;
  };
  EXPECT_TRUE(marked(0, 0));
  EXPECT_TRUE(marked(kWidth - 1, kHeight - 2));
  EXPECT_TRUE(marked(kWidth - 2, kHeight - 1));
  EXPECT_FALSE(marked(kWidth - 1, kHeight - 1));
  EXPECT_FALSE(marked(kWidth / 2, kHeight / 2));
}

}  // namespace
}  // namespace sorvextest
