// The face tracker's 16-frame cycle, its lock, the tracking box it publishes,
// the drawing of that box, and a real portrait followed by the tracking window,
// both by the tracker alone and streamed through the whole pipeline.

#include "face/face_tracking.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "face_test_support.h"
#include "fake_minidriver.h"
#include "hostkernel/host_control.h"
#include "core/isp_context.h"
#include "frame/tracking_window.h"
#include "png_image.h"
#include "rgb_image.h"
#include "sensorsim/sensor_model.h"
#include "face/face_candidates.h"
#include "sorvex1.h"

using namespace sorvex0;

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
// the same colour. The tests scale the portrait to 480 x 480 and pad it with
// dark blue to 640 x 480, which puts the face at x 249..333, y 72..154.
constexpr uint32_t kPortraitWidth = 640;
constexpr uint32_t kPortraitHeight = 480;
constexpr TrackBox kPortraitFace = {249, 333, 72, 154};

// The padded portrait; false (with a test failure) when it cannot be loaded.
bool LoadPortrait(testsupport::RgbImage *portrait) {
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
  *portrait = testsupport::RgbImage(kPortraitWidth, kPortraitHeight);
  for (int32_t y = 0; y < portrait->height; ++y) {
    for (int32_t x = 0; x < portrait->width; ++x) {
      const uint8_t padding[3] = {30, 40, 110};
      const int32_t px = x - 80;
      const uint8_t *in = (px < 0 || px >= 480) ? padding : photo.At(px * 512 / 480, y * 512 / 480);
      std::copy(in, in + 3, portrait->At(x, y));
    }
  }
  return true;
}

int32_t Overlap(int32_t low1, int32_t high1, int32_t low2, int32_t high2) {
  return std::max(0, std::min(high1, high2) - std::max(low1, low2));
}

// Why the box does not hold the whole face: the tracker's box is the tallest
// face-shaped window (two thirds as wide as tall, more than two thirds skin)
// in the largest skin-coloured region, at the first fit scanning from the
// region's top left. In this portrait the hair has the face's colour, so the
// region is the whole head, about 40 grid rows (160 pixels) from the top of
// the hair to the chin and wider than the window. The window's height is
// capped by the region's, which makes it about 25 columns (100 pixels) wide,
// and the first fit puts it at the top of the hair and over the hair left of
// the face: it holds the face's centre and most of the face but not the right
// cheek. Traced cell by cell on this picture, the skin mask, the extent maps,
// the regions and the bisection all follow the tracker's rules: the box is
// what they give, not an error. It is not much larger than the head either.
::testing::AssertionResult HoldsMostOfTheFace(const TrackBox &box) {
  const TrackBox &face = kPortraitFace;
  const int32_t faceCentreX = (face.left + face.right) / 2;
  const int32_t faceCentreY = (face.top + face.bottom) / 2;
  const int32_t faceArea = (face.right - face.left) * (face.bottom - face.top);
  const int32_t covered = Overlap(box.left, box.right, face.left, face.right) *
                          Overlap(box.top, box.bottom, face.top, face.bottom);
  const std::string named = "box " + ::testing::PrintToString(box);
  if (faceCentreX < box.left || faceCentreX > box.right || faceCentreY < box.top ||
      faceCentreY > box.bottom) {
    return ::testing::AssertionFailure() << named << " misses the face's centre";
  }
  if (covered * 3 < faceArea * 2) {
    return ::testing::AssertionFailure() << named << " covers too little of the face";
  }
  if ((box.right - box.left) * (box.bottom - box.top) > 3 * faceArea) {
    return ::testing::AssertionFailure() << named << " is much larger than the head";
  }
  return ::testing::AssertionSuccess();
}

// The size of the window the crop cuts at a tracking level, in output
// pixels: the kept width rounded up to 16, and the height in proportion.
int32_t TrackWindowWidth(uint32_t level) {
  const uint32_t kept = kPortraitWidth - kPortraitWidth * level / 40;
  return static_cast<int32_t>((kept + 15) / 16 * 16);
}
int32_t TrackWindowHeight(uint32_t level) {
  return static_cast<int32_t>(kPortraitHeight) * TrackWindowWidth(level) /
         static_cast<int32_t>(kPortraitWidth);
}

// The portrait mosaiced to Bayer and converted to YUYV with the conversion
// library, as the camera would, and given to the tracker directly.
class PortraitTest : public MinidriverTest {
 protected:
  static constexpr uint32_t kWidth = kPortraitWidth;
  static constexpr uint32_t kHeight = kPortraitHeight;
  static constexpr TrackBox kFace = kPortraitFace;

  // The portrait as a 640 x 480 YUYV frame; false when it cannot be loaded.
  bool PortraitFrame(std::vector<uint8_t> *yuyv) {
    testsupport::RgbImage portrait;
    if (!LoadPortrait(&portrait)) return false;
    std::vector<uint8_t> raw = testsupport::MosaicToBayer(portrait);
    yuyv->assign(static_cast<size_t>(kWidth) * kHeight * 2, 0);
    FUNC_RawToYuv(context_->conversionOps, raw.data(), kWidth, kHeight, yuyv->data(), kWidth,
                  kHeight);
    return true;
  }
};

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
  EXPECT_TRUE(HoldsMostOfTheFace(box));

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
    UpdateTrackingWindow(context_, kWidth, kHeight, TrackWindowWidth(level),
                         TrackWindowHeight(level));
    ASSERT_EQ(std::min(level + 1, 20u), context_->trackZoomLevel) << "frame " << n;
    const int32_t x = context_->trackWindowX;
    const int32_t y = context_->trackWindowY;
    const uint32_t newLevel = context_->trackZoomLevel;
    ASSERT_TRUE(x >= 0 && x + TrackWindowWidth(newLevel) <= static_cast<int32_t>(kWidth))
        << "frame " << n;
    ASSERT_TRUE(y >= 0 && y + TrackWindowHeight(newLevel) <= static_cast<int32_t>(kHeight))
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
  EXPECT_TRUE(x <= kFace.left && kFace.right <= x + TrackWindowWidth(20));
  EXPECT_EQ(0, y);
  EXPECT_TRUE(y <= kFace.top && kFace.bottom <= y + TrackWindowHeight(20));
}


// The portrait streamed through the whole camera path: an OV9650 at high
// speed captures 1280 x 960 for a 640 x 480 stream, the application turns
// face tracking and the box drawing on through the custom properties, and
// every frame goes through ISPFunc_RawToImg (processing mode 2), with the
// clock advancing a frame time each time.
class PortraitPipelineTest : public MinidriverTest, public ::testing::WithParamInterface<uint32_t> {
 protected:
  static constexpr int64_t kFrameTime = 333333;  // 100 ns units: 30 frames a second
  static constexpr uint32_t kFaceTrackingProperty = 61;
  static constexpr uint32_t kFaceDescriptionProperty = 62;

  void TearDown() override {
    MinidriverTest::TearDown();
    hostkernel::FollowRealClock();
  }

  uint32_t SetCustomProperty(uint32_t id, int32_t value) {
    // A property header (set GUID, then the identifier) and the standard
    // record (the header copy, the value word, the item word).
    uint8_t header[24] = {};
    std::memcpy(header + 16, &id, sizeof id);
    uint8_t record[32] = {};
    std::memcpy(record + 24, &value, sizeof value);
    SorvexPropertyDescriptor request{header, 0, record, 0, 0};
    return ISPFunc_prpmanf_SetCustomProperty(context_, kDevice, &request);
  }

  // One frame through the pipeline, on a copy of `raw` (the pipeline
  // changes the raw frame in place).
  std::vector<uint8_t> RunFrame(const std::vector<uint8_t> &raw) {
    std::vector<uint8_t> frame = raw;
    const size_t pixels = static_cast<size_t>(kPortraitWidth) * kPortraitHeight;
    std::vector<uint8_t> out(GetParam() == SORVEX_FORMAT_YUYV ? 2 * pixels : 3 * pixels);
    hostkernel::AdvanceSystemTime(kFrameTime);
    ISPFunc_RawToImg(context_, kDevice, GetParam(), 50, 50, 50, 50, 50, 50, 50, 50, 50,
                     out.data(), frame.data(), kPortraitWidth, kPortraitHeight);
    return out;
  }
};

// What the sensor sees of the portrait at 1280 x 960: the picture enlarged
// two times, in linear light (its sRGB gamma undone: the pipeline applies
// its own tone curve), and in the sensor model's colour response, with less
// red and blue than green for a white (the response the white-balance tables
// are made for).
// Mosaicing the picture's bytes unchanged shows it to the pipeline with the
// gamma applied twice and a strong red cast; the beige wall then turns skin
// coloured and the tracker locks on the wall.
std::vector<uint8_t> SensorRawFrame(const testsupport::RgbImage &portrait) {
  const sensorsim::Illuminant native = sensorsim::NativeResponse(sensorsim::Family::kOv9650);
  const double responses[3] = {native.red, native.green, native.blue};
  uint8_t linear[3][256];
  for (int c = 0; c < 3; ++c) {
    for (int v = 0; v < 256; ++v) {
      linear[c][v] = static_cast<uint8_t>(std::pow(v / 255.0, 2.2) * responses[c] * 255.0 + 0.5);
    }
  }
  testsupport::RgbImage seen(2 * portrait.width, 2 * portrait.height);
  for (int32_t y = 0; y < seen.height; ++y) {
    for (int32_t x = 0; x < seen.width; ++x) {
      const uint8_t *in = portrait.At(x / 2, y / 2);
      for (int c = 0; c < 3; ++c) seen.At(x, y)[c] = linear[c][in[c]];
    }
  }
  return testsupport::MosaicToBayer(seen);
}

double Luma(const uint8_t *rgb) { return 0.299 * rgb[0] + 0.587 * rgb[1] + 0.114 * rgb[2]; }

// The output frame as a top-down RGB picture (YUYV as grey, from its luma).
testsupport::RgbImage OutputPicture(uint32_t format, const std::vector<uint8_t> &out) {
  const int32_t w = kPortraitWidth, h = kPortraitHeight;
  if (format != SORVEX_FORMAT_YUYV) return testsupport::BitmapToRgb(out.data(), w, h);
  testsupport::RgbImage picture(w, h);
  for (int32_t i = 0; i < w * h; ++i) {
    std::fill(picture.pixels.begin() + 3 * i, picture.pixels.begin() + 3 * i + 3, out[2 * i]);
  }
  return picture;
}

// Normalised cross-correlation of the luma of the output, halved in both
// directions, with the same-sized part of the portrait at (left, top): 1 when
// one is only a brightness and contrast change of the other.
double MatchHalvedOutput(const testsupport::RgbImage &output,
                         const testsupport::RgbImage &portrait, int32_t left, int32_t top) {
  double sumA = 0, sumB = 0, sumAA = 0, sumBB = 0, sumAB = 0;
  const int32_t w = output.width / 2, h = output.height / 2;
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      const double a = (Luma(output.At(2 * x, 2 * y)) + Luma(output.At(2 * x + 1, 2 * y)) +
                        Luma(output.At(2 * x, 2 * y + 1)) + Luma(output.At(2 * x + 1, 2 * y + 1))) /
                       4;
      const double b = Luma(portrait.At(left + x, top + y));
      sumA += a;
      sumB += b;
      sumAA += a * a;
      sumBB += b * b;
      sumAB += a * b;
    }
  }
  const double n = static_cast<double>(w) * h;
  const double covariance = sumAB - sumA * sumB / n;
  return covariance / std::sqrt((sumAA - sumA * sumA / n) * (sumBB - sumB * sumB / n));
}

// The drawn box sets Y and a chroma byte to 255 on its edges; a bitmap
// shows that with full red and full blue.
bool IsBoxMark(uint32_t format, const uint8_t *rgb) {
  if (format == SORVEX_FORMAT_YUYV) return rgb[0] >= 250;
  return rgb[0] >= 250 && rgb[2] >= 250;
}

// Share of the pixels from (x0, y0) to (x1, y1) (a row or a column, ends
// included) that have a box mark on them or on a neighbour across the line:
// the two-times enlargement spreads a one-pixel edge over two lines.
double MarkedShare(uint32_t format, const testsupport::RgbImage &output, int32_t x0, int32_t y0,
                   int32_t x1, int32_t y1) {
  const bool row = y0 == y1;
  int32_t marked = 0, count = 0;
  for (int32_t x = x0, y = y0; x <= x1 && y <= y1; x += row ? 1 : 0, y += row ? 0 : 1) {
    bool hit = false;
    for (int32_t d = -1; d <= 1; ++d) {
      const int32_t px = row ? x : x + d, py = row ? y + d : y;
      if (px >= 0 && px < output.width && py >= 0 && py < output.height)
        hit = hit || IsBoxMark(format, output.At(px, py));
    }
    marked += hit ? 1 : 0;
    ++count;
  }
  return count == 0 ? 0 : static_cast<double>(marked) / count;
}

TEST_P(PortraitPipelineTest, LocksOnTheFaceAndTheOutputZoomsOntoIt) {
  if (std::getenv("SORVEX_TESTDATA") == nullptr) GTEST_SKIP() << "SORVEX_TESTDATA is not set";
  const uint32_t format = GetParam();
  // The clock is set before the capture starts: the exposure step's timer
  // starts with the capture and runs only when the clock moves on from there.
  hostkernel::SetSystemTime(132000000000000000LL);
  ASSERT_EQ(0, Init("OV9650"));
  uint32_t captureWidth = 0, captureHeight = 0;
  ISPFunc_StartCapture(context_, kDevice, format, kPortraitWidth, kPortraitHeight, &captureWidth,
                       &captureHeight);
  ASSERT_EQ(1280u, captureWidth);
  ASSERT_EQ(960u, captureHeight);
  ASSERT_EQ(32u, SetCustomProperty(kFaceTrackingProperty, 1));
  ASSERT_EQ(32u, SetCustomProperty(kFaceDescriptionProperty, 1));
  uint8_t *area = context_->faceWorkArea;
  ASSERT_NE(nullptr, area);
  testsupport::RgbImage portrait;
  ASSERT_TRUE(LoadPortrait(&portrait));
  const std::vector<uint8_t> raw = SensorRawFrame(portrait);

  // The first frames after the start are blank (three for YUYV, five for a
  // bitmap) and the tracker does not see them; the lock still comes within
  // two cycles of the frames fed.
  std::vector<uint8_t> out;
  int lockFrame = -1;
  for (int n = 0; n < 32 && lockFrame < 0; ++n) {
    out = RunFrame(raw);
    if (*FaceLockFlag(area) != 0) lockFrame = n;
  }
  ASSERT_GE(lockFrame, 0) << "no lock within two cycles";
  RecordProperty("lock_frame", lockFrame);
  EXPECT_TRUE(HoldsMostOfTheFace(*FaceTrackBox(area)));

  // The window zooms in to the central half and pans until its centre is
  // within the pan's dead band (16 pixels) of the box's; it never zooms out,
  // never leaves the frame, and at full zoom never moves away from the box.
  // Each cycle locks again, and on the face again.
  uint32_t level = 0;
  int32_t windowX = 0, windowY = 0;
  int32_t lastOffset = INT32_MAX;
  for (int n = 0; n < 48; ++n) {
    level = context_->trackZoomLevel;
    windowX = context_->trackWindowX;
    windowY = context_->trackWindowY;
    out = RunFrame(raw);
    const TrackBox box = *FaceTrackBox(area);
    ASSERT_TRUE(HoldsMostOfTheFace(box)) << "frame " << n;
    const uint32_t newLevel = context_->trackZoomLevel;
    const int32_t x = context_->trackWindowX;
    const int32_t y = context_->trackWindowY;
    ASSERT_GE(newLevel, level) << "frame " << n;
    ASSERT_TRUE(x >= 0 && x + TrackWindowWidth(newLevel) <= static_cast<int32_t>(kPortraitWidth))
        << "frame " << n << ": x " << x << " at level " << newLevel;
    ASSERT_TRUE(y >= 0 && y + TrackWindowHeight(newLevel) <= static_cast<int32_t>(kPortraitHeight))
        << "frame " << n << ": y " << y << " at level " << newLevel;
    if (newLevel == 20) {
      const int32_t windowCentre = x + TrackWindowWidth(20) / 2;
      const int32_t offset = std::abs(box.left + (box.right - box.left) / 2 - windowCentre);
      ASSERT_LE(offset, lastOffset) << "frame " << n;
      lastOffset = offset;
    }
  }
  EXPECT_EQ(20u, context_->trackZoomLevel);
  EXPECT_LE(lastOffset, 16);

  // The last output shows the window it was cut with, the central-half-sized
  // part of the frame at the window's position (on the crop's 4-pixel
  // steps), enlarged two times: it matches that part of the portrait better
  // than any part shifted by up to 16 pixels, and it holds the whole face.
  ASSERT_EQ(20u, level);
  const int32_t shownWidth = static_cast<int32_t>(kPortraitWidth / 2);
  const int32_t shownHeight = static_cast<int32_t>(kPortraitHeight / 2);
  const int32_t left = windowX / 4 * 4;
  const int32_t top = windowY / 4 * 4;
  const testsupport::RgbImage output = OutputPicture(format, out);
  const double match = MatchHalvedOutput(output, portrait, left, top);
  EXPECT_GT(match, 0.9);
  for (int32_t dy = -16; dy <= 16; dy += 4) {
    for (int32_t dx = -16; dx <= 16; dx += 4) {
      const int32_t x = left + dx, y = top + dy;
      const bool inside = x >= 0 && y >= 0 && x + shownWidth <= portrait.width &&
                          y + shownHeight <= portrait.height;
      if ((dx == 0 && dy == 0) || !inside) continue;
      EXPECT_LT(MatchHalvedOutput(output, portrait, x, y), match) << "shifted " << dx << ", " << dy;
    }
  }
  EXPECT_TRUE(left <= kPortraitFace.left && kPortraitFace.right < left + shownWidth);
  EXPECT_TRUE(top <= kPortraitFace.top && kPortraitFace.bottom < top + shownHeight);

  // The box drawn into the frame before the crop is in the output too, at
  // the same place in the enlarged window, and inside the output; lines
  // eight pixels inside it carry no marks.
  const TrackBox box = *FaceTrackBox(area);
  const TrackBox drawn = {2 * (box.left - left), 2 * (box.right - left), 2 * (box.top - top),
                          2 * (box.bottom - top)};
  SCOPED_TRACE("drawn box " + ::testing::PrintToString(drawn));
  ASSERT_TRUE(drawn.left >= 0 && drawn.right < output.width && drawn.top >= 0 &&
              drawn.bottom < output.height);
  struct Line {
    const char *name;
    int32_t x0, y0, x1, y1;
    double least, most;  // the share of marked pixels expected
  };
  const Line lines[] = {
      {"top", drawn.left, drawn.top, drawn.right - 2, drawn.top, 0.9, 1.0},
      {"bottom", drawn.left, drawn.bottom, drawn.right - 2, drawn.bottom, 0.9, 1.0},
      {"left", drawn.left, drawn.top, drawn.left, drawn.bottom - 2, 0.9, 1.0},
      {"right", drawn.right, drawn.top, drawn.right, drawn.bottom - 2, 0.9, 1.0},
      {"inside top", drawn.left + 8, drawn.top + 8, drawn.right - 8, drawn.top + 8, 0.0, 0.1},
      {"inside left", drawn.left + 8, drawn.top + 8, drawn.left + 8, drawn.bottom - 8, 0.0, 0.1},
  };
  for (const Line &line : lines) {
    const double share = MarkedShare(format, output, line.x0, line.y0, line.x1, line.y1);
    EXPECT_TRUE(share >= line.least && share <= line.most) << line.name << ": " << share;
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, PortraitPipelineTest,
                         ::testing::Values(SORVEX_FORMAT_YUYV, SORVEX_FORMAT_RGB24),
                         [](const ::testing::TestParamInfo<uint32_t> &info) {
                           return std::string(info.param == SORVEX_FORMAT_YUYV ? "Yuyv" : "Rgb24");
                         });

}  // namespace
}  // namespace sorvextest
