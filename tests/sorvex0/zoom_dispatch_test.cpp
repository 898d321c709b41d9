// The zoom front end: the cut, the choice of kernel by the widths and the
// black frame.

#include "zoom/zoom_dispatch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "zoom/step_kernel.h"
#include "zoom/zoom.h"
#include "zoom_test_support.h"

using namespace sorvex0;

namespace {

using zoomtest::Buffer;
using zoomtest::Mean;

using ZoomFunction = void (*)(uint32_t, uint8_t *, uint32_t, uint32_t, uint32_t, uint32_t,
                              ZoomPlacement, ZoomPlacement);

struct Format {
  const char *name;
  uint32_t bpp;
  ZoomFunction zoom;
  void (*doubleImage)(uint8_t *, uint32_t, uint32_t);
  const zoom::StepKernel *(*kernel)(uint32_t);
};

const Format kFormats[] = {{"RGB24", 3, ZoomBitmap, DoubleBitmap, zoom::BitmapStepKernel},
                           {"YUYV", 2, ZoomYuyv, DoubleYuyv, zoom::YuyvStepKernel}};

Buffer RandomFrame(uint32_t w, uint32_t h, uint32_t bpp, uint32_t seed) {
  Buffer frame(size_t{w} * h * bpp);
  zoomtest::Bytes bytes(seed);
  for (size_t i = 0; i < frame.size(); ++i) frame[i] = bytes.Next();
  return frame;
}

// Pixels (x, y) of a packed image of width w.
std::vector<uint8_t> Pixel(const Buffer &image, uint32_t w, uint32_t bpp, uint32_t x, uint32_t y) {
  const uint8_t *p = image.data() + (size_t{y} * w + x) * bpp;
  return std::vector<uint8_t>(p, p + bpp);
}

// The frame holds `window` (w x h packed, as it stood before) at b and zero
// everywhere else.
void ExpectWindowInBlackFrame(const Buffer &frame, uint32_t fw, uint32_t fh, uint32_t bpp,
                              const std::vector<uint8_t> &window, uint32_t w,
                              const ZoomPlacement &b) {
  for (uint32_t y = 0; y < fh; ++y) {
    for (uint32_t x = 0; x < fw; ++x) {
      const bool inside = static_cast<int32_t>(x) >= b.x0 && static_cast<int32_t>(x) < b.x1 &&
                          static_cast<int32_t>(y) >= b.y0 && static_cast<int32_t>(y) < b.y1;
      for (uint32_t c = 0; c < bpp; ++c) {
        const uint8_t expected = inside ? window[((y - static_cast<uint32_t>(b.y0)) * size_t{w} +
                                                  x - static_cast<uint32_t>(b.x0)) *
                                                     bpp +
                                                 c]
                                        : 0;
        ASSERT_EQ(expected, frame[(size_t{y} * fw + x) * bpp + c]) << "pixel " << x << "," << y;
      }
    }
  }
}

TEST(ZoomDispatch, LevelZeroLeavesTheImageAlone) {
  for (const Format &f : kFormats) {
    Buffer frame = RandomFrame(640, 480, f.bpp, 1);
    const std::vector<uint8_t> before = frame.Copy(frame.size());
    f.zoom(0, frame.data(), 320, 240, 640, 480, {160, 120, 480, 360}, {168, 124, 472, 356});
    EXPECT_EQ(before, frame.Copy(frame.size())) << f.name;
  }
}

TEST(ZoomDispatch, TheWidthsChooseTheKernel) {
  EXPECT_EQ(20u, ZoomLevelOfWidths(640, 320));
  EXPECT_EQ(1u, ZoomLevelOfWidths(720, 702));  // 720 x 78 = 702 x 80
  EXPECT_EQ(0u, ZoomLevelOfWidths(700, 684));
  EXPECT_EQ(8u, ZoomLevelOfWidths(1600, 1280));
  EXPECT_EQ(30u, ZoomLevelOfWidths(400, 100));
  EXPECT_EQ(0u, ZoomLevelOfWidths(640, 640));
}

// 640 x 480 at level 20: the 320-pixel window is doubled.
TEST(ZoomDispatch, Level20At640x480Doubles) {
  for (const Format &f : kFormats) {
    Buffer frame = RandomFrame(640, 480, f.bpp, 2);
    Buffer expected(frame.size());
    std::copy(frame.data(), frame.data() + frame.size(), expected.data());
    f.doubleImage(expected.data(), 320, 240);
    f.zoom(20, frame.data(), 320, 240, 640, 480, {160, 120, 480, 360}, {160, 120, 480, 360});
    EXPECT_EQ(expected.Copy(expected.size()), frame.Copy(frame.size())) << f.name;
  }
}

// The doubling written out plainly: along a row pixel, mean, ..., the last pixel
// twice; rows bottom-up, the mean rows between, the first row twice.
std::vector<uint8_t> DoubledBitmap(const std::vector<uint8_t> &image, uint32_t w, uint32_t h) {
  std::vector<std::vector<uint8_t>> widened(h, std::vector<uint8_t>(size_t{w} * 6));
  for (uint32_t y = 0; y < h; ++y) {
    for (uint32_t x = 0; x < w; ++x) {
      for (uint32_t c = 0; c < 3; ++c) {
        const uint8_t here = image[(y * w + x) * 3 + c];
        const uint8_t next = x + 1 < w ? image[(y * w + x + 1) * 3 + c] : here;
        widened[y][6 * x + c] = here;
        widened[y][6 * x + 3 + c] = Mean(here, next);
      }
    }
  }
  std::vector<uint8_t> out(widened[0]);
  for (uint32_t y = 0; y < h; ++y) {
    out.insert(out.end(), widened[y].begin(), widened[y].end());
    if (y + 1 == h) break;
    for (size_t i = 0; i < widened[y].size(); ++i)
      out.push_back(Mean(widened[y][i], widened[y + 1][i]));
  }
  return out;
}

// Level 30 doubles twice. Along a row that gives k, mean(k, m), m,
// mean(m, k + 1) with m the mean of k and k + 1, and the last pixel four
// times; the first four rows are all window row 0.
TEST(ZoomDispatch, Level30DoublesTwice) {
  const Buffer window = RandomFrame(4, 3, 3, 3);
  Buffer frame(16 * 12 * 3);
  std::copy(window.data(), window.data() + window.size(), frame.data());
  ZoomBitmap(1, frame.data(), 4, 3, 16, 12, {6, 4, 10, 7}, {6, 4, 10, 7});
  const std::vector<uint8_t> image = window.Copy(window.size());
  EXPECT_EQ(DoubledBitmap(DoubledBitmap(image, 4, 3), 8, 6), frame.Copy(frame.size()));
  for (uint32_t y = 0; y < 4; ++y) {
    for (uint32_t x = 0; x < 16; ++x) {
      for (uint32_t c = 0; c < 3; ++c) {
        const uint32_t k = x / 4;
        const uint8_t here = image[k * 3 + c], next = image[(k < 3 ? k + 1 : 3) * 3 + c];
        const uint8_t m = Mean(here, next);
        const uint8_t quarter[4] = {here, Mean(here, m), m, Mean(m, next)};
        ASSERT_EQ(quarter[x % 4], frame[(y * 16 + x) * 3 + c]) << x << "," << y;
      }
    }
  }
}

TEST(ZoomDispatch, Level30YuyvKeepsEachPairsChroma) {
  const Buffer window = RandomFrame(4, 2, 2, 4);
  Buffer frame(16 * 8 * 2);
  std::copy(window.data(), window.data() + window.size(), frame.data());
  ZoomYuyv(3, frame.data(), 4, 2, 16, 8, {0, 0, 4, 2}, {0, 0, 4, 2});
  for (uint32_t y = 0; y < 4; ++y) {
    for (uint32_t pair = 0; pair < 8; ++pair) {
      const uint8_t *out = frame.data() + (y * 16 + 2 * pair) * 2;
      const uint8_t *in = window.data() + pair / 4 * 4;
      EXPECT_EQ(in[1], out[1]);
      EXPECT_EQ(in[3], out[3]);
    }
    // Luma of source pixel 0 (k) and 1 (the next): k, mean(k, m), m, mean(m, next).
    const uint8_t k = window[0], next = window[2], m = Mean(k, next);
    const uint8_t *row = frame.data() + y * 32;
    EXPECT_EQ(k, row[0]);
    EXPECT_EQ(Mean(k, m), row[2]);
    EXPECT_EQ(m, row[4]);
    EXPECT_EQ(Mean(m, next), row[6]);
  }
}

// A 176 x 144 output at any level: the window is cut, never enlarged, and
// placed at b in a black frame.
TEST(ZoomDispatch, CifWidthsPlaceTheWindowInABlackFrame) {
  for (const Format &f : kFormats) {
    for (uint32_t frameWidth : {176u, 352u}) {
      const uint32_t frameHeight = frameWidth == 176 ? 144 : 288;
      // A 160 x 120 window image at (8, 12) holding a 148 x 110 zoom window at (14, 16).
      const ZoomPlacement a = {8, 12, 168, 132};
      const ZoomPlacement b = {14, 16, 162, 126};
      Buffer frame = RandomFrame(frameWidth, frameHeight, f.bpp, frameWidth);
      std::vector<uint8_t> cut;
      for (uint32_t y = 4; y < 114; ++y) {
        for (uint32_t x = 6; x < 154; ++x) {
          const std::vector<uint8_t> p = Pixel(frame, 160, f.bpp, x, y);
          cut.insert(cut.end(), p.begin(), p.end());
        }
      }
      f.zoom(7, frame.data(), 160, 120, frameWidth, frameHeight, a, b);
      SCOPED_TRACE(std::string(f.name) + " at width " + std::to_string(frameWidth));
      ExpectWindowInBlackFrame(frame, frameWidth, frameHeight, f.bpp, cut, 148, b);
    }
  }
}

// A window as wide as the frame (as when the source was twice the output):
// the cut happens and nothing is cleared.
TEST(ZoomDispatch, AWindowAsWideAsTheFrameIsOnlyCut) {
  for (const Format &f : kFormats) {
    Buffer frame = RandomFrame(640, 480, f.bpp, 5);
    const std::vector<uint8_t> before = frame.Copy(frame.size());
    f.zoom(20, frame.data(), 640, 470, 640, 480, {0, 4, 640, 474}, {0, 8, 640, 472});
    const size_t row = 640 * f.bpp;
    const std::vector<uint8_t> after = frame.Copy(frame.size());
    // Rows 4..467 of the window image moved up to the start; the rest as before.
    EXPECT_TRUE(std::equal(after.begin(), after.begin() + 464 * row, before.begin() + 4 * row))
        << f.name;
    EXPECT_TRUE(std::equal(after.begin() + 464 * row, after.end(), before.begin() + 464 * row))
        << f.name;
  }
}

// 720 from 702: 720 x 78 = 702 x 80, the level-1 kernel. 700 from 684
// matches no ratio: the black frame.
TEST(ZoomDispatch, OddWidthsTakeTheirKernelOrTheBlackFrame) {
  for (const Format &f : kFormats) {
    SCOPED_TRACE(f.name);
    Buffer frame = RandomFrame(720, 540, f.bpp, 6);
    Buffer expected(frame.size());
    std::copy(frame.data(), frame.data() + frame.size(), expected.data());
    zoom::RunStepKernel(*f.kernel(1), expected.data(), 702, 526, 720, 540);
    f.zoom(1, frame.data(), 702, 526, 720, 540, {9, 7, 711, 533}, {9, 7, 711, 533});
    EXPECT_EQ(expected.Copy(expected.size()), frame.Copy(frame.size()));

    Buffer black = RandomFrame(700, 525, f.bpp, 7);
    const std::vector<uint8_t> window = black.Copy(size_t{684} * 513 * f.bpp);
    f.zoom(1, black.data(), 684, 513, 700, 525, {8, 6, 692, 519}, {8, 6, 692, 519});
    ExpectWindowInBlackFrame(black, 700, 525, f.bpp, window, 684, {8, 6, 692, 519});
  }
}

// A window whose top row is the frame's row 0 moves that row a short way
// along itself: it must arrive whole, not smeared.
TEST(PlaceWindowInFrame, MovesARowOverlappingItselfWhole) {
  for (uint32_t bpp : {2u, 3u}) {
    Buffer frame = RandomFrame(176, 20, bpp, 8);
    const std::vector<uint8_t> window = frame.Copy(size_t{100} * 10 * bpp);
    const ZoomPlacement b = {30, 0, 130, 10};
    PlaceWindowInFrame(bpp, frame.data(), 100, 10, 176, 20, b);
    ExpectWindowInBlackFrame(frame, 176, 20, bpp, window, 100, b);
  }
}

// Off centre the right margin is wider than the left; all of it is cleared.
TEST(PlaceWindowInFrame, ClearsTheWholeRightMargin) {
  Buffer frame = RandomFrame(176, 30, 2, 9);
  const std::vector<uint8_t> window = frame.Copy(size_t{100} * 10 * 2);
  const ZoomPlacement b = {4, 6, 104, 16};
  PlaceWindowInFrame(2, frame.data(), 100, 10, 176, 30, b);
  ExpectWindowInBlackFrame(frame, 176, 30, 2, window, 100, b);
}

// Placements that do not fit the window image or the frame are clipped to
// them; a window image larger than the frame leaves the image alone. The
// sanitizer build checks that nothing outside the frame is touched.
TEST(ZoomDispatch, InconsistentPlacementsStayInsideTheFrame) {
  for (const Format &f : kFormats) {
    SCOPED_TRACE(f.name);
    Buffer frame = RandomFrame(176, 144, f.bpp, 10);
    const std::vector<uint8_t> window = frame.Copy(size_t{100} * 80 * f.bpp);
    // b reaches past the window image's right and bottom edges.
    f.zoom(5, frame.data(), 100, 80, 176, 144, {10, 10, 110, 90}, {20, 20, 130, 100});
    std::vector<uint8_t> clipped;
    for (uint32_t y = 10; y < 80; ++y) {
      clipped.insert(clipped.end(), window.begin() + (y * 100 + 10) * f.bpp,
                     window.begin() + (y * 100 + 100) * f.bpp);
    }
    ExpectWindowInBlackFrame(frame, 176, 144, f.bpp, clipped, 90, {20, 20, 110, 90});

    Buffer big = RandomFrame(64, 48, f.bpp, 11);
    const std::vector<uint8_t> before = big.Copy(big.size());
    f.zoom(5, big.data(), 80, 60, 64, 48, {0, 0, 80, 60}, {0, 0, 80, 60});
    EXPECT_EQ(before, big.Copy(big.size()));

    // Nothing of b within the window image: an all-black frame.
    Buffer none = RandomFrame(64, 48, f.bpp, 12);
    f.zoom(5, none.data(), 32, 24, 64, 48, {0, 0, 32, 24}, {40, 30, 60, 40});
    EXPECT_EQ(std::vector<uint8_t>(none.size(), 0), none.Copy(none.size()));

    // Any level, size and placement.
    zoomtest::Bytes bytes(13);
    for (int i = 0; i < 400; ++i) {
      const uint32_t fw = 2 + 2 * (bytes.Next() % 90), fh = 2 + bytes.Next() % 90;
      const uint32_t mw = 2 + 2 * (bytes.Next() % (fw / 2)), mh = 1 + bytes.Next() % fh;
      auto coordinate = [&]() { return static_cast<int32_t>(bytes.Next() % 200) - 50; };
      const ZoomPlacement a = {coordinate(), coordinate(), coordinate(), coordinate()};
      const ZoomPlacement b = {coordinate(), coordinate(), coordinate(), coordinate()};
      Buffer any = RandomFrame(fw, fh, f.bpp, static_cast<uint32_t>(i));
      f.zoom(1 + bytes.Next() % 40, any.data(), mw, mh, fw, fh, a, b);
    }
  }
}

}  // namespace
