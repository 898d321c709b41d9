#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "rgb_image.h"
#include "test_frames.h"

namespace sorvex1test {
namespace {

using testsupport::MosaicToBayer;

constexpr int32_t kWidth = 32;
constexpr int32_t kHeight = 24;

// A smooth mid-grey scene with a gentle colour gradient.
std::vector<uint8_t> SmoothRaw() {
  RgbImage image(kWidth, kHeight);
  for (int32_t y = 0; y < kHeight; ++y) {
    for (int32_t x = 0; x < kWidth; ++x) {
      uint8_t *p = image.At(x, y);
      p[0] = static_cast<uint8_t>(110 + x);
      p[1] = static_cast<uint8_t>(130 + y);
      p[2] = static_cast<uint8_t>(150 - x / 2);
    }
  }
  return MosaicToBayer(image);
}

size_t At(int32_t x, int32_t y) { return static_cast<size_t>(y) * kWidth + x; }

class BadPixelsTest : public ConversionTest {
 protected:
  void Correct(std::vector<uint8_t> *raw, uint32_t flag, uint32_t mode, int32_t width = kWidth,
               int32_t height = kHeight) {
    ops_->correctBadPixels(UserData(), raw->data(), width, height, flag, mode);
  }
};

TEST_F(BadPixelsTest, HotAndDeadPixelsAreReplacedEverywhereIncludingEdges) {
  const std::vector<uint8_t> clean = SmoothRaw();
  const int32_t defects[][3] = {{5, 7, 255},  {12, 12, 0}, {0, 0, 255},  {31, 23, 0},
                                {31, 0, 255}, {0, 17, 0},  {20, 1, 255}, {17, 22, 0}};
  const uint32_t modes[][2] = {{0, 100}, {0, 6}, {0, 7}, {0, 4}, {0, 5}, {1, 100}, {1, 4}, {1, 7}};
  for (const auto &m : modes) {
    std::vector<uint8_t> raw = clean;
    for (const auto &d : defects) raw[At(d[0], d[1])] = static_cast<uint8_t>(d[2]);
    Correct(&raw, m[0], m[1]);
    for (int32_t y = 0; y < kHeight; ++y) {
      for (int32_t x = 0; x < kWidth; ++x) {
        ASSERT_NEAR(raw[At(x, y)], clean[At(x, y)], 3)
            << "flag " << m[0] << " mode " << m[1] << " at " << x << "," << y;
      }
    }
  }
}

TEST_F(BadPixelsTest, ModesAndLowLightSetHowLargeAnOutlierMustBe) {
  // Outliers of +40 and +80 over a flat 100.
  const auto corrected = [&](int jump, uint32_t flag, uint32_t mode) {
    std::vector<uint8_t> raw(At(0, kHeight), 100);
    raw[At(10, 10)] = static_cast<uint8_t>(100 + jump);
    Correct(&raw, flag, mode);
    return raw[At(10, 10)] == 100;
  };
  EXPECT_TRUE(corrected(40, 0, 4));
  EXPECT_TRUE(corrected(40, 0, 6));
  EXPECT_FALSE(corrected(40, 0, 100));
  EXPECT_TRUE(corrected(80, 0, 100));
  EXPECT_FALSE(corrected(40, 1, 6));  // low light raises the bar
  EXPECT_TRUE(corrected(40, 1, 4));
  EXPECT_TRUE(corrected(25, 0, 4));
  EXPECT_FALSE(corrected(25, 0, 6));
  EXPECT_FALSE(corrected(18, 0, 5));  // reduced later: looser than 4
}

// Detail that continues into same-colour neighbours is not a defect.
TEST_F(BadPixelsTest, LinesEdgesAndBayerPatternsSurvive) {
  std::vector<std::vector<uint8_t>> scenes;
  const auto scene = [&](auto valueAt) {
    std::vector<uint8_t> raw(At(0, kHeight));
    for (int32_t y = 0; y < kHeight; ++y) {
      for (int32_t x = 0; x < kWidth; ++x) raw[At(x, y)] = static_cast<uint8_t>(valueAt(x, y));
    }
    scenes.push_back(raw);
  };
  scene([](int32_t, int32_t y) { return y == 11 ? 250 : 20; });             // one-pixel horizontal line
  scene([](int32_t x, int32_t) { return x == 14 ? 250 : 20; });             // one-pixel vertical line
  scene([](int32_t x, int32_t y) { return x == y + 3 ? 250 : 20; });        // one-pixel diagonal line
  scene([](int32_t x, int32_t y) { return x == 26 - y ? 5 : 200; });        // dark anti-diagonal line
  scene([](int32_t x, int32_t y) { return (x + y) % 2 == 0 ? 230 : 15; });  // green against red/blue
  scene([](int32_t x, int32_t) { return x % 2 == 0 ? 240 : 10; });          // columns of one Bayer phase
  scene([](int32_t x, int32_t) { return x < 13 ? 10 : 245; });              // step edge
  for (const std::vector<uint8_t> &original : scenes) {
    for (uint32_t mode : {4u, 5u, 100u}) {
      std::vector<uint8_t> raw = original;
      Correct(&raw, 0, mode);
      ASSERT_EQ(raw, original) << "scene " << (&original - scenes.data()) << " mode " << mode;
    }
  }
}

TEST_F(BadPixelsTest, TinyAndUnusableFramesAreSafe) {
  const int32_t sizes[][2] = {{1, 1}, {2, 2}, {3, 1}, {1, 5}, {3, 3}, {5, 3}};
  for (const auto &s : sizes) {
    std::vector<uint8_t> raw(static_cast<size_t>(s[0]) * s[1], 90);
    raw[0] = 255;
    Correct(&raw, 0, 4, s[0], s[1]);
    for (size_t i = 1; i < raw.size(); ++i) EXPECT_EQ(raw[i], 90);
  }
  std::vector<uint8_t> raw(4, 255);
  Correct(&raw, 0, 4, 0, 2);
  Correct(&raw, 0, 4, -2, -2);
  ops_->correctBadPixels(UserData(), nullptr, 2, 2, 0, 4);
  EXPECT_EQ(raw, std::vector<uint8_t>(4, 255));
}

}  // namespace
}  // namespace sorvex1test
