// The YUYV step kernels and the doubling.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <vector>

#include "zoom/step_kernel.h"
#include "zoom/zoom.h"
#include "zoom_test_support.h"

using namespace sorvex0;

namespace {

using zoomtest::Buffer;
using zoomtest::Mean;

constexpr uint32_t kBpp = 2;

uint32_t GroupOut(uint32_t level) {  // pairs, or rows
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

Buffer RunKernel(uint32_t level, const std::vector<uint8_t> &window, uint32_t cw, uint32_t ch,
                 uint32_t w, uint32_t h, uint8_t fill = 0) {
  Buffer frame(size_t{w} * h * kBpp, fill);
  std::copy(window.begin(), window.end(), frame.data());
  const zoom::StepKernel *kernel = zoom::YuyvStepKernel(level);
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

// The level-8 widening of one row, as its worked example gives a group of
// four source pairs Y0 U0 Y1 V0 ... Y6 U3 Y7 V3.
std::vector<uint8_t> Level8Row(const uint8_t *row, uint32_t groups) {
  std::vector<uint8_t> out;
  for (uint32_t g = 0; g < groups; ++g) {
    const uint8_t *s = row + 16 * g;
    auto Y = [&](int i) { return s[2 * i]; };
    auto U = [&](int p) { return s[4 * p + 1]; };
    auto V = [&](int p) { return s[4 * p + 3]; };
    const uint8_t group[20] = {Y(0),
                               U(0),
                               Y(1),
                               V(0),
                               Y(2),
                               U(1),
                               Y(3),
                               V(1),
                               Mean(Y(3), Y(4)),
                               U(1),
                               Y(4),
                               V(2),
                               Y(5),
                               U(2),
                               Y(6),
                               V(2),
                               Mean(Y(6), Y(7)),
                               U(3),
                               Y(7),
                               V(3)};
    out.insert(out.end(), group, group + 20);
  }
  return out;
}

// 1280 x 960 to 1600 x 1200: every byte as the worked example has it, rows
// 0 and 1 of a group copies, row 2 the mean of rows 1 and 2, rows 3 and 4
// copies of rows 2 and 3.
TEST(YuyvZoomKernel, Level8EnlargementMakesTheWorkedExampleInFull) {
  const std::vector<uint8_t> window = RandomWindow(1280, 960, 8);
  Buffer frame(1600 * 1200 * kBpp);
  std::copy(window.begin(), window.end(), frame.data());
  EnlargeYuyv1280x960To1600x1200(frame.data());
  std::vector<std::vector<uint8_t>> widened;
  for (uint32_t y = 0; y < 960; ++y) widened.push_back(Level8Row(window.data() + y * 2560, 160));
  const uint32_t rows[5][2] = {{0, 0}, {1, 1}, {1, 2}, {2, 2}, {3, 3}};
  for (uint32_t y = 0; y < 1200; ++y) {
    const std::vector<uint8_t> &a = widened[y / 5 * 4 + rows[y % 5][0]];
    const std::vector<uint8_t> &b = widened[y / 5 * 4 + rows[y % 5][1]];
    for (uint32_t i = 0; i < 3200; ++i)
      ASSERT_EQ(Mean(a[i], b[i]), frame[size_t{y} * 3200 + i]) << "row " << y << " byte " << i;
  }
}

TEST(DoubleYuyv, DoublesPairsAndRows) {
  // Two pairs a row, two rows.
  const std::vector<uint8_t> image = RandomWindow(4, 2, 20);
  Buffer frame(8 * 4 * kBpp);
  std::copy(image.begin(), image.end(), frame.data());
  DoubleYuyv(frame.data(), 4, 2);
  auto Widened = [&](uint32_t r) {
    const uint8_t *s = image.data() + 8 * r;
    return std::vector<uint8_t>{s[0],
                                s[1],
                                Mean(s[0], s[2]),
                                s[3],
                                s[2],
                                s[1],
                                Mean(s[2], s[4]),
                                s[3],
                                s[4],
                                s[5],
                                Mean(s[4], s[6]),
                                s[7],
                                s[6],
                                s[5],
                                s[6],
                                s[7]};
  };
  const std::vector<uint8_t> first = Widened(0), second = Widened(1);
  std::vector<uint8_t> middle(16);
  for (size_t i = 0; i < 16; ++i) middle[i] = Mean(first[i], second[i]);
  std::vector<uint8_t> expected = first;
  for (const std::vector<uint8_t> &row : {first, middle, second})
    expected.insert(expected.end(), row.begin(), row.end());
  EXPECT_EQ(expected, frame.Copy(frame.size()));
}

// Window luma, U and V carrying positions within their group (luma 2x, U 2p,
// V 2p + 1), every row alike.
std::vector<uint8_t> PairPositionWindow(uint32_t cw, uint32_t ch, uint32_t groupPixels) {
  std::vector<uint8_t> window(size_t{cw} * ch * kBpp);
  for (uint32_t y = 0; y < ch; ++y) {
    for (uint32_t x = 0; x < cw; ++x) {
      const uint32_t local = x % groupPixels;
      window[(size_t{y} * cw + x) * kBpp] = static_cast<uint8_t>(2 * local);
      window[(size_t{y} * cw + x) * kBpp + 1] =
          static_cast<uint8_t>(x % 2 == 0 ? 2 * (local / 2) : 2 * (local / 2) + 1);
    }
  }
  return window;
}

// 640 x 480 at level 1 (window 624 x 468): 8 groups of 80 pixels a row; the
// inserted lumas follow source pixels 38 and 76; output pair 19 has U of
// source pair 19 and V of source pair 18.
TEST(YuyvZoomKernel, Level1At640x480) {
  const Buffer frame = RunKernel(1, PairPositionWindow(624, 468, 78), 624, 468, 640, 480);
  for (uint32_t y : {0u, 239u, 479u}) {
    for (uint32_t g = 0; g < 8; ++g) {
      const uint8_t *group = frame.data() + (size_t{y} * 640 + 80 * g) * kBpp;
      for (uint32_t j = 0; j < 80; ++j) {
        const int expected = j < 39    ? 2 * j
                             : j == 39 ? 77
                             : j < 78  ? 2 * (j - 1)
                             : j == 78 ? 153
                                       : 154;
        ASSERT_EQ(expected, group[2 * j]) << "row " << y << " group " << g << " luma " << j;
      }
      EXPECT_EQ(38, group[4 * 19 + 1]);
      EXPECT_EQ(2 * 18 + 1, group[4 * 19 + 3]);
    }
  }
}

// 320 x 240 at level 8: output pair 2 of every group repeats the U of
// source pair 1.
TEST(YuyvZoomKernel, Level8At320x240RepeatsTheSecondU) {
  const Buffer frame = RunKernel(8, PairPositionWindow(256, 192, 8), 256, 192, 320, 240);
  for (uint32_t y = 0; y < 240; ++y) {
    for (uint32_t g = 0; g < 32; ++g) {
      const uint8_t *group = frame.data() + (size_t{y} * 320 + 10 * g) * kBpp;
      ASSERT_EQ(2, group[4 * 1 + 1]);
      ASSERT_EQ(2, group[4 * 2 + 1]) << "row " << y << " group " << g;
    }
  }
}

// Levels 5 and 10 end a group with the mean of its last luma and the next
// group's first. The last group of a row has none: there the row's own last
// luma stands, not the next window row's first luma or the byte after the
// window.
TEST(YuyvZoomKernel, Levels5And10EndEveryRowWithItsOwnLastLuma) {
  for (uint32_t level : {5u, 10u}) {
    const uint32_t p = GroupOut(level), q = GroupIn(level);
    const uint32_t cw = 4 * 2 * q, ch = 2 * q, w = 4 * 2 * p, h = 2 * p;
    std::vector<uint8_t> window = RandomWindow(cw, ch, level);
    for (size_t i = 0; i < window.size(); i += 2) window[i] = static_cast<uint8_t>(window[i] % 100);
    for (uint32_t y = 0; y < ch; ++y) window[size_t{y} * cw * kBpp] = 250;  // each row's first luma
    Buffer frame(size_t{w} * h * kBpp, 250);  // and what follows the window
    std::copy(window.begin(), window.end(), frame.data());
    zoom::RunStepKernel(*zoom::YuyvStepKernel(level), frame.data(), cw, ch, w, h);
    // Frame rows 0 and h - 1 copy window rows 0 and ch - 1.
    for (uint32_t y : {0u, h - 1}) {
      const uint8_t *in = window.data() + size_t{y == 0 ? 0 : ch - 1} * cw * kBpp;
      const uint8_t *out = frame.data() + size_t{y} * w * kBpp;
      SCOPED_TRACE("level " + std::to_string(level) + " row " + std::to_string(y));
      EXPECT_EQ(in[2 * (cw - 1)], out[2 * (w - 1)]);
      for (uint32_t g = 0; g + 1 < 4; ++g) {
        const uint32_t last = 2 * q * (g + 1) - 1;
        EXPECT_EQ(Mean(in[2 * last], in[2 * (last + 1)]), out[2 * (2 * p * (g + 1) - 1)]);
      }
    }
  }
}

// Luma means per group along the rows and row means per group down, as the
// level table's patterns have them.
constexpr int kLumaMeans[30] = {0, 2, 2,  6,  2, 2, 6,  14, 2,  18, 2, 22, 6,  26, 14,
                                6, 4, 32, 18, 2, 0, 34, 14, 18, 2,  5, 7,  23, 3,  18};
constexpr int kRowMeans[30] = {0, 1, 1,  3, 1,  1, 3,  7, 1, 9, 1, 10, 4,  13, 7,
                               3, 2, 15, 9, 19, 0, 18, 8, 9, 1, 2, 3,  10, 2,  7};

// Every level: the luma samples and rows of each group follow a sound
// pattern, chroma bytes are only copied (U stays even, V odd) and come from
// a pair holding one of the output pair's lumas or the pair before.
TEST(YuyvZoomKernel, EveryLevelFollowsASoundPattern) {
  for (uint32_t level = 1; level < 30; ++level) {
    if (level == 20) continue;
    const std::string name = "level " + std::to_string(level);
    const uint32_t p = GroupOut(level), q = GroupIn(level);
    const uint32_t groups = 126 / (2 * q);
    const uint32_t cw = groups * 2 * q, w = groups * 2 * p;
    const bool meanReachesNextGroup = level == 5 || level == 10;

    const Buffer along =
        RunKernel(level, PairPositionWindow(cw, 2 * q, 2 * q), cw, 2 * q, w, 2 * p);
    for (uint32_t g = 0; g < groups; ++g) {
      const uint8_t *out = along.data() + (size_t{w} * p + 2 * p * g) * kBpp;
      std::vector<int> luma;
      for (uint32_t j = 0; j < 2 * p; ++j) luma.push_back(out[2 * j]);
      const bool lastGroup = g + 1 == groups;
      if (meanReachesNextGroup && !lastGroup) {
        // The next group's first luma carries 0 here; its true position is 2q.
        EXPECT_EQ(2 * q - 1, static_cast<uint32_t>(luma.back())) << name;
        luma.back() = static_cast<int>(4 * q - 1);
      }
      zoomtest::CheckGroupSamples(luma, static_cast<int>(2 * q),
                                  kLumaMeans[level] - (meanReachesNextGroup && lastGroup ? 1 : 0),
                                  name + " luma");
      for (uint32_t pair = 0; pair < p; ++pair) {
        SCOPED_TRACE(name + " output pair " + std::to_string(pair));
        const uint8_t u = out[4 * pair + 1], v = out[4 * pair + 3];
        ASSERT_EQ(0, u % 2) << "U is a copy of a U";
        ASSERT_EQ(1, v % 2) << "V is a copy of a V";
        std::set<int> allowed;
        for (int position : {luma[2 * pair], luma[2 * pair + 1]}) {
          allowed.insert(position / 2 / 2);
          if (position % 2 == 1) allowed.insert((position / 2 + 1) / 2);
        }
        allowed.insert(*allowed.begin() - 1);
        EXPECT_TRUE(allowed.count(u / 2)) << "U of pair " << u / 2;
        EXPECT_TRUE(allowed.count(v / 2)) << "V of pair " << v / 2;
      }
    }

    // Down: U carries 2y, luma and V stay as they are along the rows.
    const uint32_t rowGroups = 126 / q;
    std::vector<uint8_t> rows = PairPositionWindow(2 * q, rowGroups * q, 2 * q);
    for (uint32_t y = 0; y < rowGroups * q; ++y) {
      for (uint32_t x = 0; x < 2 * q; x += 2)
        rows[(size_t{y} * 2 * q + x) * kBpp + 1] = static_cast<uint8_t>(2 * y);
    }
    const Buffer down = RunKernel(level, rows, 2 * q, rowGroups * q, 2 * p, rowGroups * p);
    for (uint32_t g = 0; g < rowGroups; ++g) {
      std::vector<int> positions;
      for (uint32_t j = 0; j < p; ++j)
        positions.push_back(down[size_t{g * p + j} * 2 * p * kBpp + 1] -
                            static_cast<int>(2 * g * q));
      zoomtest::CheckGroupSamples(positions, static_cast<int>(q), kRowMeans[level], name + " rows");
    }
  }
}

TEST(YuyvZoomKernel, NeutralChromaStaysNeutralAtEveryLevel) {
  for (uint32_t level = 1; level < 30; ++level) {
    if (level == 20) continue;
    const uint32_t n = 80 - 2 * level;
    std::vector<uint8_t> window = RandomWindow(8 * n, 6 * n, level);
    for (size_t i = 1; i < window.size(); i += 2) window[i] = 128;
    const Buffer frame = RunKernel(level, window, 8 * n, 6 * n, 640, 480);
    for (size_t i = 1; i < frame.size(); i += 2)
      ASSERT_EQ(128, frame[i]) << "level " << level << " byte " << i;
  }
}

TEST(YuyvZoomKernel, EveryLevelWritesTheWhole640x480Frame) {
  for (uint32_t level = 1; level < 30; ++level) {
    if (level == 20) continue;
    const uint32_t n = 80 - 2 * level;
    std::vector<uint8_t> window = RandomWindow(8 * n, 6 * n, level);
    for (uint8_t &b : window) b &= 0x7F;
    const Buffer frame = RunKernel(level, window, 8 * n, 6 * n, 640, 480, 0xEE);
    for (size_t i = 0; i < frame.size(); ++i)
      ASSERT_LT(frame[i], 0x80) << "level " << level << " byte " << i;
  }
}

// Rows of one YUYV colour each.
std::vector<uint8_t> RowColours(uint32_t cw, uint32_t ch, uint32_t seed) {
  zoomtest::Bytes bytes(seed);
  std::vector<uint8_t> window(size_t{cw} * ch * kBpp);
  for (uint32_t y = 0; y < ch; ++y) {
    const uint8_t pair[4] = {0, bytes.Next(), 0, bytes.Next()};
    const uint8_t luma = bytes.Next();
    for (uint32_t x = 0; x < cw; x += 2) {
      uint8_t *out = &window[(size_t{y} * cw + x) * kBpp];
      std::copy(pair, pair + 4, out);
      out[0] = out[2] = luma;
    }
  }
  return window;
}

std::vector<uint8_t> FrameRow(const Buffer &frame, uint32_t w, uint32_t row) {
  const uint8_t *start = frame.data() + size_t{row} * w * kBpp;
  return std::vector<uint8_t>(start, start + size_t{w} * kBpp);
}

std::vector<uint8_t> ColourRow(const std::vector<uint8_t> &window, uint32_t cw, uint32_t w,
                               uint32_t a, uint32_t b) {
  std::vector<uint8_t> row(size_t{w} * kBpp);
  for (uint32_t i = 0; i < w * kBpp; ++i)
    row[i] = Mean(window[size_t{a} * cw * kBpp + i % 4], window[size_t{b} * cw * kBpp + i % 4]);
  return row;
}

// 1280 x 1024 at level 13 (window 864 x 690): 25 groups make rows 0-999,
// then 12 remainder groups of 2 rows from 1 (a row and its mean with the
// next) make rows 1000-1023 from window rows 675-687.
TEST(YuyvZoomKernel, Level13At1280x1024EndsWithItsRemainderGroups) {
  const std::vector<uint8_t> window = RowColours(864, 690, 13);
  const Buffer frame = RunKernel(13, window, 864, 690, 1280, 1024);
  for (uint32_t g = 0; g < 12; ++g) {
    const uint32_t row = 675 + g;
    ASSERT_EQ(ColourRow(window, 864, 1280, row, row), FrameRow(frame, 1280, 1000 + 2 * g))
        << "group " << g;
    ASSERT_EQ(ColourRow(window, 864, 1280, row, row + 1), FrameRow(frame, 1280, 1001 + 2 * g))
        << "group " << g;
  }
  // The last whole group ends with a copy of window row 674 (its row 26).
  EXPECT_EQ(ColourRow(window, 864, 1280, 674, 674), FrameRow(frame, 1280, 999));
}

struct TallWindow {
  uint32_t level, cw, ch, w, h;
  uint32_t rowsRead;
};

TEST(YuyvZoomKernel, ExtraWindowRowsChangeNothing) {
  std::vector<TallWindow> cases = {{3, 1184, 946, 1280, 1024, 945},
                                   {13, 864, 690, 1280, 1024, 688},
                                   {17, 736, 588, 1280, 1024, 588}};
  for (uint32_t level = 1; level < 20; level += 2)
    cases.push_back({level, 160 - 4 * level, 121 - 3 * level, 160, 120, 120 - 3 * level});
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

}  // namespace
