// The colour-correction blend and the YUV and colour matrices sent to the
// conversion library.

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "core/sensor_table.h"
#include "exposure/colour_matrix.h"
#include "exposure/white_balance.h"
#include "core/isp_context.h"

using namespace sorvex0;

namespace sorvextest {
namespace {

using Matrix12 = std::array<int32_t, 12>;

Matrix12 ToArray(const LibraryMatrix &m) {
  Matrix12 a{};
  for (size_t i = 0; i < 12; ++i) a[i] = m.v[i];
  return a;
}

// What the conversion library received, through an operations table whose
// userData is the recording itself.
struct MatrixRecording {
  std::vector<std::string> calls;
  Matrix12 yuv{};
  Matrix12 colour{};

  static void SetYuv(void *self, const int32_t *matrix) {
    auto *r = static_cast<MatrixRecording *>(self);
    r->calls.push_back("yuv");
    for (size_t i = 0; i < 12; ++i) r->yuv[i] = matrix[i];
  }
  static void SetColour(void *self, const int32_t *matrix) {
    auto *r = static_cast<MatrixRecording *>(self);
    r->calls.push_back("colour");
    for (size_t i = 0; i < 12; ++i) r->colour[i] = matrix[i];
  }
};

class ColourMatrixTest : public ::testing::Test {
 protected:
  void Use(uint32_t sensorId) {
    context_ = std::make_unique<IspContext>();
    UseSensor(context_.get(), sensorId);
    context_->awbRefR = context_->awbRefG = context_->awbRefB = 100;
    ops_ = ConversionOps{};
    ops_.userData = &recording_;
    ops_.setYuvMatrix = &MatrixRecording::SetYuv;
    ops_.setColorMatrix = &MatrixRecording::SetColour;
    context_->conversionOps = &ops_;
  }

  std::unique_ptr<IspContext> context_;
  ConversionOps ops_{};
  MatrixRecording recording_;
};

const uint32_t kAllSensors[] = {kSensorEs2216, kSensorS5k4aa, kSensorOv9650, kSensorMi1320,
                                kSensorS5k3ba, kSensorOv7670, kSensorMi2020, kSensorOv9655,
                                kSensorMo4000, kSensorMi0360};

TEST_F(ColourMatrixTest, SendsTheYuvMatrixThenTheColourMatrixDerivedFromIt) {
  Use(kSensorEs2216);
  SendColourMatrices(context_.get(), 50, 50, 100);
  EXPECT_EQ((std::vector<std::string>{"yuv", "colour"}), recording_.calls);
  EXPECT_EQ((Matrix12{66, 129, 25, 0, -57, -119, 173, 0, 184, -172, -16, 0}), recording_.yuv);
  EXPECT_EQ((Matrix12{371, -124, 3, 0, -51, 337, -25, 0, -38, -91, 379, 0}), recording_.colour);
}

TEST_F(ColourMatrixTest, PlainBt601RowsGiveTheIdentityColourMatrix) {
  const CorrectionMatrix unit = {{{4096, 0, 0}, {0, 4096, 0}, {0, 0, 4096}}};
  const LibraryMatrix yuv = YuvMatrixFrom(unit, 50, 50);
  EXPECT_EQ((Matrix12{66, 129, 25, 0, -38, -74, 112, 0, 112, -94, -18, 0}), ToArray(yuv));
  EXPECT_EQ((Matrix12{256, 0, 0, 0, 0, 256, 0, 0, 0, 0, 256, 0}), ToArray(ColourMatrixFromYuv(yuv)));
}

TEST_F(ColourMatrixTest, DivisionsTruncateTowardZero) {
  // MI1320: Y(B) = -20134 / 4096 is -4, not -5.
  Use(kSensorMi1320);
  SendColourMatrices(context_.get(), 50, 50, 100);
  EXPECT_EQ(31, recording_.yuv[0]);
  EXPECT_EQ(193, recording_.yuv[1]);
  EXPECT_EQ(-4, recording_.yuv[2]);
}

TEST_F(ColourMatrixTest, BalanceShiftsChromaFromUToV) {
  // P5 = 0: k = 12, U coefficients from 38 * 50, V from 62 * 50.
  Use(kSensorEs2216);
  SendColourMatrices(context_.get(), 50, 0, 100);
  EXPECT_EQ((Matrix12{66, 129, 25, 0, -42, -91, 131, 0, 227, -212, -19, 0}), recording_.yuv);
}

TEST_F(ColourMatrixTest, SaturationZeroGivesNoChromaAndEqualColourRows) {
  for (uint32_t sensor : kAllSensors) {
    Use(sensor);
    SendColourMatrices(context_.get(), 0, 50, 100);
    const Matrix12 &yuv = recording_.yuv;
    const Matrix12 &colour = recording_.colour;
    for (size_t i = 4; i < 12; ++i) EXPECT_EQ(0, yuv[i]) << sensor;
    for (size_t j = 0; j < 3; ++j) {
      EXPECT_EQ(colour[j], colour[4 + j]) << sensor;
      EXPECT_EQ(colour[j], colour[8 + j]) << sensor;
    }
    EXPECT_NE(0, colour[0] + colour[1] + colour[2]) << sensor;
  }
}

// The library applies the colour matrix, then its fixed BT.601 rows; the
// colour matrix is chosen so that the two together give the YUV matrix.
TEST_F(ColourMatrixTest, ColourMatrixFollowedByBt601ReproducesTheYuvMatrix) {
  const int32_t bt601[3][3] = {{66, 129, 25}, {-38, -74, 112}, {112, -94, -18}};
  // 500 is what the MI1320's large frames pass at neutral saturation.
  for (uint32_t saturation : {0u, 50u, 100u, 500u, 1000u, 10000u, 0xFFFFFFFFu}) {
    for (uint32_t balance : {0u, 50u, 100u, 0x80000000u}) {
      for (uint32_t sensor : {kSensorEs2216, kSensorMi1320, kSensorOv9655, kSensorS5k4aa}) {
        Use(sensor);
        SendColourMatrices(context_.get(), saturation, balance, 100);
        for (size_t row = 0; row < 3; ++row) {
          for (size_t j = 0; j < 3; ++j) {
            int64_t sum = 0;
            for (size_t k = 0; k < 3; ++k) sum += int64_t{bt601[row][k]} * recording_.colour[k * 4 + j];
            const double back = static_cast<double>(sum) / 256.0;
            EXPECT_NEAR(recording_.yuv[row * 4 + j], back, 1.0)
                << "sensor " << sensor << " saturation " << saturation << " balance " << balance;
          }
        }
      }
    }
  }
}

TEST_F(ColourMatrixTest, WarmLightReachesTheFullOv9650WeightInTwelveRuns) {
  Use(kSensorOv9650);
  context_->awbRefR = 15200;  // R/B reference ratio 1.52
  context_->awbRefB = 10000;
  for (int32_t run = 1; run <= 12; ++run) {
    const CorrectionMatrix m = BlendedCorrectionMatrix(context_.get(), 100);
    EXPECT_EQ(2 * run, context_->ccmBlend);
    if (run == 1) {
      EXPECT_EQ((6355 * 22 + 2351 * 2) / 24, m.m[0][0]);
    }
  }
  const CorrectionMatrix warm = BlendedCorrectionMatrix(context_.get(), 100);
  EXPECT_EQ(24, context_->ccmBlend);
  const CorrectionMatrix expected = {{{2351, 916, 235}, {-1553, 4751, 644}, {-1558, -2352, 8590}}};
  for (size_t r = 0; r < 3; ++r) {
    for (size_t c = 0; c < 3; ++c) EXPECT_EQ(expected.m[r][c], warm.m[r][c]);
  }
  // Dim light (level 40 or less) walks the weight back down, 2 per run.
  BlendedCorrectionMatrix(context_.get(), 40);
  EXPECT_EQ(22, context_->ccmBlend);
  for (int run = 0; run < 20; ++run) BlendedCorrectionMatrix(context_.get(), 0);
  EXPECT_EQ(0, context_->ccmBlend);
  EXPECT_EQ(6355, BlendedCorrectionMatrix(context_.get(), 0).m[0][0]);
}

TEST_F(ColourMatrixTest, WarmLightWeightFollowsRatioAndLevel) {
  struct Case {
    uint32_t sensor, refR, refB, level;
    int32_t settled;
  };
  const Case cases[] = {
      {kSensorOv9655, 14000, 10000, 100, 12},  // (140 - 128) * 60 / 60
      {kSensorOv9650, 15200, 10000, 70, 12},   // 24 * 30 / 60
      {kSensorOv9650, 20000, 10000, 250, 24},  // ratio and level capped
      {kSensorOv9650, 12000, 10000, 100, 0},   // below 1.28: no blend
      {kSensorOv9650, 15200, 0, 100, 24},      // blue reference 0 taken as 1
      {kSensorS5k4aa, 12000, 10000, 100, 30},
      {kSensorS5k3ba, 10500, 10000, 100, 15},  // (105 - 90) * 60 / 60
      {kSensorEs2216, 15200, 10000, 100, 0},   // no warm-light matrix
  };
  for (const Case &c : cases) {
    Use(c.sensor);
    context_->awbRefR = c.refR;
    context_->awbRefB = c.refB;
    int32_t previous = 0;
    for (int run = 0; run < 20; ++run) {
      BlendedCorrectionMatrix(context_.get(), c.level);
      EXPECT_LE(context_->ccmBlend - previous, 2);
      previous = context_->ccmBlend;
    }
    EXPECT_EQ(c.settled, context_->ccmBlend) << c.sensor << " " << c.refR << " " << c.level;
  }
  Use(kSensorS5k4aa);
  context_->ccmBlend = 30;
  context_->awbRefR = 12000;
  context_->awbRefB = 10000;
  EXPECT_EQ(4275, BlendedCorrectionMatrix(context_.get(), 100).m[0][0]);
  EXPECT_EQ(9749, BlendedCorrectionMatrix(context_.get(), 100).m[2][2]);
}

TEST_F(ColourMatrixTest, NothingIsSentWithoutAConversionLibrary) {
  Use(kSensorOv9650);
  context_->conversionOps = nullptr;
  context_->awbRefR = 15200;
  SendColourMatrices(context_.get(), 50, 50, 100);
  EXPECT_TRUE(recording_.calls.empty());
  EXPECT_EQ(2, context_->ccmBlend);  // the blend still moves
}

}  // namespace
}  // namespace sorvextest
