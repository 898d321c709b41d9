#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
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

class YuyvFiltersTest : public FormTest {
 protected:
  void Sharpen(std::vector<uint8_t> *yuyv, int32_t width, int32_t height, uint32_t strength) {
    ops_->filterFrame(UserData(), yuyv->data(), width, height, strength);
  }
  void Denoise(std::vector<uint8_t> *yuyv, int32_t width, int32_t height, uint32_t strength) {
    ops_->filterFrameDenoise(UserData(), yuyv->data(), width, height, strength);
  }
};

TEST_P(YuyvFiltersTest, StrengthZeroLeavesTheFrameUnchanged) {
  const std::vector<uint8_t> original = NoisyYuyv(20, 10, 128, 60);
  std::vector<uint8_t> frame = original;
  Sharpen(&frame, 20, 10, 0);
  Denoise(&frame, 20, 10, 0);
  EXPECT_EQ(frame, original);
}

TEST_P(YuyvFiltersTest, SharpeningSteepensAnEdgeAndGrowsWithStrength) {
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

TEST_P(YuyvFiltersTest, SharpeningLeavesLowNoiseAlone) {
  const std::vector<uint8_t> original = NoisyYuyv(16, 8, 100, 1);
  std::vector<uint8_t> frame = original;
  Sharpen(&frame, 16, 8, 100);
  EXPECT_EQ(frame, original);
}

TEST_P(YuyvFiltersTest, DenoiseReducesNoiseOnAFlatPatch) {
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

TEST_P(YuyvFiltersTest, DenoiseKeepsAStepEdge) {
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

// The sigma filter spelled out on the original frame: each sample of a
// channel (Y every 2 bytes, U and V every 4) becomes the mean, rounded half
// up, of the samples of its 3x3 neighbourhood in that channel within sigma
// of it, the line ends and the frame's top and bottom lines repeated.
std::vector<uint8_t> SpelledOutDenoise(const std::vector<uint8_t> &yuyv, int32_t width, int32_t height,
                                       int32_t strength) {
  const int lumaSigma = strength * 30 / 100;
  std::vector<uint8_t> out(yuyv);
  const int32_t lineBytes = 2 * width;
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t byte = 0; byte < lineBytes; ++byte) {
      const bool luma = byte % 2 == 0;
      const int step = luma ? 2 : 4;
      const int sigma = luma ? lumaSigma : lumaSigma / 2;
      const int own = yuyv[static_cast<size_t>(y) * lineBytes + byte];
      int sum = 0;
      int count = 0;
      for (int dy = -1; dy <= 1; ++dy) {
        const int32_t row = std::clamp(y + dy, 0, height - 1);
        for (int dx = -1; dx <= 1; ++dx) {
          int column = byte + dx * step;
          if (column < 0 || column >= lineBytes) column = byte;
          const int value = yuyv[static_cast<size_t>(row) * lineBytes + column];
          if (std::abs(value - own) <= sigma) {
            sum += value;
            ++count;
          }
        }
      }
      out[static_cast<size_t>(y) * lineBytes + byte] = static_cast<uint8_t>((sum + count / 2) / count);
    }
  }
  return out;
}

// Neighbours exactly at, just inside and just past sigma either way, next to
// the byte range's ends, so that every count from 1 to 9 and the largest
// sums of deviations occur.
TEST_P(YuyvFiltersTest, DenoiseIsTheSpelledOutSigmaMeanAtItsEdges) {
  Noise noise;
  for (const int32_t strength : {100, 99, 50, 7, 3}) {
    const int sigma = strength * 30 / 100;
    for (const int32_t width : {37, 64, 131}) {
      const int32_t height = 9;
      std::vector<uint8_t> frame(YuyvBytes(width, height));
      for (size_t i = 0; i < frame.size(); ++i) {
        const int s = i % 2 == 0 ? sigma : sigma / 2;
        const int bases[] = {0, 128, 255, 200};
        const int offsets[] = {0, s, -s, s + 1, -s - 1, s - 1, 1 - s};
        const int base = bases[(i / 7) % 4];
        const int offset = offsets[static_cast<size_t>(noise.Next(3) + 3)];
        frame[i] = static_cast<uint8_t>(std::clamp(base + offset, 0, 255));
      }
      const std::vector<uint8_t> expected = SpelledOutDenoise(frame, width, height, strength);
      Denoise(&frame, width, height, static_cast<uint32_t>(strength));
      ASSERT_EQ(frame, expected) << "strength " << strength << " width " << width;
    }
  }
}

TEST_P(YuyvFiltersTest, StrengthAbove100ActsAs100) {
  std::vector<uint8_t> at100 = NoisyYuyv(12, 6, 128, 20);
  std::vector<uint8_t> at500 = at100;
  Denoise(&at100, 12, 6, 100);
  Denoise(&at500, 12, 6, 500);
  EXPECT_EQ(at100, at500);
  Sharpen(&at100, 12, 6, 100);
  Sharpen(&at500, 12, 6, 0xFFFFFFFFu);
  EXPECT_EQ(at100, at500);
}

TEST_P(YuyvFiltersTest, OddAndTinyFramesStayInsideTheirBuffers) {
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

SORVEX1_FOR_EVERY_FORM(YuyvFiltersTest);

}  // namespace
}  // namespace sorvex1test
