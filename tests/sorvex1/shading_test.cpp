#include <gtest/gtest.h>

#include <vector>

#include "test_frames.h"

namespace sorvex1test {
namespace {

class ShadingTest : public ConversionTest {
 protected:
  ShadingTest() {
    for (int i = 0; i < 256; ++i) {
      tableR_[i] = static_cast<uint8_t>(i / 2);
      tableG_[i] = static_cast<uint8_t>(255 - i);
      tableB_[i] = static_cast<uint8_t>(i < 128 ? 0 : 255);
    }
  }
  void Shade(std::vector<uint8_t> *raw, int32_t width, int32_t height, uint32_t enable,
             const std::vector<uint8_t> *gains, bool withTables) {
    ops_->applyShading(UserData(), raw->data(), width, height, enable, gains ? gains->data() : nullptr, 0,
                       withTables ? tableR_ : nullptr, withTables ? tableG_ : nullptr,
                       withTables ? tableB_ : nullptr);
  }
  uint8_t tableR_[256];
  uint8_t tableG_[256];
  uint8_t tableB_[256];
};

TEST_F(ShadingTest, GainMultipliesByOneAndAStepOf128thsWithRoundingAndClamping) {
  std::vector<uint8_t> raw = {100, 100, 101, 200, 0, 255};
  const std::vector<uint8_t> gains = {0, 64, 1, 127, 127, 1};
  Shade(&raw, 6, 1, 1, &gains, false);
  // 100 * 192/128 = 150; 101 * 129/128 = 101.8; 200 * 255/128 clamps.
  EXPECT_EQ(raw, (std::vector<uint8_t>{100, 150, 102, 255, 0, 255}));
}

TEST_F(ShadingTest, EachSampleUsesTheTableOfItsBayerColour) {
  // Green-blue line on top, red-green below.
  std::vector<uint8_t> raw = {100, 100, 100, 100, 200, 200, 200, 200};
  Shade(&raw, 4, 2, 0, nullptr, true);
  EXPECT_EQ(raw, (std::vector<uint8_t>{155, 0, 155, 0, 100, 55, 100, 55}));
}

TEST_F(ShadingTest, TablesApplyAfterTheGain) {
  std::vector<uint8_t> raw = {100, 100};
  const std::vector<uint8_t> gains = {64, 0};
  Shade(&raw, 2, 1, 1, &gains, true);
  EXPECT_EQ(raw, (std::vector<uint8_t>{105, 0}));  // green 150 -> 105; blue 100 -> 0
}

TEST_F(ShadingTest, DisabledGainLeavesOnlyTheTables) {
  std::vector<uint8_t> raw = {100, 100, 100, 100};
  const std::vector<uint8_t> gains = {127, 127, 127, 127};
  Shade(&raw, 2, 2, 0, &gains, true);
  EXPECT_EQ(raw, (std::vector<uint8_t>{155, 0, 50, 155}));
  std::vector<uint8_t> untouched = {9, 8, 7, 6};
  Shade(&untouched, 2, 2, 0, &gains, false);
  EXPECT_EQ(untouched, (std::vector<uint8_t>{9, 8, 7, 6}));
}

TEST_F(ShadingTest, OddTinyAndUnusableSizesAreSafe) {
  std::vector<uint8_t> raw(15, 100);
  const std::vector<uint8_t> gains(15, 64);
  Shade(&raw, 5, 3, 1, &gains, false);
  EXPECT_EQ(raw, std::vector<uint8_t>(15, 150));
  std::vector<uint8_t> one = {100};
  Shade(&one, 1, 1, 1, nullptr, true);  // enabled without a map: tables only
  EXPECT_EQ(one[0], 155);
  Shade(&one, 0, 1, 1, nullptr, true);
  Shade(&one, 1, -1, 1, nullptr, true);
  EXPECT_EQ(one[0], 155);
}

}  // namespace
}  // namespace sorvex1test
