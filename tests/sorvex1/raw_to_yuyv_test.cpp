#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "rgb_image.h"
#include "rgb_to_yuyv_row.h"
#include "test_frames.h"

namespace sorvex1test {
namespace {

using testsupport::MosaicToBayer;

struct Yuv {
  int y0, u, y1, v;
};

Yuv PairAt(const std::vector<uint8_t> &yuyv, int32_t width, int32_t x, int32_t y) {
  const uint8_t *p = &yuyv[(static_cast<size_t>(y) * width + x) * 2];
  return {p[0], p[1], p[2], p[3]};
}

class RawToYuyvTest : public ConversionTest {
 protected:
  std::vector<uint8_t> Convert(std::vector<uint8_t> raw, int32_t sourceWidth, int32_t sourceHeight,
                               int32_t width, int32_t height) {
    std::vector<uint8_t> yuyv(YuyvBytes(width, height), 0xEE);
    ops_->convertRawToYuyv(UserData(), raw.data(), sourceWidth, sourceHeight, yuyv.data(), width, height);
    return yuyv;
  }
  std::vector<uint8_t> ConvertFlat(uint8_t r, uint8_t g, uint8_t b) {
    return Convert(MosaicToBayer(FlatImage(8, 6, r, g, b)), 8, 6, 8, 6);
  }
};

// The default matrix is BT.601 studio range with 8-bit coefficients, which
// put pure red at Y 82 (81.74) and pure green at 144 (144.99) where exact
// BT.601 gives 81.48 and 144.55; the bitmap tests start from (81, 90, 240).
TEST_F(RawToYuyvTest, DefaultMatricesGiveBt601StudioValues) {
  struct Case {
    uint8_t r, g, b;
    int y, u, v;
  } const cases[] = {
      {255, 255, 255, 235, 128, 128}, {0, 0, 0, 16, 128, 128},   {255, 0, 0, 82, 90, 240},
      {0, 255, 0, 144, 54, 34},       {0, 0, 255, 41, 240, 110}, {128, 128, 128, 126, 128, 128},
  };
  for (const Case &c : cases) {
    const std::vector<uint8_t> yuyv = ConvertFlat(c.r, c.g, c.b);
    for (int32_t y = 0; y < 6; ++y) {
      for (int32_t x = 0; x < 8; x += 2) {
        const Yuv p = PairAt(yuyv, 8, x, y);
        ASSERT_EQ(p.y0, c.y) << int(c.r) << "," << int(c.g) << "," << int(c.b);
        ASSERT_EQ(p.y1, c.y);
        ASSERT_EQ(p.u, c.u);
        ASSERT_EQ(p.v, c.v);
      }
    }
  }
}

TEST_F(RawToYuyvTest, YuvMatrixCarriesTheColourTransformAndTheColourMatrixIsNotAppliedAgain) {
  // The colour matrix is the RGB form of the same transform: setting one
  // that swaps red and blue changes nothing here.
  const int32_t swap[12] = {0, 0, 256, 0, 0, 256, 0, 0, 256, 0, 0, 0};
  ops_->setColorMatrix(UserData(), swap);
  Yuv p = PairAt(ConvertFlat(255, 0, 0), 8, 2, 2);
  EXPECT_EQ(p.y0, 82);  // pure red
  EXPECT_EQ(p.v, 240);
  // A YUV matrix whose red and blue columns are swapped turns red into blue.
  const int32_t swappedYuv[12] = {25, 129, 66, 0, 112, -74, -38, 0, -18, -94, 112, 0};
  ops_->setYuvMatrix(UserData(), swappedYuv);
  p = PairAt(ConvertFlat(255, 0, 0), 8, 2, 2);
  EXPECT_EQ(p.y0, 41);  // what pure blue gives
  EXPECT_EQ(p.u, 240);
  EXPECT_EQ(p.v, 110);
}

TEST_F(RawToYuyvTest, MatrixOffsetsAreIn256thsOfACodeValueAndResultsClamp) {
  const int32_t lift[12] = {66, 129, 25, 10 * 256, -38, -74, 112, 0, 112, -94, -18, 0};
  ops_->setYuvMatrix(UserData(), lift);
  EXPECT_EQ(PairAt(ConvertFlat(0, 0, 0), 8, 0, 0).y0, 16 + 10);
  EXPECT_EQ(PairAt(ConvertFlat(255, 255, 255), 8, 0, 0).y0, 245);

  const int32_t lumaOnly[12] = {0, 0, 0, 100 * 256, 0, 0, 0, -200 * 256, 0, 0, 0, 300 * 256};
  ops_->setYuvMatrix(UserData(), lumaOnly);
  const Yuv q = PairAt(ConvertFlat(40, 50, 60), 8, 0, 0);
  EXPECT_EQ(q.y0, 116);
  EXPECT_EQ(q.u, 0);
  EXPECT_EQ(q.v, 255);
}

TEST(RgbToYuyvLineTest, PairChromaIsTheRoundedMeanOfBothPixels) {
  uint8_t red[2] = {255, 0};
  uint8_t green[2] = {0, 0};
  uint8_t blue[2] = {0, 255};
  const int32_t identity[12] = {256, 0, 0, 0, 0, 256, 0, 0, 0, 0, 256, 0};
  const int32_t bt601[12] = {66, 129, 25, 0, -38, -74, 112, 0, 112, -94, -18, 0};
  uint8_t yuyv[4];
  sorvex1::RgbToYuyvLine(sorvex1::ScalarRowKernels(), {red, green, blue}, 2, identity, bt601, yuyv);
  EXPECT_EQ(yuyv[0], 82);
  EXPECT_EQ(yuyv[2], 41);
  // U: (-38*255 + 112*255) / 2 / 256 = 36.9 -> 128 + 37; V: (112 - 18) * 255 / 512 = 46.8 -> 175.
  EXPECT_EQ(yuyv[1], 165);
  EXPECT_EQ(yuyv[3], 175);
}

// The matrix arithmetic spelled out: rows scaled by 256, the studio-range
// offsets added, a pair's chroma from both pixels, rounded and clamped.
uint8_t RoundedClamped(int64_t sum, int shift) {
  const int64_t value = (sum + (int64_t{1} << (shift - 1))) >> shift;
  return static_cast<uint8_t>(std::clamp<int64_t>(value, 0, 255));
}

int64_t RowSum(const int32_t *row, int r, int g, int b) {
  return int64_t{row[0]} * r + int64_t{row[1]} * g + int64_t{row[2]} * b + row[3];
}

// Matrices whose sums fit 16 bits take a shortcut, and so do those with
// coefficients up to 2048 and offsets up to 2^20 (split products); these sit
// inside those ranges, at their edges and just outside them, and every
// result must be the spelled-out one.
TEST(RgbToYuyvLineTest, EveryMatrixGivesTheSpelledOutSums) {
  const int32_t identity[12] = {256, 0, 0, 0, 0, 256, 0, 0, 0, 0, 256, 0};
  const int32_t matrices[][12] = {
      {66, 129, 25, 0, -38, -74, 112, 0, 112, -94, -18, 0},
      // Odd coefficients: odd sums, whose halves round down apart.
      {65, 129, 25, 1, -37, -75, 112, 0, 111, -93, -19, 1},
      // Luma sums from 255 up to 65535, chroma sums from 0 up.
      {85, 85, 86, -3969, -64, -64, 0, -256, 0, 0, -128, -256},
      // One more either way.
      {85, 85, 86, -3968, -64, -64, 0, -257, 0, 0, -128, -257},
      {300, -50, -10, 2000, 200, -300, 100, -5000, -20, 40, 60, 9000},
      // A colour-corrected, saturated matrix as the camera sends them.
      {71, 101, 45, 0, -77, -163, 243, 0, 183, -133, -51, 0},
      // Split products at their limits: every coefficient +-2048, offsets
      // +-2^20 (results pinned at 0 or 255) and offsets that leave the sums
      // crossing zero.
      {2048, -2048, 2048, -1048576, -2048, 2048, -2048, 1048576, 2048, 2048, -2048, -300000},
      {-2048, 2048, -1, 255000, 1, -2048, 2048, -65536, -2048, -1, 2047, 130000},
      {-1000, 1500, 777, -70000, 1999, -1234, -765, -131071, -5, 2048, -2048, -65535},
      // Just past the limits: the plain 32-bit sums.
      {2049, 0, 0, 0, 0, -2049, 0, 0, 0, 0, 1, 1048577},
  };
  // Enough pairs that a pair sum lands on every rounding edge many times.
  const int width = 20001;
  std::vector<uint8_t> red(width), green(width), blue(width);
  uint32_t state = 3;
  for (int x = 0; x < width; ++x) {
    state = state * 1664525u + 1013904223u;
    const uint8_t extremes[] = {0, 255};
    red[x] = x % 5 == 0 ? extremes[x % 2] : static_cast<uint8_t>(state >> 24);
    green[x] = x % 7 == 0 ? extremes[(x / 7) % 2] : static_cast<uint8_t>(state >> 16);
    blue[x] = x % 3 == 0 ? extremes[(x / 3) % 2] : static_cast<uint8_t>(state >> 8);
  }
  for (const auto &m : matrices) {
    std::vector<uint8_t> planes(red);
    planes.insert(planes.end(), green.begin(), green.end());
    planes.insert(planes.end(), blue.begin(), blue.end());
    std::vector<uint8_t> yuyv(2 * width);
    sorvex1::RgbToYuyvLine(sorvex1::ScalarRowKernels(), {planes.data(), planes.data() + width, planes.data() + 2 * width}, width, identity, m,
                           yuyv.data());
    for (int x = 0; x + 1 < width; x += 2) {
      ASSERT_EQ(yuyv[2 * x], RoundedClamped(RowSum(m, red[x], green[x], blue[x]) + 4096, 8)) << m[3] << " at " << x;
      ASSERT_EQ(yuyv[2 * x + 2], RoundedClamped(RowSum(m, red[x + 1], green[x + 1], blue[x + 1]) + 4096, 8));
      const int64_t u = RowSum(m + 4, red[x], green[x], blue[x]) + RowSum(m + 4, red[x + 1], green[x + 1], blue[x + 1]);
      const int64_t v = RowSum(m + 8, red[x], green[x], blue[x]) + RowSum(m + 8, red[x + 1], green[x + 1], blue[x + 1]);
      ASSERT_EQ(yuyv[2 * x + 1], RoundedClamped(u + 2 * 32768, 9)) << m[7] << " at " << x;
      ASSERT_EQ(yuyv[2 * x + 3], RoundedClamped(v + 2 * 32768, 9)) << m[11] << " at " << x;
    }
  }
}

TEST_F(RawToYuyvTest, OddWidthEndsWithLumaAndOwnChroma) {
  const int32_t width = 5;
  std::vector<uint8_t> yuyv = Convert(MosaicToBayer(FlatImage(width, 4, 255, 0, 0)), width, 4, width, 4);
  for (int32_t y = 0; y < 4; ++y) {
    const uint8_t *line = &yuyv[static_cast<size_t>(y) * width * 2];
    EXPECT_EQ(line[8], 82);
    EXPECT_EQ(line[9], 90);  // the last pixel's U
  }
}

TEST_F(RawToYuyvTest, EverySizeCombinationStaysInsideItsBuffers) {
  // Buffers are exactly as large as the sizes say; ASan reports any overrun.
  const int32_t sizes[][4] = {
      {1, 1, 1, 1},         {2, 2, 2, 2},         {1, 1, 4, 3},       {3, 5, 1, 1},       {7, 5, 7, 5},
      {640, 480, 320, 240}, {320, 240, 640, 480}, {64, 478, 64, 478}, {-64, -48, 32, 24}, {9, 7, 3, 11},
  };
  for (const auto &s : sizes) {
    const int32_t sw = std::abs(s[0]);
    const int32_t sh = std::abs(s[1]);
    const std::vector<uint8_t> yuyv =
        Convert(MosaicToBayer(FlatImage(sw, sh, 120, 120, 120)), s[0], s[1], s[2], s[3]);
    for (int32_t y = 0; y < s[3]; ++y) {
      for (int32_t x = 0; x < s[2]; ++x) {
        ASSERT_EQ(yuyv[(static_cast<size_t>(y) * s[2] + x) * 2], 119)
            << s[0] << "x" << s[1] << " -> " << s[2] << "x" << s[3];
      }
    }
  }
}

TEST_F(RawToYuyvTest, UnusableSizesAndPointersLeaveTheDestinationAlone) {
  std::vector<uint8_t> raw(16, 100);
  std::vector<uint8_t> yuyv(YuyvBytes(4, 4), 0xEE);
  const std::vector<uint8_t> untouched = yuyv;
  ops_->convertRawToYuyv(UserData(), raw.data(), 0, 4, yuyv.data(), 4, 4);
  ops_->convertRawToYuyv(UserData(), raw.data(), 4, 4, yuyv.data(), 0, 4);
  ops_->convertRawToYuyv(UserData(), raw.data(), 4, 4, yuyv.data(), 4, -4);
  ops_->convertRawToYuyv(UserData(), raw.data(), INT32_MIN, 4, yuyv.data(), 4, 4);
  ops_->convertRawToYuyv(UserData(), nullptr, 4, 4, yuyv.data(), 4, 4);
  ops_->convertRawToYuyv(UserData(), raw.data(), 4, 4, nullptr, 4, 4);
  ops_->convertRawToYuyv(nullptr, raw.data(), 4, 4, yuyv.data(), 4, 4);
  EXPECT_EQ(yuyv, untouched);
}

// Columns finer than the output can hold must average out when reduced, not
// fold into a false pattern: point sampling would turn 2-on-2-off columns
// reduced four times into all bright or all dark.
TEST_F(RawToYuyvTest, NegatedSizesReduceWithoutAliasing) {
  const int32_t sw = 64;
  const int32_t sh = 48;
  const int32_t cases[][2] = {{2, 2}, {4, 4}};  // stripe period, reduction factor
  for (const auto &c : cases) {
    RgbImage stripes(sw, sh);
    for (int32_t y = 0; y < sh; ++y) {
      for (int32_t x = 0; x < sw; ++x) {
        uint8_t *p = stripes.At(x, y);
        p[0] = p[1] = p[2] = (x % c[0]) < c[0] / 2 ? 220 : 40;
      }
    }
    const int32_t width = sw / c[1];
    const int32_t height = sh / c[1];
    const std::vector<uint8_t> yuyv = Convert(MosaicToBayer(stripes), -sw, -sh, width, height);
    int lo = 255;
    int hi = 0;
    for (int32_t y = 1; y < height - 1; ++y) {
      for (int32_t x = 1; x < width - 1; ++x) {
        const int luma = yuyv[(static_cast<size_t>(y) * width + x) * 2];
        lo = std::min(lo, luma);
        hi = std::max(hi, luma);
      }
    }
    // Stripe luma is 51 and 205; the sensor sees period-2 grey stripes as
    // red-tinted, so their mean lands a little above the grey's 128.
    EXPECT_LE(hi - lo, 4) << "period " << c[0];
    EXPECT_GT(lo, 110) << "period " << c[0];
    EXPECT_LT(hi, 150) << "period " << c[0];
  }
}

TEST_F(RawToYuyvTest, ResampledImageKeepsItsGeometry) {
  // Left half dark, right half bright: the edge stays in the middle whether
  // the frame is reduced, enlarged or only trimmed.
  const int32_t sw = 48;
  const int32_t sh = 32;
  RgbImage halves(sw, sh);
  for (int32_t y = 0; y < sh; ++y) {
    for (int32_t x = 0; x < sw; ++x) {
      uint8_t *p = halves.At(x, y);
      p[0] = p[1] = p[2] = x < sw / 2 ? 30 : 220;
    }
  }
  const int32_t targets[][2] = {{24, 16}, {96, 64}, {48, 31}, {36, 40}};
  for (const auto &t : targets) {
    const std::vector<uint8_t> yuyv = Convert(MosaicToBayer(halves), sw, sh, t[0], t[1]);
    for (int32_t y = 0; y < t[1]; ++y) {
      const auto luma = [&](int32_t x) { return int(yuyv[(static_cast<size_t>(y) * t[0] + x) * 2]); };
      EXPECT_NEAR(luma(0), 42, 2) << t[0] << "x" << t[1];
      EXPECT_NEAR(luma(t[0] / 2 - t[0] / 8 - 1), 42, 2);
      EXPECT_NEAR(luma(t[0] / 2 + t[0] / 8), 205, 2);
      EXPECT_NEAR(luma(t[0] - 1), 205, 2);
    }
  }
}

// A chart of distinct colour patches through raw -> bitmap comes back with
// every patch centre within a few code values.
TEST_F(RawToYuyvTest, ColourChartSurvivesRawToBitmap) {
  const uint8_t chart[24][3] = {
      {115, 82, 68},   {194, 150, 130}, {98, 122, 157},  {87, 108, 67},   {133, 128, 177}, {103, 189, 170},
      {214, 126, 44},  {80, 91, 166},   {193, 90, 99},   {94, 60, 108},   {157, 188, 64},  {224, 163, 46},
      {56, 61, 150},   {70, 148, 73},   {175, 54, 60},   {231, 199, 31},  {187, 86, 149},  {8, 133, 161},
      {243, 243, 242}, {200, 200, 200}, {160, 160, 160}, {122, 122, 121}, {85, 85, 85},    {52, 52, 52}};
  const int32_t patch = 24;
  const int32_t width = 6 * patch;
  const int32_t height = 4 * patch;
  RgbImage image(width, height);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const uint8_t *c = chart[(y / patch) * 6 + x / patch];
      std::copy(c, c + 3, image.At(x, y));
    }
  }
  std::vector<uint8_t> raw = MosaicToBayer(image);
  std::vector<uint8_t> bitmap(static_cast<size_t>(width) * height * 3);
  FUNC_RawToBmp(ops_, raw.data(), width, height, bitmap.data(), width, height);
  for (int32_t row = 0; row < 4; ++row) {
    for (int32_t column = 0; column < 6; ++column) {
      const int32_t x = column * patch + patch / 2;
      const int32_t y = row * patch + patch / 2;
      const uint8_t *bgr = &bitmap[(static_cast<size_t>(height - 1 - y) * width + x) * 3];
      const uint8_t *want = chart[row * 6 + column];
      EXPECT_NEAR(bgr[2], want[0], 3) << "patch " << row * 6 + column;
      EXPECT_NEAR(bgr[1], want[1], 3) << "patch " << row * 6 + column;
      EXPECT_NEAR(bgr[0], want[2], 3) << "patch " << row * 6 + column;
    }
  }
}

}  // namespace
}  // namespace sorvex1test
