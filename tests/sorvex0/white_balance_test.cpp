// White-candidate weights, the white-balance estimate and the channel
// references with their damping.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "core/sensor_table.h"
#include "exposure/white_balance.h"
#include "exposure/white_candidate_weights.h"
#include "core/isp_context.h"

using namespace sorvex0;

namespace sorvextest {
namespace {

std::unique_ptr<IspContext> Context(uint32_t sensorId) {
  auto context = std::make_unique<IspContext>();
  UseSensor(context.get(), sensorId);
  context->aeTarget = 72;
  return context;
}

// Every window gets the same means (each 25 times the 8-bit mean).
void FillWindows(IspContext *context, uint32_t r, uint32_t g, uint32_t b) {
  for (auto &window : context->windowStats) {
    window[0] = r;
    window[1] = g;
    window[2] = b;
  }
}

TEST(WhiteCandidateWeightsTest, CellsFollowTheRatiosAndClampAtTheEdges) {
  EXPECT_EQ(0u, WhiteWeightColumn(0));
  EXPECT_EQ(0u, WhiteWeightColumn(44));
  EXPECT_EQ(1u, WhiteWeightColumn(45));
  EXPECT_EQ(26u, WhiteWeightColumn(174));
  EXPECT_EQ(27u, WhiteWeightColumn(175));
  EXPECT_EQ(27u, WhiteWeightColumn(100000));
  EXPECT_EQ(0u, WhiteWeightRow(24));
  EXPECT_EQ(1u, WhiteWeightRow(30));
  EXPECT_EQ(16u, WhiteWeightRow(109));
  EXPECT_EQ(17u, WhiteWeightRow(110));
  EXPECT_EQ(17u, WhiteWeightRow(5000));
  // R/G 0.62, B/G 0.72 is row 9, column 4.
  EXPECT_EQ(80, WhiteCandidateWeight(SensorById(kSensorEs2216), 62, 72));
  // Telling cells of the common table; its first and last three rows are empty.
  EXPECT_EQ(60, WhiteWeightAt(SensorById(kSensorEs2216), 4, 15));
  EXPECT_EQ(72, WhiteWeightAt(SensorById(kSensorEs2216), 8, 11));
  EXPECT_EQ(7, WhiteWeightAt(SensorById(kSensorOv9650), 8, 8));
  EXPECT_EQ(12, WhiteWeightAt(SensorById(kSensorMi1320), 1, 27));
  EXPECT_EQ(40, WhiteWeightAt(SensorById(kSensorEs2216), 14, 6));
  for (uint32_t column = 0; column < kWhiteWeightColumns; ++column) {
    for (uint32_t row : {0u, 15u, 16u, 17u}) EXPECT_EQ(0, WhiteWeightAt(SensorById(kSensorEs2216), row, column));
  }
}

TEST(WhiteCandidateWeightsTest, S5kTableDiffersInItsFourteenCells) {
  struct Cell {
    uint32_t row, column;
    uint8_t weight;
  };
  const Cell cells[] = {{5, 16, 11}, {6, 9, 44},  {6, 10, 55}, {6, 11, 66}, {6, 12, 66},
                        {6, 13, 66}, {6, 14, 66}, {6, 15, 55}, {6, 16, 11}, {7, 10, 66},
                        {7, 11, 66}, {7, 12, 66}, {7, 13, 66}, {7, 16, 11}};
  uint32_t differing = 0;
  for (uint32_t row = 0; row < kWhiteWeightRows; ++row) {
    for (uint32_t column = 0; column < kWhiteWeightColumns; ++column) {
      const uint8_t s5k = WhiteWeightAt(SensorById(kSensorS5k4aa), row, column);
      EXPECT_EQ(s5k, WhiteWeightAt(SensorById(kSensorS5k3ba), row, column));
      if (s5k != WhiteWeightAt(SensorById(kSensorEs2216), row, column)) ++differing;
    }
  }
  EXPECT_EQ(14u, differing);
  for (const Cell &c : cells) EXPECT_EQ(c.weight, WhiteWeightAt(SensorById(kSensorS5k4aa), c.row, c.column));
}

TEST(WhiteCandidateWeightsTest, Mo4000TableIsShiftedTowardRedAndLowerBlue) {
  for (uint32_t row = 0; row < kWhiteWeightRows; ++row) {
    for (uint32_t column = 0; column < kWhiteWeightColumns; ++column) {
      const uint8_t expected = (row + 1 < kWhiteWeightRows && column >= 7)
                                   ? WhiteWeightAt(SensorById(kSensorEs2216), row + 1, column - 7)
                                   : 0;
      ASSERT_EQ(expected, WhiteWeightAt(SensorById(kSensorMo4000), row, column)) << row << "," << column;
    }
  }
  EXPECT_EQ(60, WhiteWeightAt(SensorById(kSensorMo4000), 3, 22));
  EXPECT_EQ(80, WhiteWeightAt(SensorById(kSensorMo4000), 8, 8));
}

TEST(WhiteBalanceEstimateTest, NoCountedWindowGivesTheFallbackEstimates) {
  auto context = Context(kSensorEs2216);
  FillWindows(context.get(), 1, 1, 1);  // far too dark
  WhiteBalanceRatios weighted{};
  EXPECT_EQ(0u, WeightedWhiteEstimate(context.get(), &weighted));
  EXPECT_EQ(10000u, weighted.redToGreen);
  EXPECT_EQ(10000u, weighted.blueToGreen);
  WhiteBalanceRatios ratios{};
  ASSERT_TRUE(EstimateWhiteBalance(context.get(), &ratios));
  EXPECT_EQ(6300u, ratios.redToGreen);
  EXPECT_EQ(10000u, ratios.blueToGreen);

  context = Context(kSensorMo4000);
  FillWindows(context.get(), 6375, 6375, 6375);  // far too bright
  ASSERT_TRUE(EstimateWhiteBalance(context.get(), &ratios));
  EXPECT_EQ(10500u, ratios.redToGreen);
  EXPECT_EQ(6500u, ratios.blueToGreen);
}

TEST(WhiteBalanceEstimateTest, WindowsCountOnlyStrictlyInsideTheBrightnessBounds) {
  auto context = Context(kSensorEs2216);
  // R/G 0.60, B/G 0.70 (weight 80); s = B + 3R + 6G = 8500.
  FillWindows(context.get(), 600, 1000, 700);
  context->aeTarget = 85;
  WhiteBalanceRatios ratios{};
  EXPECT_EQ(0u, WeightedWhiteEstimate(context.get(), &ratios));
  EXPECT_EQ(10000u, ratios.redToGreen);
  context->aeTarget = 84;
  EXPECT_EQ(64u * 80, WeightedWhiteEstimate(context.get(), &ratios));
  EXPECT_EQ(6000u, ratios.redToGreen);

  // s = 60000 does not count, 59970 does (weight 0: the plain mean).
  FillWindows(context.get(), 6000, 6000, 6000);
  EXPECT_EQ(0u, WeightedWhiteEstimate(context.get(), &ratios));
  EXPECT_EQ(10000u, ratios.redToGreen);
  FillWindows(context.get(), 5990, 6000, 6000);
  EXPECT_EQ(0u, WeightedWhiteEstimate(context.get(), &ratios));
  EXPECT_EQ(9900u, ratios.redToGreen);
}

TEST(WhiteBalanceEstimateTest, WeightedMeanOfTheCandidates) {
  auto context = Context(kSensorEs2216);
  for (uint32_t w = 0; w < 64; ++w) {
    // Half the windows at row 9, column 4 (weight 80), half at row 3,
    // column 7 (weight 20).
    const bool first = w % 2 == 0;
    context->windowStats[w][0] = first ? 620 : 770;
    context->windowStats[w][1] = 1000;
    context->windowStats[w][2] = first ? 720 : 420;
  }
  WhiteBalanceRatios ratios{};
  EXPECT_EQ(32u * 100, WeightedWhiteEstimate(context.get(), &ratios));
  EXPECT_EQ(6500u, ratios.redToGreen);   // (80 * 62 + 20 * 77) / 100 * 100
  EXPECT_EQ(6600u, ratios.blueToGreen);  // (80 * 72 + 20 * 42) / 100 * 100
  // 3200 is above 1920: the weighted estimate stands.
  WhiteBalanceRatios final{};
  ASSERT_TRUE(EstimateWhiteBalance(context.get(), &final));
  EXPECT_EQ(6500u, final.redToGreen);
  EXPECT_EQ(6600u, final.blueToGreen);
}

TEST(WhiteBalanceEstimateTest, WithoutWeightThePlainMeansAreLimited) {
  auto context = Context(kSensorEs2216);
  for (uint32_t w = 0; w < 64; ++w) {
    // R/G 1.00 and 1.50, B/G 1.00 and 1.21: rows past the table's weights.
    context->windowStats[w][0] = w % 2 == 0 ? 1000 : 1500;
    context->windowStats[w][1] = 1000;
    context->windowStats[w][2] = w % 2 == 0 ? 1000 : 1210;
  }
  WhiteBalanceRatios ratios{};
  EXPECT_EQ(0u, WeightedWhiteEstimate(context.get(), &ratios));
  EXPECT_EQ(12500u, ratios.redToGreen);
  EXPECT_EQ(11050u, ratios.blueToGreen);

  FillWindows(context.get(), 300, 1000, 2000);  // R/G 0.30, B/G 2.00
  EXPECT_EQ(0u, WeightedWhiteEstimate(context.get(), &ratios));
  EXPECT_EQ(5000u, ratios.redToGreen);
  EXPECT_EQ(16000u, ratios.blueToGreen);
}

TEST(WhiteBalanceEstimateTest, SaturatedRedWindowsDoNotOverflowTheMean) {
  auto context = Context(kSensorEs2216);
  // R/G 1119.00 and B/G 0.33 (row 1, column 27, weight 12) in every window:
  // 12 * 111900 * 64 * 100 is past 32 bits, and wrapped it would give 5189.
  FillWindows(context.get(), 3357, 3, 1);
  WhiteBalanceRatios ratios{};
  EXPECT_EQ(64u * 12, WeightedWhiteEstimate(context.get(), &ratios));
  EXPECT_EQ(16000u, ratios.redToGreen);
  EXPECT_EQ(5000u, ratios.blueToGreen);
}

TEST(WhiteBalanceEstimateTest, FinalEstimateMovesAndBlendsTheFallbackPoint) {
  // A reddish estimate: e = 7300 and the point moves to (7300, 5633).
  WhiteBalanceRatios r = FinalWhiteEstimate(SensorById(kSensorEs2216), {9300, 5300}, 0);
  EXPECT_EQ(7300u, r.redToGreen);
  EXPECT_EQ(5633u, r.blueToGreen);
  // e = 14000 is compressed to 13000 and capped at 12500; l = 9400.
  r = FinalWhiteEstimate(SensorById(kSensorEs2216), {16000, 6300}, 639);
  EXPECT_EQ(9400u, r.redToGreen);
  EXPECT_EQ(6300u, r.blueToGreen);
  // Between 640 and 1920 the two are blended by the weight sum.
  r = FinalWhiteEstimate(SensorById(kSensorEs2216), {6000, 7000}, 1280);
  EXPECT_EQ(6150u, r.redToGreen);
  EXPECT_EQ(6650u, r.blueToGreen);
  r = FinalWhiteEstimate(SensorById(kSensorEs2216), {6000, 7000}, 1919);
  EXPECT_EQ(6000u, r.redToGreen);  // (6300 + 1279 * 6000) / 1280
  r = FinalWhiteEstimate(SensorById(kSensorEs2216), {6000, 7000}, 1920);
  EXPECT_EQ(6000u, r.redToGreen);
  EXPECT_EQ(7000u, r.blueToGreen);
}

TEST(WhiteBalanceEstimateTest, Mo4000EstimateJustAboveTheFallbackStaysOnTheSegment) {
  // The compressed e (10375) lies below the MO4000's fallback R/G; unguarded,
  // B/G would come out as -182500.
  const WhiteBalanceRatios r = FinalWhiteEstimate(SensorById(kSensorMo4000), {10501, 5000}, 0);
  EXPECT_EQ(10500u, r.redToGreen);
  EXPECT_EQ(5000u, r.blueToGreen);
  for (uint32_t rw = 10501; rw < 16000; rw += 97) {
    for (uint32_t bw = 5000; bw <= 16000; bw += 1100) {
      const WhiteBalanceRatios m = FinalWhiteEstimate(SensorById(kSensorMo4000), {rw, bw}, 100);
      EXPECT_GE(m.redToGreen, 10500u);
      EXPECT_LE(m.redToGreen, rw);
      EXPECT_GE(m.blueToGreen, std::min(bw, 6500u)) << rw << "," << bw;
      EXPECT_LE(m.blueToGreen, std::max(bw, 6500u)) << rw << "," << bw;
    }
  }
}

TEST(WhiteBalanceReferencesTest, PresetBytesBecomeReferences) {
  auto context = Context(kSensorMi1320);
  context->awbPreset[0] = 0x786464;  // r 120, g 100, b 100
  context->awbPreset[4] = 0x0032FF;  // r 0, g 50, b 255
  context->awbPreset[8] = 0x646464;
  context->awbRunCount = 7;
  context->awbPrevRatioR = 8000;
  context->awbType = 1;
  WhiteBalanceRatios unused{};
  EXPECT_FALSE(EstimateWhiteBalance(context.get(), &unused));
  UpdateWhiteBalanceReferencesAt(context.get(), {16000, 16000}, 100);
  EXPECT_EQ(18000u, context->awbRefR);
  EXPECT_EQ(20000u, context->awbRefG);
  EXPECT_EQ(20000u, context->awbRefB);
  EXPECT_EQ(40u, context->awbGainLimit);
  context->awbType = 5;
  UpdateWhiteBalanceReferencesAt(context.get(), {}, 100);
  EXPECT_EQ(40000u, context->awbRefR);
  EXPECT_EQ(30000u, context->awbRefG);
  EXPECT_EQ(4500u, context->awbRefB);
  context->awbType = 9;  // 100/100/100: no correction
  UpdateWhiteBalanceReferencesAt(context.get(), {}, 100);
  EXPECT_EQ(context->awbRefR, context->awbRefG);
  EXPECT_EQ(context->awbRefG, context->awbRefB);
  // An empty preset, preset 1's fallback on every sensor but the MI1320:
  // equal references, no correction either.
  context->awbPreset[1] = 0;
  context->awbType = 2;
  UpdateWhiteBalanceReferencesAt(context.get(), {}, 100);
  EXPECT_EQ(40000u, context->awbRefR);
  EXPECT_EQ(40000u, context->awbRefG);
  EXPECT_EQ(40000u, context->awbRefB);
  // The damping state is left alone.
  EXPECT_EQ(7u, context->awbRunCount);
  EXPECT_EQ(8000u, context->awbPrevRatioR);
}

TEST(WhiteBalanceReferencesTest, AutomaticReferencesFromTheEstimate) {
  auto context = Context(kSensorEs2216);
  ResetWhiteBalance(context.get());
  UpdateWhiteBalanceReferencesAt(context.get(), {6300, 10000}, 100);
  EXPECT_EQ(25200u, context->awbRefR);
  EXPECT_EQ(40000u, context->awbRefG);
  EXPECT_EQ(40000u, context->awbRefB);
  EXPECT_EQ(30u, context->awbGainLimit);
  EXPECT_EQ(1u, context->awbRunCount);
  EXPECT_EQ(6300u, context->awbPrevRatioR);
  EXPECT_EQ(10000u, context->awbPrevRatioB);
  UpdateWhiteBalanceReferencesAt(context.get(), {0, 0}, 100);
  EXPECT_EQ(1u, context->awbRefR);
  EXPECT_EQ(1u, context->awbRefB);
}

TEST(WhiteBalanceReferencesTest, TypesAboveNineAreAutomaticWithAFreshEstimate) {
  auto context = Context(kSensorEs2216);
  FillWindows(context.get(), 620, 1000, 720);
  context->awbType = 10;
  WhiteBalanceRatios ratios{};
  ASSERT_TRUE(EstimateWhiteBalance(context.get(), &ratios));
  EXPECT_EQ(6200u, ratios.redToGreen);
  EXPECT_EQ(7200u, ratios.blueToGreen);
  UpdateWhiteBalanceReferencesAt(context.get(), ratios, 100);
  EXPECT_EQ(24800u, context->awbRefR);
  EXPECT_EQ(28800u, context->awbRefB);
  EXPECT_EQ(30u, context->awbGainLimit);
  EXPECT_FALSE(WhiteBalanceUsesPreset(context.get()));
  context->awbType = 0xFFFFFFFFu;
  EXPECT_TRUE(EstimateWhiteBalance(context.get(), &ratios));
}

// An exposure start and its twenty free runs at ratio 1.0; the next run is
// damped.
void RunFreelyAtNeutral(IspContext *context) {
  ResetWhiteBalance(context);
  for (int run = 0; run < 20; ++run) UpdateWhiteBalanceReferencesAt(context, {10000, 10000}, 100);
}

TEST(WhiteBalanceReferencesTest, DampingStartsWithTheTwentyFirstRunAfterAStart) {
  auto context = Context(kSensorEs2216);
  ResetWhiteBalance(context.get());
  for (int run = 0; run < 19; ++run) {
    UpdateWhiteBalanceReferencesAt(context.get(), {10000, 10000}, 100);
  }
  // The run that starts with awbRunCount 19 still follows freely.
  UpdateWhiteBalanceReferencesAt(context.get(), {16000, 5000}, 100);
  EXPECT_EQ(16000u, context->awbPrevRatioR);
  EXPECT_EQ(5000u, context->awbPrevRatioB);
  // The one that starts with 20 is limited to 6 % around the last ratios.
  UpdateWhiteBalanceReferencesAt(context.get(), {5000, 16000}, 100);
  EXPECT_EQ(15040u, context->awbPrevRatioR);
  EXPECT_EQ(5300u, context->awbPrevRatioB);
  EXPECT_EQ(40000u * 15040 / 10000, context->awbRefR);
  EXPECT_EQ(40000u * 5300 / 10000, context->awbRefB);
}

TEST(WhiteBalanceReferencesTest, ASuddenChangeMovesSixPercentInGoodLightOnePercentInLowLight) {
  struct Case {
    uint32_t lightLevel, up, down;
  };
  for (const Case c : {Case{100, 10600, 9400}, Case{50, 10600, 9400}, Case{49, 10100, 9900}}) {
    auto context = Context(kSensorEs2216);
    RunFreelyAtNeutral(context.get());
    UpdateWhiteBalanceReferencesAt(context.get(), {16000, 5000}, c.lightLevel);
    EXPECT_EQ(c.up, context->awbPrevRatioR) << c.lightLevel;
    EXPECT_EQ(c.down, context->awbPrevRatioB) << c.lightLevel;
    // Each further run moves by the same share of the last ratio until the
    // estimate is reached.
    uint32_t previous = context->awbPrevRatioR;
    int runs = 1;
    while (context->awbPrevRatioR < 16000 && runs < 200) {
      UpdateWhiteBalanceReferencesAt(context.get(), {16000, 5000}, c.lightLevel);
      EXPECT_LE(context->awbPrevRatioR, previous * c.up / 10000);
      previous = context->awbPrevRatioR;
      ++runs;
    }
    EXPECT_EQ(16000u, context->awbPrevRatioR);
    EXPECT_EQ(c.lightLevel >= 50 ? 9 : 48, runs) << c.lightLevel;
  }
}

TEST(WhiteBalanceReferencesTest, PresetsPauseTheDampingAndResetRestartsIt) {
  auto context = Context(kSensorEs2216);
  RunFreelyAtNeutral(context.get());
  context->awbType = 3;
  context->awbPreset[2] = 0x646464;
  UpdateWhiteBalanceReferencesAt(context.get(), {16000, 16000}, 100);
  context->awbType = 0;
  UpdateWhiteBalanceReferencesAt(context.get(), {16000, 16000}, 100);
  EXPECT_EQ(10600u, context->awbPrevRatioR);
  EXPECT_EQ(21u, context->awbRunCount);

  ResetWhiteBalance(context.get());
  EXPECT_EQ(0u, context->awbRunCount);
  EXPECT_EQ(10000u, context->awbPrevRatioR);
  EXPECT_EQ(10000u, context->awbPrevRatioB);
  UpdateWhiteBalanceReferencesAt(context.get(), {16000, 16000}, 100);
  EXPECT_EQ(16000u, context->awbPrevRatioR);
}

}  // namespace
}  // namespace sorvextest
