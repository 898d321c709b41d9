#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "test_frames.h"

namespace sorvex1test {
namespace {

// Deterministic noise in -amplitude..amplitude.
class Noise {
 public:
  int Next(int amplitude) {
    state_ = state_ * 1103515245u + 12345u;
    return static_cast<int>((state_ >> 16) % (2u * amplitude + 1)) - amplitude;
  }

 private:
  uint32_t state_ = 2024;
};

std::vector<uint8_t> NoisyYuyv(int32_t width, int32_t height, int base, int amplitude) {
  Noise noise;
  std::vector<uint8_t> yuyv(YuyvBytes(width, height));
  for (uint8_t &b : yuyv) b = static_cast<uint8_t>(base + noise.Next(amplitude));
  return yuyv;
}

double LumaVariance(const std::vector<uint8_t> &yuyv, int32_t width, int32_t height, int32_t margin) {
  double sum = 0;
  double sumSquares = 0;
  int count = 0;
  for (int32_t y = margin; y < height - margin; ++y) {
    for (int32_t x = margin; x < width - margin; ++x) {
      const double v = yuyv[(static_cast<size_t>(y) * width + x) * 2];
      sum += v;
      sumSquares += v * v;
      ++count;
    }
  }
  const double mean = sum / count;
  return sumSquares / count - mean * mean;
}

uint8_t LumaAt(const std::vector<uint8_t> &yuyv, int32_t width, int32_t x, int32_t y) {
  return yuyv[(static_cast<size_t>(y) * width + x) * 2];
}

// Luma 40 left of column 16, 200 from it on; chroma neutral.
std::vector<uint8_t> StepYuyv(int32_t width, int32_t height) {
  std::vector<uint8_t> yuyv = FlatYuyv(width, height, 40, 128, 128);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 16; x < width; ++x) yuyv[(static_cast<size_t>(y) * width + x) * 2] = 200;
  }
  return yuyv;
}

class YuyvFiltersTest : public ConversionTest {
 protected:
  void Sharpen(std::vector<uint8_t> *yuyv, int32_t width, int32_t height, uint32_t strength) {
    ops_->filterFrame(UserData(), yuyv->data(), width, height, strength);
  }
  void Denoise(std::vector<uint8_t> *yuyv, int32_t width, int32_t height, uint32_t strength) {
    ops_->filterFrameDenoise(UserData(), yuyv->data(), width, height, strength);
  }
};

TEST_F(YuyvFiltersTest, StrengthZeroLeavesTheFrameUnchanged) {
  const std::vector<uint8_t> original = NoisyYuyv(20, 10, 128, 60);
  std::vector<uint8_t> frame = original;
  Sharpen(&frame, 20, 10, 0);
  Denoise(&frame, 20, 10, 0);
  EXPECT_EQ(frame, original);
}

TEST_F(YuyvFiltersTest, SharpeningSteepensAnEdgeAndGrowsWithStrength) {
  const int32_t width = 32;
  const int32_t height = 8;
  std::vector<uint8_t> mild = StepYuyv(width, height);
  std::vector<uint8_t> strong = mild;
  Sharpen(&mild, width, height, 30);
  Sharpen(&strong, width, height, 100);
  for (int32_t y = 0; y < height; ++y) {
    EXPECT_LT(LumaAt(mild, width, 15, y), 40);   // undershoot on the dark side
    EXPECT_GT(LumaAt(mild, width, 16, y), 200);  // overshoot on the bright side
    EXPECT_LT(LumaAt(strong, width, 15, y), LumaAt(mild, width, 15, y));
    EXPECT_GT(LumaAt(strong, width, 16, y), LumaAt(mild, width, 16, y));
    EXPECT_EQ(LumaAt(strong, width, 5, y), 40);  // flat areas stay
    EXPECT_EQ(LumaAt(strong, width, 28, y), 200);
  }
  for (size_t i = 1; i < strong.size(); i += 2) ASSERT_EQ(strong[i], 128) << "chroma changed";
}

TEST_F(YuyvFiltersTest, SharpeningLeavesLowNoiseAlone) {
  const std::vector<uint8_t> original = NoisyYuyv(16, 8, 100, 1);
  std::vector<uint8_t> frame = original;
  Sharpen(&frame, 16, 8, 100);
  EXPECT_EQ(frame, original);
}

TEST_F(YuyvFiltersTest, DenoiseReducesNoiseOnAFlatPatch) {
  const int32_t width = 48;
  const int32_t height = 32;
  std::vector<uint8_t> frame = NoisyYuyv(width, height, 128, 12);
  const double before = LumaVariance(frame, width, height, 1);
  Denoise(&frame, width, height, 100);
  const double after = LumaVariance(frame, width, height, 1);
  EXPECT_LT(after, before / 4) << before << " -> " << after;

  std::vector<uint8_t> lighter = NoisyYuyv(width, height, 128, 12);
  Denoise(&lighter, width, height, 30);
  const double light = LumaVariance(lighter, width, height, 1);
  EXPECT_LT(light, before);
  EXPECT_GT(light, after);
}

TEST_F(YuyvFiltersTest, DenoiseKeepsAStepEdge) {
  const int32_t width = 32;
  const int32_t height = 8;
  std::vector<uint8_t> frame = StepYuyv(width, height);
  Noise noise;
  for (size_t i = 0; i < frame.size(); i += 2) frame[i] = static_cast<uint8_t>(frame[i] + noise.Next(6));
  Denoise(&frame, width, height, 100);
  for (int32_t y = 0; y < height; ++y) {
    EXPECT_NEAR(LumaAt(frame, width, 15, y), 40, 6);
    EXPECT_NEAR(LumaAt(frame, width, 16, y), 200, 6);
  }
}

TEST_F(YuyvFiltersTest, StrengthAbove100ActsAs100) {
  std::vector<uint8_t> at100 = NoisyYuyv(12, 6, 128, 20);
  std::vector<uint8_t> at500 = at100;
  Denoise(&at100, 12, 6, 100);
  Denoise(&at500, 12, 6, 500);
  EXPECT_EQ(at100, at500);
  Sharpen(&at100, 12, 6, 100);
  Sharpen(&at500, 12, 6, 0xFFFFFFFFu);
  EXPECT_EQ(at100, at500);
}

TEST_F(YuyvFiltersTest, OddAndTinyFramesStayInsideTheirBuffers) {
  const int32_t sizes[][2] = {{1, 1}, {1, 5}, {3, 1}, {5, 3}, {2, 2}};
  for (const auto &s : sizes) {
    std::vector<uint8_t> flat = FlatYuyv(s[0], s[1], 90, 100, 110);
    const std::vector<uint8_t> original = flat;
    Sharpen(&flat, s[0], s[1], 100);
    Denoise(&flat, s[0], s[1], 100);
    EXPECT_EQ(flat, original) << s[0] << "x" << s[1];
  }
  std::vector<uint8_t> frame = NoisyYuyv(4, 4, 100, 50);
  const std::vector<uint8_t> original = frame;
  Sharpen(&frame, 0, 4, 100);
  Denoise(&frame, 4, -4, 100);
  ops_->filterFrame(UserData(), nullptr, 4, 4, 100);
  ops_->filterFrameDenoise(nullptr, frame.data(), 4, 4, 100);
  EXPECT_EQ(frame, original);
}

}  // namespace
}  // namespace sorvex1test
