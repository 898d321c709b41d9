// The measurement of raw frames for the exposure and white-balance loops.

#include "exposure/frame_statistics.h"
#include "fake_minidriver.h"
#include "core/isp_context.h"

using namespace sorvex0;

namespace sorvextest {
namespace {

class FrameStatisticsTest : public MinidriverTest {
 protected:
  // A frame whose 8 x 8 windows of the 640 x 480 grid hold grey levels.
  static std::vector<uint8_t> WindowFrame(const uint8_t (&levels)[64]) {
    std::vector<uint8_t> raw(640 * 480);
    for (uint32_t y = 0; y < 480; ++y) {
      for (uint32_t x = 0; x < 640; ++x) raw[y * 640 + x] = levels[(y / 60) * 8 + x / 80];
    }
    return raw;
  }
  // Rising by 10 a step toward the middle of every row and column.
  static void CentreBrightLevels(uint8_t (&levels)[64]) {
    for (int r = 0; r < 8; ++r) {
      for (int c = 0; c < 8; ++c) {
        const int fr = r < 4 ? r : 7 - r;
        const int fc = c < 4 ? c : 7 - c;
        levels[r * 8 + c] = static_cast<uint8_t>(100 + 10 * (fr + fc));
      }
    }
  }
};

TEST_F(FrameStatisticsTest, UniformGreyFrame) {
  for (const char *sensor : {"OV9650", "MI1320"}) {
    ASSERT_EQ(0, Init(sensor));
    for (uint8_t v : {1, 12, 19, 40, 255}) {
      SCOPED_TRACE(std::string(sensor) + " v=" + std::to_string(v));
      std::vector<uint8_t> raw(640 * 480, v);
      EXPECT_EQ(v, MeasureFrame(context_, raw.data(), 640, 480));
      for (int w = 0; w < 64; ++w) {
        EXPECT_EQ(25u * v, context_->windowStats[w][0]);
        EXPECT_EQ(25u * v, context_->windowStats[w][1]);
        EXPECT_EQ(25u * v, context_->windowStats[w][2]);
      }
      EXPECT_EQ(0, context_->centreScore);
      const int cap = std::string(sensor) == "MI1320" ? 16 : 20;
      EXPECT_EQ(std::min<int>(v, cap), context_->blackLevel);
      EXPECT_EQ(v, context_->measuredBrightness);
    }
    Exit();
  }
}

TEST_F(FrameStatisticsTest, BlackFrameStoresOnesNotZeros) {
  ASSERT_EQ(0, Init("OV9655"));
  std::vector<uint8_t> raw(320 * 240, 0);
  EXPECT_EQ(1u, MeasureFrame(context_, raw.data(), 320, 240));
  EXPECT_EQ(1u, context_->windowStats[0][0]);
  EXPECT_EQ(1u, context_->windowStats[63][2]);
  EXPECT_EQ(0, context_->blackLevel);
}

TEST_F(FrameStatisticsTest, CentreBrightFrameScores96AndDarkCornersCost32) {
  ASSERT_EQ(0, Init("OV9650"));
  uint8_t levels[64];
  CentreBrightLevels(levels);
  std::vector<uint8_t> raw = WindowFrame(levels);
  context_->blackLevel = 99;
  MeasureFrame(context_, raw.data(), 640, 480);
  EXPECT_EQ(96, context_->centreScore);
  EXPECT_EQ(0, context_->blackLevel);

  for (int corner : {0, 7, 56, 63}) levels[corner] = 20;
  raw = WindowFrame(levels);
  MeasureFrame(context_, raw.data(), 640, 480);
  EXPECT_EQ(64, context_->centreScore);
  // Four of 64 windows at 20 cover more than 3 % of the samples.
  EXPECT_EQ(20, context_->blackLevel);
}

TEST_F(FrameStatisticsTest, BlackLevelIsLimitedByTheScoreBands) {
  ASSERT_EQ(0, Init("OV9650"));
  // Each darkened edge window costs 4 points and breaks one comparison;
  // the dark windows also put the histogram's black level at its cap of 20.
  struct Case {
    std::vector<int> dark;
    int score;
    int blackLevel;
  };
  const Case cases[] = {{{1, 6}, 86, 6}, {{1, 6, 8}, 81, 12}, {{1, 6, 8, 15}, 76, 20}};
  for (const Case &c : cases) {
    uint8_t levels[64];
    CentreBrightLevels(levels);
    for (int w : c.dark) levels[w] = 20;
    std::vector<uint8_t> raw = WindowFrame(levels);
    MeasureFrame(context_, raw.data(), 640, 480);
    EXPECT_EQ(c.score, context_->centreScore);
    EXPECT_EQ(c.blackLevel, context_->blackLevel);
  }
}

TEST_F(FrameStatisticsTest, ColouredFrameBrightnessIsItsLuma) {
  ASSERT_EQ(0, Init("S5K3BA"));
  std::vector<uint8_t> raw(640 * 480);
  for (uint32_t y = 0; y < 480; ++y) {
    for (uint32_t x = 0; x < 640; ++x) {
      const bool greenBlue = y % 2 == 0;
      raw[y * 640 + x] = greenBlue ? (x % 2 == 0 ? 50 : 25) : (x % 2 == 0 ? 100 : 50);
    }
  }
  // (299 x 100 + 587 x 50 + 114 x 25) / 1000, through the window ratios.
  EXPECT_EQ(62u, MeasureFrame(context_, raw.data(), 640, 480));
  EXPECT_EQ(2500u, context_->windowStats[10][0]);
  EXPECT_EQ(1250u, context_->windowStats[10][1]);
  EXPECT_EQ(625u, context_->windowStats[10][2]);
}

TEST_F(FrameStatisticsTest, OnlyTheLargest32AlignedAreaIsMeasured) {
  ASSERT_EQ(0, Init("OV9650"));
  // 650 x 490: the measured area is 640 x 480; the rest is bright.
  std::vector<uint8_t> raw(650 * 490, 200);
  for (uint32_t y = 0; y < 480; ++y) {
    for (uint32_t x = 0; x < 640; ++x) raw[y * 650 + x] = 30;
  }
  EXPECT_EQ(30u, MeasureFrame(context_, raw.data(), 650, 490));
  EXPECT_EQ(750u, context_->windowStats[63][1]);
}

TEST_F(FrameStatisticsTest, FramesTooSmallToMeasureKeepTheLastMeasurement) {
  ASSERT_EQ(0, Init("OV9650"));
  context_->measuredBrightness = 77;
  std::vector<uint8_t> raw(64 * 64, 200);
  EXPECT_EQ(77u, MeasureFrame(context_, raw.data(), 64, 64));
  EXPECT_EQ(77u, MeasureFrame(context_, raw.data(), 31, 1000));
  EXPECT_EQ(77u, context_->measuredBrightness);
}

}  // namespace
}  // namespace sorvextest
