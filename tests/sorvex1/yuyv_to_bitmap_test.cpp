#include <gtest/gtest.h>

#include <vector>

#include "rgb_to_yuyv_row.h"
#include "test_frames.h"

namespace sorvex1test {
namespace {

class YuyvToBitmapTest : public FormTest {
 protected:
  std::vector<uint8_t> Convert(const std::vector<uint8_t> &yuyv, int32_t sw, int32_t sh, int32_t width,
                               int32_t height) {
    std::vector<uint8_t> bitmap(static_cast<size_t>(width) * height * 3, 0xEE);
    ops_->convertYuyvToBitmap(UserData(), yuyv.data(), sw, sh, bitmap.data(), width, height);
    return bitmap;
  }
  // BGR of pixel (x, y) counted from the top of the picture.
  static const uint8_t *PixelAt(const std::vector<uint8_t> &bitmap, int32_t width, int32_t height, int32_t x,
                                int32_t y) {
    return &bitmap[(static_cast<size_t>(height - 1 - y) * width + x) * 3];
  }
};

TEST_P(YuyvToBitmapTest, StudioRangeValuesGiveFullRangeColours) {
  struct Case {
    uint8_t y, u, v;
    int b, g, r;
  } const cases[] = {
      {235, 128, 128, 255, 255, 255}, {16, 128, 128, 0, 0, 0},   {81, 90, 240, 0, 0, 254},
      {126, 128, 128, 128, 128, 128}, {41, 240, 110, 255, 0, 0}, {145, 54, 34, 0, 255, 0},
      {255, 128, 128, 255, 255, 255}, {0, 128, 128, 0, 0, 0},
  };
  for (const Case &c : cases) {
    const std::vector<uint8_t> bitmap = Convert(FlatYuyv(4, 2, c.y, c.u, c.v), 4, 2, 4, 2);
    for (size_t i = 0; i < bitmap.size(); i += 3) {
      ASSERT_NEAR(bitmap[i], c.b, 1) << int(c.y) << "," << int(c.u) << "," << int(c.v);
      ASSERT_NEAR(bitmap[i + 1], c.g, 1) << int(c.y) << "," << int(c.u) << "," << int(c.v);
      ASSERT_NEAR(bitmap[i + 2], c.r, 1) << int(c.y) << "," << int(c.u) << "," << int(c.v);
    }
  }
}

// RGB -> YUYV with the default matrices -> bitmap returns every colour of a
// sweep to within the rounding of the 8-bit YUV steps.
TEST_P(YuyvToBitmapTest, RoundTripThroughYuyvKeepsColours) {
  const int32_t identity[12] = {256, 0, 0, 0, 0, 256, 0, 0, 0, 0, 256, 0};
  const int32_t bt601[12] = {66, 129, 25, 0, -38, -74, 112, 0, 112, -94, -18, 0};
  for (int r = 0; r < 256; r += 15) {
    for (int g = 0; g < 256; g += 15) {
      for (int b = 0; b < 256; b += 15) {
        uint8_t red[2] = {uint8_t(r), uint8_t(r)};
        uint8_t green[2] = {uint8_t(g), uint8_t(g)};
        uint8_t blue[2] = {uint8_t(b), uint8_t(b)};
        std::vector<uint8_t> yuyv(4);
        sorvex1::RgbToYuyvLine(sorvex1::ScalarRowKernels(), {red, green, blue}, 2, identity, bt601, yuyv.data());
        const std::vector<uint8_t> bgr = Convert(yuyv, 2, 1, 2, 1);
        ASSERT_NEAR(bgr[2], r, 2) << r << "," << g << "," << b;
        ASSERT_NEAR(bgr[1], g, 2) << r << "," << g << "," << b;
        ASSERT_NEAR(bgr[0], b, 2) << r << "," << g << "," << b;
      }
    }
  }
}

// The BT.601 studio-range inverse in plain 32-bit fixed point, scaled by
// 65536, rounded and clamped: the formula the converter's split 16-bit
// products must reproduce for every byte.
uint8_t StudioRangeByte(int32_t scaled) {
  const int32_t value = (scaled + 32768) >> 16;
  return static_cast<uint8_t>(value < 0 ? 0 : (value > 255 ? 255 : value));
}

// Every (Y, U, V) triple, all 2^24 of them, in lines wide enough for the
// converter's blocks: one line per (U, V) with Y running 0..255.
TEST_P(YuyvToBitmapTest, EveryYuvTripleGivesTheFixedPointResult) {
  const int32_t width = 256;
  const int32_t height = 256;  // V down the lines
  std::vector<uint8_t> yuyv(YuyvBytes(width, height));
  for (int32_t u = 0; u < 256; ++u) {
    for (int32_t v = 0; v < height; ++v) {
      for (int32_t x = 0; x < width; ++x) {
        uint8_t *p = &yuyv[(static_cast<size_t>(v) * width + x) * 2];
        p[0] = static_cast<uint8_t>(x);
        p[1] = static_cast<uint8_t>((x & 1) == 0 ? u : v);
      }
    }
    const std::vector<uint8_t> bitmap = Convert(yuyv, width, height, width, height);
    for (int32_t v = 0; v < height; ++v) {
      for (int32_t y = 0; y < width; ++y) {
        const int32_t luma = 76309 * (y - 16);
        const int32_t cb = u - 128;
        const int32_t cr = v - 128;
        const uint8_t *bgr = PixelAt(bitmap, width, height, y, v);
        ASSERT_EQ(bgr[0], StudioRangeByte(luma + 132201 * cb)) << y << "," << u << "," << v;
        ASSERT_EQ(bgr[1], StudioRangeByte(luma - 25675 * cb - 53279 * cr)) << y << "," << u << "," << v;
        ASSERT_EQ(bgr[2], StudioRangeByte(luma + 104597 * cr)) << y << "," << u << "," << v;
      }
    }
  }
}

TEST_P(YuyvToBitmapTest, FirstBitmapLineIsTheBottomOfThePicture) {
  const int32_t width = 4;
  const int32_t height = 3;
  std::vector<uint8_t> yuyv = FlatYuyv(width, height, 16, 128, 128);
  for (int32_t x = 0; x < width; ++x) yuyv[2 * x] = 235;  // top line white
  const std::vector<uint8_t> bitmap = Convert(yuyv, width, height, width, height);
  const size_t lineBytes = width * 3;
  for (size_t i = 0; i < lineBytes; ++i) {
    EXPECT_EQ(bitmap[i], 0) << "first stored line is the black bottom";
    EXPECT_EQ(bitmap[2 * lineBytes + i], 255) << "last stored line is the white top";
  }
}

TEST_P(YuyvToBitmapTest, OddWidthLastPixelBorrowsThePreviousV) {
  // Width 3: a red pair, then a lone pixel with Y and U of red.
  const std::vector<uint8_t> yuyv = {81, 90, 81, 240, 81, 90};
  const std::vector<uint8_t> bitmap = Convert(yuyv, 3, 1, 3, 1);
  EXPECT_GE(bitmap[8], 253);
  EXPECT_LE(bitmap[7], 1);
  // A single pixel has no V to borrow and is taken as neutral.
  const std::vector<uint8_t> lone = Convert({126, 128}, 1, 1, 1, 1);
  EXPECT_EQ(lone, (std::vector<uint8_t>{128, 128, 128}));
}

TEST_P(YuyvToBitmapTest, DifferentSizesScaleByNearestSample) {
  // 4x2: left pair white, right pair black.
  std::vector<uint8_t> yuyv = FlatYuyv(4, 2, 235, 128, 128);
  for (int32_t y = 0; y < 2; ++y) yuyv[y * 8 + 4] = yuyv[y * 8 + 6] = 16;
  const std::vector<uint8_t> big = Convert(yuyv, 4, 2, 8, 5);
  for (int32_t y = 0; y < 5; ++y) {
    EXPECT_EQ(PixelAt(big, 8, 5, 3, y)[0], 255);
    EXPECT_EQ(PixelAt(big, 8, 5, 4, y)[0], 0);
  }
  const std::vector<uint8_t> small = Convert(yuyv, 4, 2, 2, 1);
  EXPECT_EQ(PixelAt(small, 2, 1, 0, 0)[1], 255);
  EXPECT_EQ(PixelAt(small, 2, 1, 1, 0)[1], 0);
}

TEST_P(YuyvToBitmapTest, OddAndTinySizesStayInsideTheirBuffers) {
  const int32_t sizes[][4] = {{1, 1, 1, 1}, {3, 3, 3, 3}, {5, 2, 1, 7}, {1, 1, 6, 3}, {7, 9, 2, 2}};
  for (const auto &s : sizes) {
    const std::vector<uint8_t> bitmap = Convert(FlatYuyv(s[0], s[1], 235, 128, 128), s[0], s[1], s[2], s[3]);
    for (uint8_t v : bitmap) ASSERT_EQ(v, 255) << s[0] << "x" << s[1] << " -> " << s[2] << "x" << s[3];
  }
  std::vector<uint8_t> bitmap(12, 0xEE);
  const std::vector<uint8_t> yuyv = FlatYuyv(2, 2, 235, 128, 128);
  ops_->convertYuyvToBitmap(UserData(), yuyv.data(), 2, 0, bitmap.data(), 2, 2);
  ops_->convertYuyvToBitmap(UserData(), yuyv.data(), -2, 2, bitmap.data(), 2, 2);
  ops_->convertYuyvToBitmap(UserData(), nullptr, 2, 2, bitmap.data(), 2, 2);
  FUNC_YuvToBmp(ops_, yuyv.data(), 0, 2, bitmap.data());
  EXPECT_EQ(bitmap, std::vector<uint8_t>(12, 0xEE));
}

SORVEX1_FOR_EVERY_FORM(YuyvToBitmapTest);

}  // namespace
}  // namespace sorvex1test
