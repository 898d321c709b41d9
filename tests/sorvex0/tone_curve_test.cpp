// The fixed curves, the default gamma curves and the three output tables.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <memory>

#include "core/sensor_table.h"
#include "exposure/fixed_curves.h"
#include "exposure/tone_curve.h"
#include "fake_minidriver.h"
#include "core/isp_context.h"

using namespace sorvex0;

namespace sorvextest {
namespace {

struct Pin {
  int index;
  uint16_t value;
};

void ExpectPins(const uint16_t *curve, std::initializer_list<Pin> pins, const char *name) {
  for (const Pin &p : pins) EXPECT_EQ(p.value, curve[p.index]) << name << "[" << p.index << "]";
}

void ExpectMonotone(const uint16_t *curve, const char *name) {
  for (int i = 1; i < 256; ++i) ASSERT_LE(curve[i - 1], curve[i]) << name << " at " << i;
}

TEST(FixedCurvesTest, SCurveRunsThroughItsValuesBelowThenAboveTheLine) {
  const uint16_t *s = ContrastSCurve();
  ExpectPins(s,
             {{0, 0}, {1, 59}, {2, 120}, {4, 253}, {60, 9017}, {64, 10016}, {124, 31248},
              {128, 32768}, {131, 33904}, {250, 64961}, {254, 65222}, {255, 65280}},
             "S");
  ExpectMonotone(s, "S");
  for (int i = 1; i < 128; ++i) EXPECT_LT(s[i], 256 * i) << i;
  for (int i = 129; i < 255; ++i) EXPECT_GT(s[i], 256 * i) << i;
}

TEST(FixedCurvesTest, HighlightCurveRunsThroughItsValuesAboveTheLine) {
  const uint16_t *h = HighlightCurve();
  ExpectPins(h,
             {{0, 0}, {1, 325}, {2, 650}, {3, 974}, {120, 34304}, {125, 35572}, {250, 64253},
              {255, 65280}},
             "H");
  ExpectMonotone(h, "H");
  for (int i = 1; i < 255; ++i) EXPECT_GT(h[i], 256 * i) << i;
}

TEST(FixedCurvesTest, DefaultGammaCurvesOfTheSixGroups) {
  struct Group {
    uint32_t sensor;
    uint16_t at[8];  // inputs 0, 1, 16, 32, 64, 128, 192, 255
    int32_t points;
  };
  const Group groups[] = {
      {kSensorEs2216, {0, 0, 2501, 16031, 36132, 56520, 63471, 65280}, 8},
      {kSensorOv7670, {0, 0, 2501, 16031, 36132, 56520, 63471, 65280}, 8},
      {kSensorMi0360, {0, 0, 2501, 16031, 36132, 56520, 63471, 65280}, 8},
      {kSensorS5k4aa, {0, 621, 10775, 20951, 34956, 52135, 61540, 65280}, 8},
      {kSensorS5k3ba, {0, 621, 10775, 20951, 34956, 52135, 61540, 65280}, 8},
      {kSensorOv9650, {0, 434, 7120, 14900, 27925, 42653, 54219, 65280}, 7},
      {kSensorOv9655, {0, 792, 11714, 21320, 34773, 50508, 60070, 65280}, 6},
      {kSensorMo4000, {0, 860, 12731, 22978, 38397, 55913, 63097, 65280}, 7},
      {kSensorMi1320, {0, 39, 4096, 15616, 32647, 52202, 61546, 65280}, 7},
  };
  const int inputs[8] = {0, 1, 16, 32, 64, 128, 192, 255};
  for (const Group &g : groups) {
    const DefaultGamma gamma = DefaultGammaFor(SensorById(g.sensor));
    for (int k = 0; k < 8; ++k) {
      EXPECT_EQ(g.at[k], gamma.curve[inputs[k]]) << "sensor " << g.sensor << " input " << inputs[k];
    }
    ExpectMonotone(gamma.curve, "gamma");
    EXPECT_EQ(g.points, gamma.pointCount) << g.sensor;
  }
}

TEST(FixedCurvesTest, GammaControlPointsLieOnTheirCurve) {
  for (uint32_t sensor : {kSensorEs2216, kSensorS5k4aa, kSensorOv9650, kSensorOv9655,
                          kSensorMo4000, kSensorMi1320}) {
    const DefaultGamma gamma = DefaultGammaFor(SensorById(sensor));
    int32_t lastInput = -1;
    for (int32_t k = 0; k < gamma.pointCount; ++k) {
      const uint32_t packed = static_cast<uint32_t>(gamma.points[k]);
      const int32_t input = static_cast<int32_t>(packed & 0xFFFF);
      EXPECT_GT(input, lastInput) << sensor;
      ASSERT_LE(input, 255) << sensor;
      EXPECT_EQ(gamma.curve[input] >> 8, packed >> 16) << sensor << " input " << input;
      lastInput = input;
    }
    EXPECT_EQ(0u, static_cast<uint32_t>(gamma.points[0]) & 0xFFFF);
    EXPECT_EQ(255, lastInput);
  }
}

class ToneTablesTest : public ::testing::Test {
 protected:
  void Use(uint32_t sensorId) {
    context_ = std::make_unique<IspContext>();
    UseSensor(context_.get(), sensorId);
    context_->awbRefR = context_->awbRefG = context_->awbRefB = 100;
    context_->awbGainLimit = 20;
    LoadDefaultGamma(context_.get());
  }
  void SetReferences(uint32_t r, uint32_t g, uint32_t b, uint32_t limit) {
    context_->awbRefR = r;
    context_->awbRefG = g;
    context_->awbRefB = b;
    context_->awbGainLimit = limit;
  }
  // The output of the neutral tone curve at input i: the gamma curve / 256.
  int Gamma8(int i) const { return context_->gammaCurve[i > 255 ? 255 : i] >> 8; }

  std::unique_ptr<IspContext> context_;
};

TEST_F(ToneTablesTest, LoadDefaultGammaReplacesPointsAndCurve) {
  Use(kSensorOv9655);
  std::memset(context_->gammaPoints, 0x5A, sizeof(context_->gammaPoints));
  std::memset(context_->gammaCurve, 0x5A, sizeof(context_->gammaCurve));
  LoadDefaultGamma(context_.get());
  const DefaultGamma gamma = DefaultGammaFor(SensorById(kSensorOv9655));
  EXPECT_EQ(6, context_->gammaPointCount);
  EXPECT_EQ(0, std::memcmp(context_->gammaPoints, gamma.points, 6 * sizeof(int32_t)));
  for (uint32_t k = 6; k < kMaxGammaPoints; ++k) EXPECT_EQ(0, context_->gammaPoints[k]);
  EXPECT_EQ(0, std::memcmp(context_->gammaCurve, gamma.curve, sizeof(context_->gammaCurve)));
}

TEST_F(ToneTablesTest, NeutralValuesGiveTheGammaCurveInEveryTable) {
  for (uint32_t sensor : {kSensorEs2216, kSensorOv9650, kSensorOv9655, kSensorS5k4aa,
                          kSensorS5k3ba, kSensorMo4000, kSensorMi1320}) {
    Use(sensor);
    BuildToneTables(context_.get(), 50, 50, 50);
    for (int i = 0; i < 256; ++i) {
      ASSERT_EQ(Gamma8(i), context_->lutR[i]) << sensor << " at " << i;
      ASSERT_EQ(context_->lutR[i], context_->lutG[i]) << sensor << " at " << i;
      ASSERT_EQ(context_->lutR[i], context_->lutB[i]) << sensor << " at " << i;
      ASSERT_EQ(context_->gammaCurve[i], context_->toneCurve[i]);
    }
  }
}

TEST_F(ToneTablesTest, BlackLevelZeroesTheDarkInputsAndStretchesTheRest) {
  Use(kSensorEs2216);
  context_->blackLevel = 20;
  BuildToneTables(context_.get(), 50, 50, 50);
  for (int i = 0; i <= 20; ++i) EXPECT_EQ(0, context_->lutG[i]) << i;
  // (i - 20) * 255 / 235 lands on whole inputs at 67, 114, 161 and 208.
  EXPECT_EQ(Gamma8(51), context_->lutG[67]);
  EXPECT_EQ(Gamma8(102), context_->lutG[114]);
  EXPECT_EQ(Gamma8(153), context_->lutG[161]);
  EXPECT_EQ(Gamma8(204), context_->lutG[208]);
  EXPECT_EQ(255, context_->lutG[255]);
  for (int i = 1; i < 256; ++i) EXPECT_LE(context_->toneCurve[i - 1], context_->toneCurve[i]);
}

TEST_F(ToneTablesTest, ContrastMovesTheCurveToTheSCurveAndAwayFromIt) {
  Use(kSensorEs2216);
  const uint16_t *s = ContrastSCurve();
  BuildToneTables(context_.get(), 50, 100, 50);
  for (int i = 0; i < 256; ++i) {
    const int g = context_->gammaCurve[i];
    int k = (g + 128) >> 8;  // the rounded 8-bit value
    if (k > 255) k = 255;
    ASSERT_EQ(s[k], context_->toneCurve[i]) << i;
  }
  BuildToneTables(context_.get(), 50, 0, 50);
  for (int i = 0; i < 256; ++i) {
    const int g = context_->gammaCurve[i];
    int k = (g + 128) >> 8;
    if (k > 255) k = 255;
    const int away = std::min(65535, std::max(0, 2 * g - s[k]));
    ASSERT_EQ(away, context_->toneCurve[i]) << i;
  }
}

TEST_F(ToneTablesTest, GammaStrengthScalesTheBend) {
  Use(kSensorOv9650);
  BuildToneTables(context_.get(), 50, 50, 0);
  for (int i = 0; i < 256; ++i) {
    ASSERT_EQ(256 * i, context_->toneCurve[i]);
    ASSERT_EQ(i, context_->lutB[i]);
  }
  BuildToneTables(context_.get(), 50, 50, 100);
  for (int i = 0; i < 256; ++i) {
    const int doubled = 2 * context_->gammaCurve[i] - 256 * i;
    ASSERT_EQ(std::min(65535, std::max(0, doubled)), context_->toneCurve[i]) << i;
  }
}

TEST_F(ToneTablesTest, LargestReferenceIsCappedAndTheMiddleScaledWithIt) {
  struct Case {
    uint32_t r, g, b, limit;
    int gainR, gainG, gainB;
  };
  const Case cases[] = {
      {40000, 10000, 20000, 30, 1, 3, 2}, {40000, 20000, 10000, 30, 1, 2, 3},
      {10000, 40000, 20000, 30, 3, 1, 2}, {20000, 40000, 10000, 30, 2, 1, 3},
      {10000, 20000, 40000, 30, 3, 2, 1}, {20000, 10000, 40000, 30, 2, 3, 1},
      // Equal smallest references: the blue one is scaled with the red.
      {40000, 10000, 10000, 30, 1, 3, 4},
      // At or within the limit nothing is capped.
      {10000, 10000, 30000, 30, 3, 3, 1}, {10000, 40000, 20000, 40, 4, 1, 2},
  };
  for (const Case &c : cases) {
    Use(kSensorEs2216);
    SetReferences(c.r, c.g, c.b, c.limit);
    BuildToneTables(context_.get(), 50, 50, 50);
    for (int i = 0; i < 256; ++i) {
      ASSERT_EQ(Gamma8(c.gainR * i), context_->lutR[i]) << c.r << "/" << c.g << "/" << c.b << " at " << i;
      ASSERT_EQ(Gamma8(c.gainG * i), context_->lutG[i]) << c.r << "/" << c.g << "/" << c.b << " at " << i;
      ASSERT_EQ(Gamma8(c.gainB * i), context_->lutB[i]) << c.r << "/" << c.g << "/" << c.b << " at " << i;
    }
  }
}

TEST_F(ToneTablesTest, HighlightGainsOfOvAndS5kSensors) {
  Use(kSensorOv9650);
  SetReferences(10000, 20000, 20000, 20);  // red lifted by 100 %
  BuildToneTables(context_.get(), 50, 50, 50);
  // Ramp at 120: 3840 + (34304 - 30720) * 100 / 200 = 5632 = 32 * 176.
  EXPECT_EQ(Gamma8(176), context_->lutR[120]);
  for (int i = 0; i < 256; ++i) {
    ASSERT_EQ(Gamma8(i), context_->lutG[i]);
    ASSERT_EQ(Gamma8(i), context_->lutB[i]);
    ASSERT_GE(context_->lutR[i], context_->lutG[i]);
  }
  EXPECT_EQ(255, context_->lutR[255]);

  Use(kSensorS5k4aa);
  SetReferences(10000, 20000, 20000, 20);
  BuildToneTables(context_.get(), 50, 50, 50);
  // Ramp at 120: (1792 + 3840 + 2 * 7680) * 3 / 9 = 6997, between 218 and 219.
  EXPECT_GE(context_->lutR[120], Gamma8(218));
  EXPECT_LE(context_->lutR[120], Gamma8(219));
  for (int i = 0; i < 256; ++i) ASSERT_EQ(Gamma8(i), context_->lutG[i]);
}

TEST_F(ToneTablesTest, BrightnessShiftsEveryEntryWithinTheByteRange) {
  Use(kSensorMo4000);
  BuildToneTables(context_.get(), 0, 50, 50);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(std::max(0, Gamma8(i) - 50), context_->lutR[i]) << i;
  EXPECT_EQ(0, context_->lutB[3]);
  BuildToneTables(context_.get(), 100, 50, 50);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(std::min(255, Gamma8(i) + 50), context_->lutG[i]) << i;
}

TEST_F(ToneTablesTest, ZeroReferencesAndOutlandishPictureValuesStayDefined) {
  Use(kSensorS5k3ba);
  SetReferences(0, 0, 0, 30);
  BuildToneTables(context_.get(), 50, 50, 50);
  EXPECT_EQ(0, std::memcmp(context_->lutR, context_->lutG, 256));
  EXPECT_EQ(0, std::memcmp(context_->lutR, context_->lutB, 256));

  SetReferences(0, 100, 100, 20);  // red taken as 1: lifted to twice the others
  BuildToneTables(context_.get(), 50, 50, 50);
  for (int i = 0; i < 256; ++i) ASSERT_GE(context_->lutR[i], context_->lutG[i]);
  EXPECT_GT(context_->lutR[64], context_->lutG[64]);

  Use(kSensorEs2216);
  context_->blackLevel = 255;
  BuildToneTables(context_.get(), 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(255, context_->lutR[i]);
  BuildToneTables(context_.get(), 50, 0xFFFFFFFFu, 50);
  uint16_t huge[256];
  std::memcpy(huge, context_->toneCurve, sizeof(huge));
  BuildToneTables(context_.get(), 50, 10000, 50);
  EXPECT_EQ(0, std::memcmp(huge, context_->toneCurve, sizeof(huge)));
}

class DefaultGammaAtInitTest : public MinidriverTest {};

TEST_F(DefaultGammaAtInitTest, InitLoadsTheSensorsDefaultGamma) {
  ASSERT_EQ(0, Init("OV9655"));
  EXPECT_EQ(6, context_->gammaPointCount);
  EXPECT_EQ(11714, context_->gammaCurve[16]);
  EXPECT_EQ(0, std::memcmp(context_->gammaCurve, DefaultGammaFor(SensorById(kSensorOv9655)).curve, 512));
  Exit();
  ASSERT_EQ(0, Init("XY1234"));  // unknown sensor: the common curve
  EXPECT_EQ(8, context_->gammaPointCount);
  EXPECT_EQ(2501, context_->gammaCurve[16]);
}

}  // namespace
}  // namespace sorvextest
