// Lens-shading correction: the gain map, its strength and its cache.

#include <cstring>

#include "fake_minidriver.h"
#include "core/sensor_table.h"
#include "core/isp_context.h"
#include "frame/lens_shading.h"

using namespace sorvex0;

namespace sorvextest {
namespace {

// What the conversion library's applyShading slot received.
struct ShadingCall {
  int32_t width = 0, height = 0;
  uint32_t enable = 0;
  const uint8_t *map = nullptr;
  int calls = 0;
};

ShadingCall &LastShading() {
  static ShadingCall call;
  return call;
}

void RecordShading(void *, uint8_t *, int32_t width, int32_t height, uint32_t enable,
                   const uint8_t *map, uint32_t, const uint8_t *, const uint8_t *, const uint8_t *) {
  ShadingCall &call = LastShading();
  call.width = width;
  call.height = height;
  call.enable = enable;
  call.map = map;
  ++call.calls;
}

class LensShadingTest : public MinidriverTest {
 protected:
  void InitSensor(const char *sensor) {
    ASSERT_EQ(0, Init(sensor));
    original_ = context_->conversionOps->applyShading;
    context_->conversionOps->applyShading = RecordShading;
    LastShading() = ShadingCall();
    context_->ric = 1;
    context_->aeTarget = 72;
    context_->measuredBrightness = 72;  // at the target: full strength
    context_->centreScore = 96;
  }
  void TearDown() override {
    if (context_ != nullptr) context_->conversionOps->applyShading = original_;
    MinidriverTest::TearDown();
  }
  void Apply(uint32_t ws, uint32_t hs, uint32_t w, uint32_t h) {
    raw_.assign(static_cast<size_t>(ws) * hs, 100);
    ApplyLensShading(context_, raw_.data(), ws, hs, w, h);
  }
  uint8_t MapAt(uint32_t width, uint32_t x, uint32_t y) const {
    return context_->ricMapA[static_cast<size_t>(y) * width + x];
  }

  ApplyShadingFn original_ = nullptr;
  std::vector<uint8_t> raw_;
};

TEST(LensShadingTables, RadialIndexRunsFromTheCornerToTheCentre) {
  EXPECT_EQ(127, RadialIndex(0, 0));
  EXPECT_EQ(0, RadialIndex(159, 159));
  for (uint32_t i = 1; i < 160; ++i) EXPECT_LE(RadialIndex(i, i), RadialIndex(i - 1, i - 1));
  EXPECT_EQ(RadialIndex(20, 100), RadialIndex(100, 20));  // round, not elliptic
}

TEST(LensShadingTables, CurvesRiseFromZeroToTheirEnds) {
  for (uint32_t curve = 0; curve < 3; ++curve) {
    EXPECT_EQ(64, LensGain(SensorById(21), curve, 127));  // OV9650
    for (uint32_t sensor : {20u, 21u, 22u, 23u, 26u, 27u, 24u}) {
      EXPECT_EQ(0, LensGain(SensorById(sensor), curve, 0));
      for (uint32_t i = 1; i < 128; ++i) ASSERT_LE(LensGain(SensorById(sensor), curve, i - 1), LensGain(SensorById(sensor), curve, i));
    }
  }
  EXPECT_EQ(86, LensGain(SensorById(26), 0, 127));  // OV9655
  EXPECT_EQ(75, LensGain(SensorById(26), 1, 127));
  EXPECT_EQ(79, LensGain(SensorById(26), 2, 127));
}

TEST_F(LensShadingTest, FirstFrameBuildsAMapBrightAtTheCornersWithTheBayerCurves) {
  InitSensor("OV9655");
  Apply(320, 240, 320, 240);
  ASSERT_EQ(1, LastShading().calls);
  EXPECT_EQ(1u, LastShading().enable);
  EXPECT_EQ(context_->ricMapA, LastShading().map);
  EXPECT_EQ(0, context_->ricLastLevel);
  // Map line 0 is line 40 of the 320 x 320 square: a green-blue line with
  // green (curve 1) at column 0 and blue (curve 2) at column 1; map line 1
  // starts with red (curve 0).
  EXPECT_EQ(LensGain(SensorById(26), 1, RadialIndex(40, 0)), MapAt(320, 0, 0));
  EXPECT_EQ(LensGain(SensorById(26), 2, RadialIndex(40, 1)), MapAt(320, 1, 0));
  EXPECT_EQ(LensGain(SensorById(26), 0, RadialIndex(41, 0)), MapAt(320, 0, 1));
  EXPECT_GT(MapAt(320, 0, 0), 50);
  EXPECT_LT(MapAt(320, 160, 120), 3);
}

TEST_F(LensShadingTest, MapMirrorsTheQuadrant) {
  InitSensor("OV9650");  // three equal curves: the map is symmetric
  Apply(320, 240, 320, 240);
  EXPECT_EQ(MapAt(320, 10, 50), MapAt(320, 309, 50));
  EXPECT_EQ(MapAt(320, 10, 50), MapAt(320, 10, 189));
  EXPECT_EQ(MapAt(320, 10, 50), MapAt(320, 309, 189));
}

TEST_F(LensShadingTest, DarkFramesSkipTheCorrectionButNotTheTables) {
  InitSensor("OV9650");
  context_->measuredBrightness = 35;  // below half the target
  Apply(320, 240, 320, 240);
  EXPECT_EQ(1, LastShading().calls);
  EXPECT_EQ(0u, LastShading().enable);
  EXPECT_EQ(nullptr, context_->ricMapA);  // no map was built
  EXPECT_EQ(0xFF, context_->ricLastLevel);
}

TEST_F(LensShadingTest, StrengthFollowsBrightnessScoreAndNoise) {
  InitSensor("S5K4AA");
  context_->aeTarget = 60;
  uint8_t level = 0;
  context_->measuredBrightness = 60;
  ASSERT_TRUE(LensShadingLevel(context_, &level));
  EXPECT_EQ(0, level);
  context_->noiseLevel = 3;
  ASSERT_TRUE(LensShadingLevel(context_, &level));
  EXPECT_EQ(3, level);  // never weaker than the noise level
  context_->noiseLevel = 0;
  context_->measuredBrightness = 30;  // exactly half: weakest
  ASSERT_TRUE(LensShadingLevel(context_, &level));
  EXPECT_EQ(7 - (38 - 30) * 7 / 30, level);
  context_->measuredBrightness = 60;
  for (auto [score, extra] : {std::pair<int, int>{91, 0}, {88, 1}, {80, 2}, {75, 3}, {50, 4}}) {
    context_->centreScore = score;
    ASSERT_TRUE(LensShadingLevel(context_, &level));
    EXPECT_EQ(extra, level) << score;
  }
  // Tiny targets do not wrap the level around.
  context_->centreScore = 96;
  for (uint32_t target : {0u, 1u, 3u, 5u, 15u}) {
    context_->aeTarget = target;
    context_->measuredBrightness = target;
    ASSERT_TRUE(LensShadingLevel(context_, &level));
    EXPECT_LE(level, 7) << target;
  }
}

TEST_F(LensShadingTest, MapIsCachedBySizeAndLevel) {
  InitSensor("OV9650");
  Apply(640, 480, 640, 480);
  context_->ricMapA[0] = 0xEE;  // a rebuild would overwrite this
  Apply(640, 480, 640, 480);
  EXPECT_EQ(0xEE, context_->ricMapA[0]);
  context_->noiseLevel = 2;  // a new level rebuilds
  Apply(640, 480, 640, 480);
  EXPECT_NE(0xEE, context_->ricMapA[0]);
  EXPECT_EQ(2, context_->ricLastLevel);
}

TEST_F(LensShadingTest, UnsupportedWidthBuildsNoMap) {
  InitSensor("OV9650");
  Apply(1024, 768, 1024, 768);
  ASSERT_NE(nullptr, context_->ricMapA);
  EXPECT_EQ(1u, LastShading().enable);
  for (size_t i = 0; i < 1024u * 768u; i += 997) ASSERT_EQ(0, context_->ricMapA[i]);
  EXPECT_EQ(1024, context_->ricLastWidth);
}

TEST_F(LensShadingTest, Sensor640By960IsBuiltAt480AndDoubled) {
  InitSensor("OV9650");
  Apply(640, 960, 640, 960);
  for (uint32_t k = 2; k <= 958; k += 2) {
    ASSERT_EQ(0, std::memcmp(&context_->ricMapA[k * 640], &context_->ricMapA[(k + 1) * 640], 640)) << k;
  }
  // Line 2k of the doubled map is line k of a 640 x 480 build.
  std::vector<uint8_t> doubled(context_->ricMapA, context_->ricMapA + 640 * 960);
  Apply(640, 480, 640, 480);
  EXPECT_EQ(0, std::memcmp(&doubled[400 * 640], &context_->ricMapA[200 * 640], 640));
}

TEST_F(LensShadingTest, S5k4aaCentreSitsHigher) {
  // The middle of the run of weakest gains down the centre column.
  auto centreLine = [this]() {
    uint32_t first = 0, last = 0;
    for (uint32_t y = 1; y < 960; ++y) {
      const uint8_t v = MapAt(1280, 640, y);
      if (v < MapAt(1280, 640, first)) first = last = y;
      if (v == MapAt(1280, 640, first)) last = y;
    }
    return static_cast<int>(first + last) / 2;
  };
  InitSensor("S5K4AA");
  Apply(1280, 960, 1280, 960);
  // The square's centre line 640 is kept from line 160 - 64 = 96 on.
  EXPECT_NEAR(640 - 96, centreLine(), 2);
  Exit();
  InitSensor("OV9650");
  Apply(1280, 960, 1280, 960);
  EXPECT_NEAR(480, centreLine(), 2);
}

TEST_F(LensShadingTest, CutWindowIsTheCentreOfTheFullMap) {
  InitSensor("OV9650");
  Apply(640, 480, 640, 480);
  std::vector<uint8_t> full(context_->ricMapA, context_->ricMapA + 640 * 480);
  Apply(320, 240, 640, 480);
  for (uint32_t y = 0; y < 240; y += 7) {
    ASSERT_EQ(0, std::memcmp(&context_->ricMapA[y * 320], &full[(y + 120) * 640 + 160], 320)) << y;
  }
  EXPECT_EQ(320, LastShading().width);
  EXPECT_EQ(240, LastShading().height);
}

TEST_F(LensShadingTest, SourceLargerThanItsFrameIsNotCorrected) {
  InitSensor("OV9650");
  Apply(640, 480, 320, 240);
  EXPECT_EQ(0u, LastShading().enable);
}

TEST_F(LensShadingTest, ExhaustedPoolSkipsTheCorrection) {
  InitSensor("OV9650");
  hostkernel::FailNthAllocation(1);
  Apply(320, 240, 320, 240);
  EXPECT_EQ(0u, LastShading().enable);
  EXPECT_EQ(nullptr, context_->ricMapA);
  Apply(320, 240, 320, 240);  // the next frame tries again
  EXPECT_EQ(1u, LastShading().enable);
}

}  // namespace
}  // namespace sorvextest
