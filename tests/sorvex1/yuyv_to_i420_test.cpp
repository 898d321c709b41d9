#include <gtest/gtest.h>

#include <vector>

#include "test_frames.h"

namespace sorvex1test {
namespace {

class YuyvToI420Test : public ConversionTest {
 protected:
  // The buffer callers allocate: width*height*3/2, rounded down.
  static size_t I420Bytes(int32_t width, int32_t height) {
    return static_cast<size_t>(width) * height * 3 / 2;
  }

  std::vector<uint8_t> Convert(const std::vector<uint8_t> &yuyv, int32_t sw, int32_t sh, int32_t width,
                               int32_t height) {
    std::vector<uint8_t> i420(I420Bytes(width, height), 0xEE);
    ops_->convertYuyvToI420(UserData(), yuyv.data(), sw, sh, i420.data(), width, height);
    return i420;
  }
};

// A frame whose every byte differs: line y, pixel x has Y = 10y + x, and
// U, V per pair that differ between lines.
std::vector<uint8_t> NumberedYuyv(int32_t width, int32_t height) {
  std::vector<uint8_t> yuyv(YuyvBytes(width, height));
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      uint8_t *p = &yuyv[(static_cast<size_t>(y) * width + x) * 2];
      p[0] = static_cast<uint8_t>(10 * y + x);
      p[1] = static_cast<uint8_t>((x % 2 == 0 ? 100 : 200) + 3 * y + x / 2);
    }
  }
  return yuyv;
}

TEST_F(YuyvToI420Test, PlanesHoldLumaAndVerticallyAveragedChroma) {
  const int32_t width = 6;
  const int32_t height = 4;
  const std::vector<uint8_t> yuyv = NumberedYuyv(width, height);
  const std::vector<uint8_t> i420 = Convert(yuyv, width, height, width, height);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) EXPECT_EQ(i420[y * width + x], 10 * y + x);
  }
  const uint8_t *u = &i420[width * height];
  const uint8_t *v = u + (width / 2) * (height / 2);
  for (int32_t row = 0; row < height / 2; ++row) {
    for (int32_t pair = 0; pair < width / 2; ++pair) {
      // Lines 2row and 2row+1 differ by 3: the mean rounds the .5 up.
      EXPECT_EQ(u[row * 3 + pair], 100 + 6 * row + pair + 2);
      EXPECT_EQ(v[row * 3 + pair], 200 + 6 * row + pair + 2);
    }
  }
}

TEST_F(YuyvToI420Test, OddSizesUseRoundedDownChromaPlanes) {
  const int32_t sizes[][2] = {{3, 3}, {5, 2}, {4, 5}, {1, 1}, {2, 1}, {1, 4}, {7, 7}};
  for (const auto &s : sizes) {
    const int32_t width = s[0];
    const int32_t height = s[1];
    const std::vector<uint8_t> i420 =
        Convert(FlatYuyv(width, height, 50, 60, 70), width, height, width, height);
    const size_t luma = static_cast<size_t>(width) * height;
    const size_t chroma = static_cast<size_t>(width / 2) * (height / 2);
    for (size_t i = 0; i < luma; ++i) ASSERT_EQ(i420[i], 50) << width << "x" << height;
    for (size_t i = 0; i < chroma; ++i) {
      ASSERT_EQ(i420[luma + i], 60) << width << "x" << height;
      ASSERT_EQ(i420[luma + chroma + i], 70) << width << "x" << height;
    }
    for (size_t i = luma + 2 * chroma; i < i420.size(); ++i) ASSERT_EQ(i420[i], 0xEE) << "beyond the planes";
  }
}

TEST_F(YuyvToI420Test, DifferentSizesScaleByNearestSample) {
  const std::vector<uint8_t> yuyv = NumberedYuyv(4, 4);
  // Halved: every other pixel of every other line, chroma from sampled lines.
  const std::vector<uint8_t> half = Convert(yuyv, 4, 4, 2, 2);
  EXPECT_EQ(half[0], 11);
  EXPECT_EQ(half[1], 13);
  EXPECT_EQ(half[2], 31);
  EXPECT_EQ(half[3], 33);
  // Doubled: each source pixel twice across and each line twice down.
  const std::vector<uint8_t> twice = Convert(yuyv, 4, 4, 8, 8);
  for (int32_t y = 0; y < 8; ++y) {
    for (int32_t x = 0; x < 8; ++x) ASSERT_EQ(twice[y * 8 + x], 10 * (y / 2) + x / 2);
  }
}

TEST_F(YuyvToI420Test, UnusableArgumentsLeaveTheDestinationAlone) {
  const std::vector<uint8_t> yuyv = FlatYuyv(4, 4, 1, 2, 3);
  std::vector<uint8_t> i420(24, 0xEE);
  ops_->convertYuyvToI420(UserData(), yuyv.data(), 4, 4, i420.data(), 0, 4);
  ops_->convertYuyvToI420(UserData(), yuyv.data(), 4, -1, i420.data(), 4, 4);
  ops_->convertYuyvToI420(UserData(), nullptr, 4, 4, i420.data(), 4, 4);
  ops_->convertYuyvToI420(nullptr, yuyv.data(), 4, 4, i420.data(), 4, 4);
  ops_->convertYuyvToI420(UserData(), yuyv.data(), 4, 4, nullptr, 4, 4);
  EXPECT_EQ(i420, std::vector<uint8_t>(24, 0xEE));
}

}  // namespace
}  // namespace sorvex1test
