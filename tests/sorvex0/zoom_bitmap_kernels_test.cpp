// The 24-bit bitmap step kernels and the doubling.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <set>
#include <vector>

#include "zoom/step_kernel.h"
#include "zoom/zoom.h"
#include "zoom_test_support.h"

using namespace sorvex0;

namespace {

using zoomtest::Buffer;
using zoomtest::Mean;

constexpr uint32_t kBpp = 3;

struct SampleSource {
  uint32_t first;
  uint32_t second;  // == first for a copy
};
using SampleMap = std::function<SampleSource(uint32_t)>;

uint32_t GroupOut(uint32_t level) {
  const uint32_t n = 80 - 2 * level;
  uint32_t a = 80, b = n;
  while (b != 0) {
    const uint32_t r = a % b;
    a = b;
    b = r;
  }
  return 80 / a;
}
uint32_t GroupIn(uint32_t level) { return (80 - 2 * level) * GroupOut(level) / 80; }

// Runs the level's kernel on a packed window in a buffer of exactly the
// frame's size.
Buffer RunKernel(uint32_t level, const std::vector<uint8_t> &window, uint32_t cw, uint32_t ch,
                 uint32_t w, uint32_t h, uint8_t fill = 0) {
  Buffer frame(size_t{w} * h * kBpp, fill);
  std::copy(window.begin(), window.end(), frame.data());
  const zoom::StepKernel *kernel = zoom::BitmapStepKernel(level);
  EXPECT_NE(nullptr, kernel) << "level " << level;
  if (kernel != nullptr) zoom::RunStepKernel(*kernel, frame.data(), cw, ch, w, h);
  return frame;
}

std::vector<uint8_t> RandomWindow(uint32_t cw, uint32_t ch, uint32_t seed) {
  zoomtest::Bytes bytes(seed);
  std::vector<uint8_t> window(size_t{cw} * ch * kBpp);
  for (uint8_t &b : window) b = bytes.Next();
  return window;
}

// The frame a kernel should make: the rows widened by `across`, then the
// frame rows made of widened rows by `down`.
std::vector<uint8_t> Enlarged(const std::vector<uint8_t> &window, uint32_t cw, uint32_t w,
                              uint32_t h, const SampleMap &across, const SampleMap &down) {
  auto widened = [&](uint32_t row, uint32_t x, uint32_t c) {
    const SampleSource s = across(x);
    const uint8_t *line = window.data() + size_t{row} * cw * kBpp;
    return Mean(line[s.first * kBpp + c], line[s.second * kBpp + c]);
  };
  std::vector<uint8_t> frame(size_t{w} * h * kBpp);
  for (uint32_t y = 0; y < h; ++y) {
    const SampleSource rows = down(y);
    for (uint32_t x = 0; x < w; ++x) {
      for (uint32_t c = 0; c < kBpp; ++c) {
        frame[(size_t{y} * w + x) * kBpp + c] =
            Mean(widened(rows.first, x, c), widened(rows.second, x, c));
      }
    }
  }
  return frame;
}

// Level 3 as its worked example describes one group of 40 from 37.
SampleSource Level3InGroup(uint32_t j) {
  if (j < 12) return {j, j};
  if (j == 12) return {11, 12};
  if (j < 25) return {j - 1, j - 1};
  if (j == 25) return {23, 24};
  if (j < 38) return {j - 2, j - 2};
  if (j == 38) return {35, 36};
  return {36, 36};
}
SampleSource Level3(uint32_t i) {
  const SampleSource s = Level3InGroup(i % 40);
  const uint32_t base = i / 40 * 37;
  return {base + s.first, base + s.second};
}

TEST(BitmapZoomKernel, Level3MakesTheWorkedExampleInFull) {
  const std::vector<uint8_t> window = RandomWindow(74, 74, 3);
  const Buffer frame = RunKernel(3, window, 74, 74, 80, 80);
  EXPECT_EQ(Enlarged(window, 74, 80, 80, Level3, Level3), frame.Copy(frame.size()));
}

// Rows of one colour each: row k of the window is the colour of k.
std::vector<uint8_t> RowColours(uint32_t cw, uint32_t ch, uint32_t seed) {
  zoomtest::Bytes bytes(seed);
  std::vector<uint8_t> window(size_t{cw} * ch * kBpp);
  for (uint32_t y = 0; y < ch; ++y) {
    const uint8_t colour[3] = {bytes.Next(), bytes.Next(), bytes.Next()};
    for (uint32_t x = 0; x < cw; ++x)
      std::copy(colour, colour + 3, &window[(size_t{y} * cw + x) * kBpp]);
  }
  return window;
}

std::vector<uint8_t> FrameRow(const Buffer &frame, uint32_t w, uint32_t row) {
  const uint8_t *start = frame.data() + size_t{row} * w * kBpp;
  return std::vector<uint8_t>(start, start + size_t{w} * kBpp);
}

std::vector<uint8_t> ColourRow(const std::vector<uint8_t> &window, uint32_t cw, uint32_t w,
                               SampleSource rows) {
  std::vector<uint8_t> row(size_t{w} * kBpp);
  for (uint32_t x = 0; x < w; ++x) {
    for (uint32_t c = 0; c < kBpp; ++c) {
      row[x * kBpp + c] = Mean(window[size_t{rows.first} * cw * kBpp + c],
                               window[size_t{rows.second} * cw * kBpp + c]);
    }
  }
  return row;
}

// 1280 x 1024 at level 3 (window 1184 x 946, a row taller than its groups
// read): 25 groups make rows 0-999 from window rows 0-924, four remainder
// groups of 6 make rows 1000-1023 from rows 925-944, and the last row is
// window row 944 itself, not a repeat of the mean row above it.
TEST(BitmapZoomKernel, Level3At1280x1024EndsWithItsRemainderGroups) {
  const std::vector<uint8_t> window = RowColours(1184, 946, 5);
  const Buffer frame = RunKernel(3, window, 1184, 946, 1280, 1024);
  for (uint32_t y = 0; y < 1024; ++y) {
    SampleSource rows = Level3(y);
    if (y >= 1000) {
      const uint32_t base = 925 + (y - 1000) / 6 * 5;
      const uint32_t j = (y - 1000) % 6;
      rows = j < 4    ? SampleSource{base + j, base + j}
             : j == 4 ? SampleSource{base + 3, base + 4}
                      : SampleSource{base + 4, base + 4};
    }
    ASSERT_EQ(ColourRow(window, 1184, 1280, rows), FrameRow(frame, 1280, y)) << "row " << y;
  }
  EXPECT_NE(FrameRow(frame, 1280, 1022), FrameRow(frame, 1280, 1023));
}

// 1280 x 1024 at level 1 (window 1248 x 998): 25 groups make rows 0-999;
// rows 1000-1023 keep the widened window rows 974-997.
TEST(BitmapZoomKernel, RowsNoGroupWritesKeepTheWidenedRows) {
  const std::vector<uint8_t> window = RowColours(1248, 998, 6);
  const Buffer frame = RunKernel(1, window, 1248, 998, 1280, 1024);
  for (uint32_t y = 1000; y < 1024; ++y) {
    const uint32_t row = 974 + (y - 1000);
    ASSERT_EQ(ColourRow(window, 1248, 1280, {row, row}), FrameRow(frame, 1280, y)) << "row " << y;
  }
}

// 160 x 120 at level 1 with the 118-row window the crop rounds to: the three
// groups read 117 rows, and the last frame rows are the pattern's own.
TEST(BitmapZoomKernel, AWindowTallerThanItsGroupsKeepsTheLastRowsRight) {
  const std::vector<uint8_t> window = RowColours(156, 118, 7);
  const Buffer frame = RunKernel(1, window, 156, 118, 160, 120);
  EXPECT_EQ(ColourRow(window, 156, 160, {116, 116}), FrameRow(frame, 160, 119));
  EXPECT_EQ(ColourRow(window, 156, 160, {115, 116}), FrameRow(frame, 160, 118));
  EXPECT_EQ(ColourRow(window, 156, 160, {115, 115}), FrameRow(frame, 160, 117));
}

struct TallWindow {
  uint32_t level, cw, ch, w, h;
  uint32_t rowsRead;  // by the vertical and remainder groups
};

// Windows the crop makes taller than their groups read give the frame the
// window of exactly those rows gives.
TEST(BitmapZoomKernel, ExtraWindowRowsChangeNothing) {
  std::vector<TallWindow> cases = {
      {3, 1184, 946, 1280, 1024, 945}, {7, 1056, 844, 1280, 1024, 841},
      {9, 992, 792, 1280, 1024, 791},  {11, 928, 742, 1280, 1024, 741},
      {13, 864, 690, 1280, 1024, 688}, {19, 672, 536, 1280, 1024, 534},
  };
  for (uint32_t level = 1; level < 20; level += 2) {
    // 160 x 120: the crop's window has 121 - 3 level rows, one more than the
    // groups read.
    cases.push_back({level, 160 - 4 * level, 121 - 3 * level, 160, 120, 120 - 3 * level});
  }
  for (const TallWindow &c : cases) {
    SCOPED_TRACE("level " + std::to_string(c.level) + " at " + std::to_string(c.w) + "x" +
                 std::to_string(c.h));
    const std::vector<uint8_t> window = RowColours(c.cw, c.ch, c.level);
    const std::vector<uint8_t> exact(window.begin(),
                                     window.begin() + size_t{c.cw} * c.rowsRead * kBpp);
    const Buffer tall = RunKernel(c.level, window, c.cw, c.ch, c.w, c.h);
    const Buffer fitting = RunKernel(c.level, exact, c.cw, c.rowsRead, c.w, c.h);
    EXPECT_EQ(fitting.Copy(fitting.size()), tall.Copy(tall.size()));
  }
}

// Window pixel (x, y) carries 2x, 2y and 77: an output pixel then tells
// where it comes from, in half samples along and down.
std::vector<uint8_t> PositionWindow(uint32_t cw, uint32_t ch) {
  std::vector<uint8_t> window(size_t{cw} * ch * kBpp);
  for (uint32_t y = 0; y < ch; ++y) {
    for (uint32_t x = 0; x < cw; ++x) {
      uint8_t *p = &window[(size_t{y} * cw + x) * kBpp];
      p[0] = static_cast<uint8_t>(2 * x);
      p[1] = static_cast<uint8_t>(2 * y);
      p[2] = 77;
    }
  }
  return window;
}

// Means a group inserts along the rows and down the columns, as the level
// table's patterns have them.
constexpr int kRowMeans[30] = {0, 1, 1,  3, 1,  1, 3,  7, 1,  9, 1, 10, 3, 13, 7,
                               3, 2, 15, 9, 19, 0, 18, 8, 11, 1, 2, 0,  0, 2,  10};

TEST(BitmapZoomKernel, EveryLevelFollowsASoundPatternAlongAndDown) {
  for (uint32_t level = 1; level < 30; ++level) {
    if (level == 20) continue;
    const uint32_t p = GroupOut(level), q = GroupIn(level);
    const uint32_t groups = 126 / q;  // positions 2x stay below 256
    const uint32_t cw = groups * q, w = groups * p;
    const Buffer frame = RunKernel(level, PositionWindow(cw, cw), cw, cw, w, w);
    const std::string name = "level " + std::to_string(level);
    for (uint32_t g = 0; g < groups; ++g) {
      std::vector<int> across, down;
      for (uint32_t j = 0; j < p; ++j) {
        across.push_back(frame[(size_t{w} * 5 + g * p + j) * kBpp] - static_cast<int>(2 * g * q));
        down.push_back(frame[(size_t{g * p + j} * w + 3) * kBpp + 1] - static_cast<int>(2 * g * q));
      }
      zoomtest::CheckGroupSamples(across, static_cast<int>(q), kRowMeans[level], name + " across");
      zoomtest::CheckGroupSamples(down, static_cast<int>(q), level == 15 ? 3 : kRowMeans[level],
                                  name + " down");
    }
    for (size_t i = 2; i < frame.size(); i += kBpp) ASSERT_EQ(77, frame[i]) << name;
  }
}

// Level 15: along a row the first mean follows pixel 0 and the third
// follows pixel 2; down the columns rows 2 and 3 are copied before the third
// mean row.
TEST(BitmapZoomKernel, Level15RowsDifferFromItsColumns) {
  const Buffer frame = RunKernel(15, PositionWindow(5, 5), 5, 5, 8, 8);
  const int across[8] = {0, 1, 2, 3, 4, 5, 6, 8};
  const int down[8] = {0, 1, 2, 3, 4, 6, 7, 8};
  for (uint32_t j = 0; j < 8; ++j) {
    EXPECT_EQ(across[j], frame[(8 * 2 + j) * kBpp]) << "column " << j;
    EXPECT_EQ(down[j], frame[(8 * j + 2) * kBpp + 1]) << "row " << j;
  }
}

TEST(BitmapZoomKernel, Levels26And27OnlyReplicate) {
  for (uint32_t level : {26u, 27u}) {
    const uint32_t p = GroupOut(level), q = GroupIn(level);
    const std::vector<uint8_t> window = RandomWindow(2 * q, 2 * q, level);
    const Buffer frame = RunKernel(level, window, 2 * q, 2 * q, 2 * p, 2 * p);
    std::set<std::vector<uint8_t>> pixels;
    for (size_t i = 0; i < window.size(); i += kBpp)
      pixels.insert({window[i], window[i + 1], window[i + 2]});
    for (size_t i = 0; i < frame.size(); i += kBpp) {
      ASSERT_TRUE(pixels.count({frame[i], frame[i + 1], frame[i + 2]}))
          << "level " << level << " pixel " << i / kBpp;
    }
  }
}

// 320 x 240 at level 8 (window 256 x 192): 64 groups of 5 a row, 48 of 5
// rows; output pixel 3 of every group is the mean of its pixels 2 and 3.
TEST(BitmapZoomKernel, Level8At320x240) {
  const std::vector<uint8_t> window = RandomWindow(256, 192, 8);
  const Buffer frame = RunKernel(8, window, 256, 192, 320, 240, 0xEE);
  for (uint32_t y = 0; y < 240; y += 5) {  // the first row of each group copies window row 4y/5
    const uint8_t *row = window.data() + size_t{y / 5 * 4} * 256 * kBpp;
    for (uint32_t g = 0; g < 64; ++g) {
      for (uint32_t c = 0; c < kBpp; ++c) {
        ASSERT_EQ(Mean(row[(4 * g + 2) * kBpp + c], row[(4 * g + 3) * kBpp + c]),
                  frame[(size_t{y} * 320 + 5 * g + 3) * kBpp + c]);
      }
    }
  }
}

// At 640 x 480 every level's groups fill the whole frame.
TEST(BitmapZoomKernel, EveryLevelWritesTheWhole640x480Frame) {
  for (uint32_t level = 1; level < 30; ++level) {
    if (level == 20) continue;
    const uint32_t n = 80 - 2 * level;
    std::vector<uint8_t> window = RandomWindow(8 * n, 6 * n, level);
    for (uint8_t &b : window) b &= 0x7F;  // output bytes below 0x80; unwritten ones stay 0xEE
    const Buffer frame = RunKernel(level, window, 8 * n, 6 * n, 640, 480, 0xEE);
    for (size_t i = 0; i < frame.size(); ++i)
      ASSERT_LT(frame[i], 0x80) << "level " << level << " byte " << i;
  }
}

TEST(DoubleBitmap, DoublesAlongWithTheFirstCopyFirstAndDownWithTheFirstRowDoubled) {
  const std::vector<uint8_t> image = RandomWindow(3, 2, 20);
  Buffer frame(6 * 4 * kBpp);
  std::copy(image.begin(), image.end(), frame.data());
  DoubleBitmap(frame.data(), 3, 2);
  // Along: pixel, mean, pixel, mean, last pixel twice.
  const SampleSource across[6] = {{0, 0}, {0, 1}, {1, 1}, {1, 2}, {2, 2}, {2, 2}};
  // Down: row 0 twice, the mean, the last row once.
  const SampleSource down[4] = {{0, 0}, {0, 0}, {0, 1}, {1, 1}};
  EXPECT_EQ(Enlarged(
                image, 3, 6, 4, [&](uint32_t x) { return across[x]; },
                [&](uint32_t y) { return down[y]; }),
            frame.Copy(frame.size()));
}

}  // namespace
