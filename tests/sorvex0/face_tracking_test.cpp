// The face tracker's 16-frame cycle, its lock, the tracking box it publishes,
// the drawing of that box, and a real portrait followed by the tracking window.

#include "settings/face_tracking.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "face_test_support.h"
#include "fake_minidriver.h"
#include "pipeline/context/isp_context.h"
#include "pipeline/tracking_window.h"
#include "png_image.h"
#include "rgb_image.h"
#include "settings/face_candidates.h"
#include "sorvex1.h"

namespace sorvextest {
namespace {

constexpr TrackBox kFallback = {79, 81, 59, 61};
// Grey: U = V = 128 is -128 as a signed byte, far from every reference colour.
constexpr uint8_t kGreyY = 120;
constexpr uint8_t kNeutral = 128;

class FaceTrackingTest : public ::testing::Test {
 protected:
  // The state capture start leaves for a W x H stream.
  void StartStream(uint32_t width, uint32_t height) {
    *FaceTrackBox(Area()) =
        TrackBox{0, static_cast<int32_t>(width) - 1, 0, static_cast<int32_t>(height) - 1};
    *FacePhaseSlot(Area()) = 0;
    *FaceLockFlag(Area()) = 0;
  }
  uint8_t *Area() { return area_.data(); }
  uint32_t Phase() { return *FacePhaseSlot(Area()); }
  uint32_t Locked() { return *FaceLockFlag(Area()); }
  TrackBox Box() { return *FaceTrackBox(Area()); }

  FaceWorkAreaBuffer area_;
};

// 640 x 480 grey with a skin patch of frame pixels [200, 360) x [100, 300),
// grid cells 50..89 x 25..74.
std::vector<uint8_t> PatchFrame(uint8_t u, uint8_t v, uint32_t left = 200, uint32_t top = 100) {
  std::vector<uint8_t> frame = UniformYuyv(640, 480, kGreyY, kNeutral, kNeutral);
  PaintChroma(&frame, 640, left, left + 160, top, top + 200, u, v);
  return frame;
}

TEST_F(FaceTrackingTest, NoSkinGivesCentreCandidatesAndNoLock) {
  StartStream(640, 480);
  const std::vector<uint8_t> frame = UniformYuyv(640, 480, kGreyY, kNeutral, kNeutral);
  for (int n = 0; n < 16; ++n) {
    FaceTrackFrame(Area(), frame.data(), 640, 480);
    if (n % 4 == 1) {
      for (uint32_t i = 0; i < kFaceCandidateCount; ++i)
        ASSERT_EQ(kFallback, FaceCandidates(Area())[i]);
    }
    // The choice's area, 4, is under the minimum: the box stays.
    ASSERT_EQ(0u, Locked()) << "frame " << n;
    ASSERT_EQ((TrackBox{0, 639, 0, 479}), Box()) << "frame " << n;
  }
  EXPECT_EQ(0u, Phase());
}

TEST_F(FaceTrackingTest, LocksInPhaseTwoAndHoldsTheBoxUntilTheCycleWraps) {
  StartStream(640, 480);
  std::vector<uint8_t> frame = PatchFrame(108, 152);
  FaceTrackFrame(Area(), frame.data(), 640, 480);
  FaceTrackFrame(Area(), frame.data(), 640, 480);
  EXPECT_EQ(0u, Locked());
  EXPECT_EQ((TrackBox{0, 639, 0, 479}), Box());
  // The patch's tallest face-shaped window, 30 x 46 cells, four pixels each.
  EXPECT_EQ((TrackBox{50, 80, 25, 71}), FaceCandidates(Area())[0]);
  FaceTrackFrame(Area(), frame.data(), 640, 480);
  EXPECT_EQ(1u, Locked());
  EXPECT_EQ(3u, Phase());
  const TrackBox locked = {200, 320, 100, 284};
  EXPECT_EQ(locked, Box());

  // While locked no phase runs: the face moves, marks left in the grid and
  // the candidates stay, and so does the box.
  frame = PatchFrame(108, 152, 400, 200);
  FaceChromaGrid(Area())[0] = 0xAB;
  FaceCandidates(Area())[0] = TrackBox{1, 2, 3, 4};
  for (uint32_t n = 3; n < 15; ++n) {
    FaceTrackFrame(Area(), frame.data(), 640, 480);
    ASSERT_EQ(1u, Locked()) << "frame " << n;
    ASSERT_EQ(n + 1, Phase());
  }
  FaceTrackFrame(Area(), frame.data(), 640, 480);
  EXPECT_EQ(0u, Locked());
  EXPECT_EQ(0u, Phase());
  EXPECT_EQ(0xAB, FaceChromaGrid(Area())[0]);
  EXPECT_EQ((TrackBox{1, 2, 3, 4}), FaceCandidates(Area())[0]);
  EXPECT_EQ(locked, Box());

  // The next cycle finds the face where it moved to.
  for (int n = 0; n < 3; ++n) FaceTrackFrame(Area(), frame.data(), 640, 480);
  EXPECT_EQ(1u, Locked());
  EXPECT_EQ((TrackBox{400, 520, 200, 384}), Box());
}

// Each group of four frames looks for its own skin colour, so a colour that
// only one group takes for skin locks in that group's choice frame.
TEST_F(FaceTrackingTest, EachGroupSearchesItsOwnReferenceColour) {
  struct Case {
    uint8_t u, v;
    uint32_t lockFrame;
  };
  const Case cases[] = {{108, 152, 2}, {94, 172, 6}, {127, 129, 14}};
  for (const Case &c : cases) {
    StartStream(640, 480);
    const std::vector<uint8_t> frame = PatchFrame(c.u, c.v);
    for (uint32_t n = 0; n < c.lockFrame; ++n) {
      FaceTrackFrame(Area(), frame.data(), 640, 480);
      ASSERT_EQ(0u, Locked()) << "colour (" << int{c.u} << ", " << int{c.v} << ") frame " << n;
    }
    FaceTrackFrame(Area(), frame.data(), 640, 480);
    EXPECT_EQ(1u, Locked()) << "colour (" << int{c.u} << ", " << int{c.v} << ")";
    const TrackBox box = Box();
    EXPECT_TRUE(box.left >= 200 && box.right < 360 && box.top >= 100 && box.bottom < 300)
        << ::testing::PrintToString(box);
  }
}

TEST_F(FaceTrackingTest, FramesSmallerThanTheGridAreSkipped) {
  StartStream(640, 480);
  std::memset(Area(), 0x5A, kFaceTrackBoxOffset);
  const std::vector<uint8_t> before(Area(), Area() + kFaceWorkAreaBytes);
  const std::vector<uint8_t> small = UniformYuyv(159, 480, kGreyY, 108, 152);
  const std::vector<uint8_t> low = UniformYuyv(640, 119, kGreyY, 108, 152);
  for (int n = 0; n < 20; ++n) {
    FaceTrackFrame(Area(), small.data(), 159, 480);
    FaceTrackFrame(Area(), low.data(), 640, 119);
  }
  EXPECT_TRUE(std::equal(before.begin(), before.end(), Area()));
  EXPECT_EQ(0u, Phase());
}

TEST_F(FaceTrackingTest, NullAreaOrFrameDoesNothing) {
  const std::vector<uint8_t> frame = PatchFrame(108, 152);
  FaceTrackFrame(nullptr, frame.data(), 640, 480);
  StartStream(640, 480);
  FaceTrackFrame(Area(), nullptr, 640, 480);
  EXPECT_EQ(0u, Phase());
  std::vector<uint8_t> copy = frame;
  DrawTrackingBox(nullptr, copy.data(), 640, 480);
  DrawTrackingBox(Area(), nullptr, 640, 480);
  EXPECT_EQ(frame, copy);
}

// The start box lies partly in the grid margins at 352 x 288 and wraps on
// the grid, so the choice cannot follow it and takes the largest candidate;
// at 640 x 480 the same picture has no margins and the candidate in the
// middle of the frame is chosen.
TEST_F(FaceTrackingTest, WrappedStartBoxTakesTheLargestCandidate) {
  struct Size {
    uint32_t width, height, step, marginX, marginY;
  };
  struct Region {
    uint32_t left, right, top, bottom;  // grid cells, edges included
  };
  const Region large = {0, 47, 0, 99};
  const Region middle = {64, 95, 40, 84};
  const Size sizes[] = {{352, 288, 2, 16, 24}, {640, 480, 4, 0, 0}};
  for (const Size &s : sizes) {
    StartStream(s.width, s.height);
    std::vector<uint8_t> frame = UniformYuyv(s.width, s.height, kGreyY, kNeutral, kNeutral);
    for (const Region &r : {large, middle}) {
      PaintChroma(&frame, s.width, s.marginX + r.left * s.step, s.marginX + (r.right + 1) * s.step,
                  s.marginY + r.top * s.step, s.marginY + (r.bottom + 1) * s.step, 108, 152);
    }
    for (int n = 0; n < 3; ++n) FaceTrackFrame(Area(), frame.data(), s.width, s.height);
    ASSERT_EQ(1u, Locked()) << s.width;
    const Region &expected = s.width == 352 ? large : middle;
    const TrackBox box = Box();
    EXPECT_GE(box.left, static_cast<int32_t>(s.marginX + expected.left * s.step)) << s.width;
    EXPECT_LE(box.right, static_cast<int32_t>(s.marginX + expected.right * s.step)) << s.width;
    EXPECT_GE(box.top, static_cast<int32_t>(s.marginY + expected.top * s.step)) << s.width;
    EXPECT_LE(box.bottom, static_cast<int32_t>(s.marginY + expected.bottom * s.step)) << s.width;
  }
}

// Counts the pixels whose two bytes are both 0xFF.
size_t MarkedPixels(const std::vector<uint8_t> &frame) {
  size_t marked = 0;
  for (size_t p = 0; p + 1 < frame.size(); p += 2)
    marked += (frame[p] == 0xFF && frame[p + 1] == 0xFF) ? 1 : 0;
  return marked;
}

bool IsMarked(const std::vector<uint8_t> &frame, uint32_t width, uint32_t x, uint32_t y) {
  const size_t p = 2 * (static_cast<size_t>(y) * width + x);
  return frame[p] == 0xFF && frame[p + 1] == 0xFF;
}

TEST_F(FaceTrackingTest, DrawMarksTheEdgesButNotTheFarCorner) {
  *FaceTrackBox(Area()) = TrackBox{10, 20, 5, 12};
  std::vector<uint8_t> frame = UniformYuyv(32, 24, 0x10, 0x80, 0x80);
  DrawTrackingBox(Area(), frame.data(), 32, 24);
  EXPECT_TRUE(IsMarked(frame, 32, 10, 5));
  EXPECT_TRUE(IsMarked(frame, 32, 19, 5));
  EXPECT_TRUE(IsMarked(frame, 32, 20, 5));
  EXPECT_TRUE(IsMarked(frame, 32, 20, 11));
  EXPECT_TRUE(IsMarked(frame, 32, 10, 12));
  EXPECT_TRUE(IsMarked(frame, 32, 19, 12));
  EXPECT_FALSE(IsMarked(frame, 32, 20, 12));
  EXPECT_FALSE(IsMarked(frame, 32, 15, 8));
  EXPECT_FALSE(IsMarked(frame, 32, 9, 5));
  // Rows of 10 and columns of 7 pixels, sharing the top-left corner.
  EXPECT_EQ(2u * 10 + 2u * 7 - 1, MarkedPixels(frame));
}

TEST_F(FaceTrackingTest, DrawClipsTheBoxToTheFrame) {
  // The frame sits between guard bytes that must stay untouched.
  const uint32_t width = 32, height = 24;
  const size_t guard = 64;
  std::vector<uint8_t> buffer(guard + width * height * 2 + guard, 0x33);
  std::vector<uint8_t> frame(buffer.begin() + guard, buffer.end() - guard);

  // Every edge outside the frame: nothing drawn.
  *FaceTrackBox(Area()) = TrackBox{-5, 40, -3, 30};
  std::vector<uint8_t> drawn = frame;
  DrawTrackingBox(Area(), drawn.data(), width, height);
  EXPECT_EQ(0u, MarkedPixels(drawn));

  // Top and left inside: row 3 from column 2 to the right edge, column 2 from
  // row 3 to the bottom edge.
  *FaceTrackBox(Area()) = TrackBox{2, 40, 3, 30};
  std::copy(frame.begin(), frame.end(), buffer.begin() + guard);
  DrawTrackingBox(Area(), buffer.data() + guard, width, height);
  drawn.assign(buffer.begin() + guard, buffer.end() - guard);
  EXPECT_TRUE(IsMarked(drawn, width, 31, 3));
  EXPECT_TRUE(IsMarked(drawn, width, 2, 23));
  EXPECT_EQ(30u + 21u - 1u, MarkedPixels(drawn));
  for (size_t i = 0; i < guard; ++i) {
    ASSERT_EQ(0x33, buffer[i]);
    ASSERT_EQ(0x33, buffer[buffer.size() - 1 - i]);
  }

  // Extreme coordinates: every edge lies outside the frame and nothing overflows.
  *FaceTrackBox(Area()) = TrackBox{INT32_MIN, INT32_MAX, INT32_MIN, INT32_MAX};
  drawn = frame;
  DrawTrackingBox(Area(), drawn.data(), width, height);
  EXPECT_EQ(0u, MarkedPixels(drawn));
}

// A real portrait: "astronaut.png" (512 x 512, public domain) from Debian's
// python3-skimage package, which scripts/fetch_test_images.sh extracts into
// $SORVEX_TESTDATA. In it the face, from the forehead below the hair to the
// chin and from cheek to cheek, spans x 180..270 and y 77..165, centred near
// (225, 120) (found by inspecting the picture); the hair around it has much
// the same colour. The test scales the portrait to 480 x 480 and pads it with
// dark blue to 640 x 480, which puts the face at x 249..333, y 72..154, then
// mosaics it to Bayer and converts it to YUYV with the conversion library, as
// the camera would.
class PortraitTest : public MinidriverTest {
 protected:
  static constexpr uint32_t kWidth = 640;
  static constexpr uint32_t kHeight = 480;
  static constexpr TrackBox kFace = {249, 333, 72, 154};

  // The portrait as a 640 x 480 YUYV frame; false when it cannot be loaded.
  bool PortraitFrame(std::vector<uint8_t> *yuyv) {
    const std::string path = std::string(std::getenv("SORVEX_TESTDATA")) + "/astronaut.png";
    testsupport::RgbImage photo;
    std::string error;
    if (!testsupport::LoadPngRgb(path, &photo, &error)) {
      ADD_FAILURE() << error << " (run scripts/fetch_test_images.sh)";
      return false;
    }
    if (photo.width != 512 || photo.height != 512) {
      ADD_FAILURE() << path << " is " << photo.width << " x " << photo.height << ", not 512 x 512";
      return false;
    }
    testsupport::RgbImage frame(kWidth, kHeight);
    for (int32_t y = 0; y < frame.height; ++y) {
      for (int32_t x = 0; x < frame.width; ++x) {
        const uint8_t padding[3] = {30, 40, 110};
        const int32_t px = x - 80;
        const uint8_t *in =
            (px < 0 || px >= 480) ? padding : photo.At(px * 512 / 480, y * 512 / 480);
        std::copy(in, in + 3, frame.At(x, y));
      }
    }
    std::vector<uint8_t> raw = testsupport::MosaicToBayer(frame);
    yuyv->assign(static_cast<size_t>(kWidth) * kHeight * 2, 0);
    FUNC_RawToYuv(context_->conversionOps, raw.data(), kWidth, kHeight, yuyv->data(), kWidth,
                  kHeight);
    return true;
  }

  // The size of the window the crop cuts at a tracking level, in output
  // pixels: the kept width rounded up to 16, and the height in proportion.
  static int32_t WindowWidth(uint32_t level) {
    const uint32_t kept = kWidth - kWidth * level / 40;
    return static_cast<int32_t>((kept + 15) / 16 * 16);
  }
  static int32_t WindowHeight(uint32_t level) {
    return static_cast<int32_t>(kHeight) * WindowWidth(level) / static_cast<int32_t>(kWidth);
  }
};

int32_t Overlap(int32_t low1, int32_t high1, int32_t low2, int32_t high2) {
  return std::max(0, std::min(high1, high2) - std::max(low1, low2));
}

TEST_F(PortraitTest, TrackerLocksOnTheFaceAndTheWindowFollowsIt) {
  if (std::getenv("SORVEX_TESTDATA") == nullptr) GTEST_SKIP() << "SORVEX_TESTDATA is not set";
  ASSERT_EQ(0, Init("OV9650"));
  uint32_t captureWidth = 0, captureHeight = 0;
  ISPFunc_StartCapture(context_, kDevice, SORVEX_FORMAT_YUYV, kWidth, kHeight, &captureWidth,
                       &captureHeight);
  uint8_t *area = context_->faceWorkArea;
  ASSERT_NE(nullptr, area);
  std::vector<uint8_t> frame;
  ASSERT_TRUE(PortraitFrame(&frame));

  // Within two cycles the tracker locks on a box around the face.
  int lockFrame = -1;
  for (int n = 0; n < 32 && lockFrame < 0; ++n) {
    FaceTrackFrame(area, frame.data(), kWidth, kHeight);
    if (*FaceLockFlag(area) != 0) lockFrame = n;
  }
  ASSERT_GE(lockFrame, 0) << "no lock within two cycles";
  const TrackBox box = *FaceTrackBox(area);
  SCOPED_TRACE("tracking box " + ::testing::PrintToString(box));
  // The box is a face-shaped window (two thirds as wide as tall) placed at the
  // first fit from the top left of the head's skin-coloured region, hair
  // included: it holds the face's centre and most of the face, and it is not
  // much larger than a head.
  const int32_t faceCentreX = (kFace.left + kFace.right) / 2;
  const int32_t faceCentreY = (kFace.top + kFace.bottom) / 2;
  EXPECT_TRUE(box.left <= faceCentreX && faceCentreX <= box.right);
  EXPECT_TRUE(box.top <= faceCentreY && faceCentreY <= box.bottom);
  const int32_t faceArea = (kFace.right - kFace.left) * (kFace.bottom - kFace.top);
  const int32_t covered = Overlap(box.left, box.right, kFace.left, kFace.right) *
                          Overlap(box.top, box.bottom, kFace.top, kFace.bottom);
  EXPECT_GE(covered * 3, faceArea * 2) << "the box covers too little of the face";
  EXPECT_LE((box.right - box.left) * (box.bottom - box.top), 3 * faceArea);

  // Over the following frames the window zooms in one level a frame and pans
  // toward the box, and never leaves the frame. The box lies left of the
  // frame's centre and in its upper half: the window stays at the top edge
  // and, once zooming has brought its centre left of the box, moves right.
  const int32_t boxCentreX = box.left + (box.right - box.left) / 2;
  int32_t lastX = 0;
  int32_t lastOffset = INT32_MAX;
  for (int n = 0; n < 64; ++n) {
    FaceTrackFrame(area, frame.data(), kWidth, kHeight);
    const uint32_t level = context_->trackZoomLevel;
    UpdateTrackingWindow(context_, kWidth, kHeight, WindowWidth(level), WindowHeight(level));
    ASSERT_EQ(std::min(level + 1, 20u), context_->trackZoomLevel) << "frame " << n;
    const int32_t x = context_->trackWindowX;
    const int32_t y = context_->trackWindowY;
    const uint32_t newLevel = context_->trackZoomLevel;
    ASSERT_TRUE(x >= 0 && x + WindowWidth(newLevel) <= static_cast<int32_t>(kWidth))
        << "frame " << n;
    ASSERT_TRUE(y >= 0 && y + WindowHeight(newLevel) <= static_cast<int32_t>(kHeight))
        << "frame " << n;
    ASSERT_GE(x, lastX) << "frame " << n;
    lastX = x;
    if (newLevel == 20) {
      const int32_t offset = std::abs(boxCentreX - (x + static_cast<int32_t>(20 * kWidth / 80)));
      ASSERT_LE(offset, lastOffset) << "frame " << n;
      lastOffset = offset;
    }
    ASSERT_EQ(box, *FaceTrackBox(area)) << "the tracker moved off the face";
  }
  EXPECT_EQ(20u, context_->trackZoomLevel);
  EXPECT_LE(lastOffset, 16);
  // The face lies inside the final window, which shows the central half.
  const int32_t x = context_->trackWindowX;
  const int32_t y = context_->trackWindowY;
  EXPECT_TRUE(x <= kFace.left && kFace.right <= x + WindowWidth(20));
  EXPECT_EQ(0, y);
  EXPECT_TRUE(y <= kFace.top && kFace.bottom <= y + WindowHeight(20));
}

}  // namespace
}  // namespace sorvextest
