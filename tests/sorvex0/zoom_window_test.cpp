// The zoom window's crop and the YUYV reduction.

#include "frame/zoom_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "zoom_test_support.h"

using namespace sorvex0;

namespace {

using zoomtest::Buffer;

Buffer NumberedFrame(uint32_t w, uint32_t h, uint32_t bpp) {
  Buffer frame(size_t{w} * h * bpp);
  zoomtest::Bytes bytes(w * 7 + h);
  for (size_t i = 0; i < frame.size(); ++i) frame[i] = bytes.Next();
  return frame;
}

void ExpectPlacement(const ZoomPlacement &expected, const ZoomPlacement &actual, const char *name) {
  EXPECT_EQ(expected.x0, actual.x0) << name;
  EXPECT_EQ(expected.y0, actual.y0) << name;
  EXPECT_EQ(expected.x1, actual.x1) << name;
  EXPECT_EQ(expected.y1, actual.y1) << name;
}

// The cut packed at the start of `after` is the t x u region of `before`
// (a frame of width sw) from (column, line).
void ExpectCut(const std::vector<uint8_t> &before, uint32_t sw, uint32_t bpp, const Buffer &after,
               const ZoomWindowCut &cut, uint32_t column, uint32_t line) {
  for (uint32_t y = 0; y < cut.cutHeight; ++y) {
    const uint8_t *from = before.data() + ((size_t{line} + y) * sw + column) * bpp;
    const uint8_t *to = after.data() + size_t{y} * cut.cutWidth * bpp;
    ASSERT_TRUE(std::equal(to, to + size_t{cut.cutWidth} * bpp, from)) << "line " << y;
  }
}

struct CropCase {
  const char *name;
  uint32_t level;
  int32_t x, y;
  uint32_t bpp, sw, sh, w, h;
  uint32_t cutWidth, cutHeight, windowWidth, windowHeight;
  ZoomPlacement a, b;
  uint32_t column, line;
};

TEST(CropZoomWindow, CutsTheWindowTheArithmeticGives) {
  const CropCase cases[] = {
      // Level 20 on 640 x 480: the central half, from x0 = 160.
      {"640x480 level 20",
       20,
       -1,
       -1,
       2,
       640,
       480,
       640,
       480,
       320,
       240,
       320,
       240,
       {160, 120, 480, 360},
       {160, 120, 480, 360},
       160,
       120},
      // 160 x 120 at level 1: a 156-pixel window in a 160-pixel image, its
      // height 117 rounded up to 118.
      {"160x120 level 1",
       1,
       -1,
       -1,
       2,
       160,
       120,
       160,
       120,
       160,
       120,
       160,
       120,
       {0, 0, 160, 120},
       {2, 2, 158, 120},
       0,
       0},
      {"320x240 level 1",
       1,
       -1,
       -1,
       1,
       320,
       240,
       320,
       240,
       320,
       240,
       320,
       240,
       {0, 0, 320, 240},
       {4, 4, 316, 238},
       0,
       0},
      // 1280 x 1024 at level 3: the height 947 rounded down to 946 (a 1024-line source).
      {"1280x1024 level 3",
       3,
       -1,
       -1,
       1,
       1280,
       1024,
       1280,
       1024,
       1184,
       947,
       1184,
       947,
       {48, 40, 1232, 987},
       {48, 40, 1232, 986},
       48,
       40},
      // A source twice the output with a window of at most the output's
      // width: cut at source resolution, the window sizes doubled.
      {"640x480 from 1280x960 level 20",
       20,
       -1,
       -1,
       1,
       1280,
       960,
       640,
       480,
       640,
       480,
       640,
       480,
       {0, 0, 640, 480},
       {0, 0, 640, 480},
       320,
       240},
      {"320x240 from 640x480 level 10",
       10,
       -1,
       -1,
       2,
       640,
       480,
       320,
       240,
       480,
       360,
       240,
       180,
       {40, 30, 280, 210},
       {40, 30, 280, 210},
       80,
       60},
      // Positioned windows: starts rounded down to multiples of 4.
      {"positioned",
       10,
       50,
       30,
       2,
       640,
       480,
       640,
       480,
       480,
       360,
       480,
       360,
       {48, 28, 528, 388},
       {48, 28, 528, 388},
       48,
       28},
      {"positioned past the edge",
       10,
       10000,
       10000,
       2,
       640,
       480,
       640,
       480,
       480,
       360,
       480,
       360,
       {156, 116, 636, 476},
       {156, 116, 636, 476},
       156,
       116},
      {"positioned before the edge",
       10,
       -8,
       2,
       2,
       640,
       480,
       640,
       480,
       480,
       360,
       480,
       360,
       {0, 0, 480, 360},
       {0, 0, 480, 360},
       0,
       0},
      // The source twice the output: the source position doubled.
      {"positioned in a doubled source",
       10,
       20,
       10,
       2,
       640,
       480,
       320,
       240,
       480,
       360,
       240,
       180,
       {20, 8, 260, 188},
       {20, 8, 260, 188},
       40,
       20},
      // 176 x 144 at level 5, far right: b (154 wide) is pulled back into a (160 wide).
      {"b kept inside a",
       5,
       1000,
       1000,
       2,
       176,
       144,
       176,
       144,
       160,
       130,
       160,
       130,
       {12, 12, 172, 142},
       {18, 16, 172, 142},
       12,
       12},
  };
  for (const CropCase &c : cases) {
    SCOPED_TRACE(c.name);
    Buffer frame = NumberedFrame(c.sw, c.sh, c.bpp);
    const std::vector<uint8_t> before = frame.Copy(frame.size());
    const ZoomWindowCut cut =
        CropZoomWindow(c.level, c.x, c.y, c.bpp, frame.data(), c.sw, c.sh, c.w, c.h);
    EXPECT_EQ(c.cutWidth, cut.cutWidth);
    EXPECT_EQ(c.cutHeight, cut.cutHeight);
    EXPECT_EQ(c.windowWidth, cut.windowWidth);
    EXPECT_EQ(c.windowHeight, cut.windowHeight);
    ExpectPlacement(c.a, cut.a, "a");
    ExpectPlacement(c.b, cut.b, "b");
    ExpectCut(before, c.sw, c.bpp, frame, cut, c.column, c.line);
  }
}

TEST(CropZoomWindow, LevelZeroCutsNothing) {
  Buffer frame = NumberedFrame(320, 240, 2);
  const std::vector<uint8_t> before = frame.Copy(frame.size());
  for (uint32_t level : {0u, 40u, 100u}) {
    const ZoomWindowCut cut = CropZoomWindow(level, -1, -1, 2, frame.data(), 640, 480, 320, 240);
    EXPECT_EQ(640u, cut.cutWidth);
    EXPECT_EQ(480u, cut.cutHeight);
    EXPECT_EQ(320u, cut.windowWidth);
    EXPECT_EQ(240u, cut.windowHeight);
    ExpectPlacement({0, 0, 320, 240}, cut.a, "a");
    ExpectPlacement({0, 0, 320, 240}, cut.b, "b");
  }
  EXPECT_EQ(before, frame.Copy(frame.size()));
}

// Every level, size and position: the cut stays inside the source (the
// sanitizer build checks the reads), a inside the output frame, b inside a.
TEST(CropZoomWindow, WindowsStayInsideTheirFrames) {
  const uint32_t sizes[][2] = {{160, 120}, {176, 144}, {320, 240},   {352, 288},
                               {640, 480}, {800, 600}, {1280, 1024}, {64, 49},
                               {100, 75},  {722, 541}, {2, 2},       {18, 3}};
  for (const auto &out : sizes) {
    for (uint32_t scale : {1u, 2u, 4u}) {
      const uint32_t sw = out[0] * scale, sh = out[1] * scale;
      for (uint32_t level = 1; level < 40; ++level) {
        for (int32_t position : {-1, 0, 3, 37, 5000}) {
          Buffer frame(size_t{sw} * sh);
          const ZoomWindowCut cut =
              CropZoomWindow(level, position, position == -1 ? -1 : position / 2, 1, frame.data(),
                             sw, sh, out[0], out[1]);
          SCOPED_TRACE(std::to_string(out[0]) + "x" + std::to_string(out[1]) + " from x" +
                       std::to_string(scale) + " level " + std::to_string(level) + " at " +
                       std::to_string(position));
          ASSERT_LE(cut.cutWidth, sw);
          ASSERT_LE(cut.cutHeight, sh);
          ASSERT_GE(cut.a.x0, 0);
          ASSERT_GE(cut.a.y0, 0);
          ASSERT_LE(cut.a.x1, static_cast<int32_t>(out[0]));
          ASSERT_LE(cut.a.y1, static_cast<int32_t>(out[1]));
          ASSERT_EQ(static_cast<int32_t>(cut.windowWidth), cut.a.x1 - cut.a.x0);
          ASSERT_EQ(static_cast<int32_t>(cut.windowHeight), cut.a.y1 - cut.a.y0);
          ASSERT_GE(cut.b.x0, cut.a.x0);
          ASSERT_GE(cut.b.y0, cut.a.y0);
          ASSERT_LE(cut.b.x1, cut.a.x1);
          ASSERT_LE(cut.b.y1, cut.a.y1);
        }
      }
    }
  }
}

// Two lines of two pairs each, as Y0 U Y1 V Y0 U Y1 V.
TEST(ReduceYuyv, AveragesFourSamplesIntoOne) {
  Buffer source(4 * 2 * 2);
  const uint8_t lines[16] = {10, 20, 30, 40, 50, 60, 70, 80,  //
                             12, 22, 32, 42, 52, 62, 72, 83};
  std::copy(lines, lines + 16, source.data());
  Buffer target(2 * 1 * 2, 0xEE);
  ReduceYuyv(source.data(), 4, 2, target.data(), 2, 1);
  EXPECT_EQ((10 + 30 + 12 + 32) >> 2, target[0]);  // Y of the first pair
  EXPECT_EQ((20 + 60 + 22 + 62) >> 2, target[1]);  // U of both pairs
  EXPECT_EQ((50 + 70 + 52 + 72) >> 2, target[2]);  // Y of the second pair
  EXPECT_EQ((40 + 80 + 42 + 83) >> 2, target[3]);  // V of both pairs
}

TEST(ReduceYuyv, FourToOneIsTwoToOneTwice) {
  Buffer source = NumberedFrame(16, 8, 2);
  Buffer halved(8 * 4 * 2);
  Buffer expected(4 * 2 * 2);
  ReduceYuyv(source.data(), 16, 8, halved.data(), 8, 4);
  ReduceYuyv(halved.data(), 8, 4, expected.data(), 4, 2);
  Buffer target(4 * 2 * 2);
  ReduceYuyv(source.data(), 16, 8, target.data(), 4, 2);
  EXPECT_EQ(expected.Copy(expected.size()), target.Copy(target.size()));
}

TEST(ReduceYuyv, CopiesEqualWidthsAndIgnoresOtherSizes) {
  Buffer source = NumberedFrame(8, 6, 2);
  Buffer target(8 * 6 * 2, 0xEE);
  ReduceYuyv(source.data(), 8, 6, target.data(), 8, 6);
  EXPECT_EQ(source.Copy(source.size()), target.Copy(target.size()));
  // Heights one line apart (a rounding of the crop): the lines both have.
  Buffer shorter(8 * 5 * 2, 0xEE);
  ReduceYuyv(source.data(), 8, 6, shorter.data(), 8, 5);
  EXPECT_EQ(source.Copy(shorter.size()), shorter.Copy(shorter.size()));
  Buffer untouched(6 * 6 * 2, 0xEE);
  ReduceYuyv(source.data(), 8, 6, untouched.data(), 6, 6);
  EXPECT_EQ(std::vector<uint8_t>(untouched.size(), 0xEE), untouched.Copy(untouched.size()));
}

}  // namespace
