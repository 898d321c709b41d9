// The preview converters of the plain processing modes and the 2:1 Bayer
// decimation.

#include <gtest/gtest.h>

#include <random>
#include <tuple>
#include <vector>

#include "frame/bayer_decimation.h"
#include "frame/preview_bitmap.h"
#include "kernel_forms_test_support.h"

using namespace sorvex0;

namespace sorvextest {
namespace {

std::vector<uint8_t> RandomFrame(uint32_t width, uint32_t height, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> raw(static_cast<size_t>(width) * height);
  for (uint8_t &v : raw) v = static_cast<uint8_t>(random() & 0xFF);
  return raw;
}

// The decimation written out from its formulas, out of place, for frames
// whose sides are multiples of 4.
std::vector<uint8_t> ReferenceDecimation(const std::vector<uint8_t> &raw, uint32_t width,
                                         uint32_t height) {
  std::vector<uint8_t> out(static_cast<size_t>(width / 2) * (height / 2));
  auto at = [&](uint32_t y, uint32_t x) { return static_cast<uint32_t>(raw[y * width + x]); };
  for (uint32_t g = 0; g < height / 4; ++g) {
    const uint32_t l0 = 4 * g;
    for (uint32_t j = 0; j < width; j += 4) {
      uint8_t *top = &out[(2 * g) * (width / 2) + j / 2];
      uint8_t *bottom = top + width / 2;
      top[0] = static_cast<uint8_t>((at(l0, j) + at(l0 + 1, j + 1)) / 2);
      top[1] = static_cast<uint8_t>(
          (5 * at(l0, j + 1) + at(l0, j + 3) + at(l0 + 2, j + 1) + at(l0 + 2, j + 3)) / 8);
      bottom[0] = static_cast<uint8_t>(
          (5 * at(l0 + 1, j) + at(l0 + 1, j + 2) + at(l0 + 3, j) + at(l0 + 3, j + 2)) / 8);
      bottom[1] = static_cast<uint8_t>((at(l0 + 2, j + 2) + at(l0 + 3, j + 3)) / 2);
    }
  }
  return out;
}

// Every form of the decimation's row kernels.
class BayerDecimation : public ::testing::TestWithParam<uint32_t> {};

INSTANTIATE_TEST_SUITE_P(Forms, BayerDecimation, ::testing::ValuesIn(KernelForms()), KernelFormName);

TEST_P(BayerDecimation, InPlaceMatchesTheFormulas) {
  // Widths whose blocks the vector forms take in whole steps and with a rest
  // (72: eighteen blocks), and the narrowest.
  for (auto [width, height] :
       {std::pair<uint32_t, uint32_t>{16, 8}, {640, 480}, {1280, 960}, {8, 4}, {72, 12}, {32, 4}}) {
    std::vector<uint8_t> raw = RandomFrame(width, height, width + height);
    const std::vector<uint8_t> expected = ReferenceDecimation(raw, width, height);
    DecimateBayer(raw.data(), width, height, GetParam());
    EXPECT_EQ(expected, std::vector<uint8_t>(raw.begin(), raw.begin() + expected.size()))
        << width << "x" << height;
  }
}

TEST_P(BayerDecimation, PartialBlocksStayInsideTheFrame) {
  // Sides that are not multiples of 4: exactly sized heap copies let the
  // sanitizer see any read or write outside.
  for (auto [width, height] : {std::pair<uint32_t, uint32_t>{10, 6}, {7, 5}, {2, 2}, {3, 9}, {1, 1}, {35, 7}}) {
    std::vector<uint8_t> raw = RandomFrame(width, height, 7);
    DecimateBayer(raw.data(), width, height, GetParam());
    EXPECT_EQ(static_cast<size_t>(width) * height, raw.size());
  }
  // A flat frame stays flat, partial blocks included.
  for (auto [width, height] : {std::pair<uint32_t, uint32_t>{10, 6}, {35, 7}}) {
    std::vector<uint8_t> flat(static_cast<size_t>(width) * height, 90);
    DecimateBayer(flat.data(), width, height, GetParam());
    for (size_t i = 0; i < static_cast<size_t>(width / 2) * (height / 2); ++i) EXPECT_EQ(90, flat[i]) << i;
  }
}

// The converters in every form of their row kernels.
class PreviewForms : public ::testing::TestWithParam<uint32_t> {};

INSTANTIATE_TEST_SUITE_P(Forms, PreviewForms, ::testing::ValuesIn(KernelForms()), KernelFormName);

// The scalar form, whose pixels the tests below check one by one, gives
// the bytes: full frames whose inside lines the vector forms take in whole
// steps and with a rest, and a clipped one.
TEST_P(PreviewForms, FullSizeGivesTheScalarFormsBytes) {
  for (auto [width, height, stride] :
       {std::tuple<uint32_t, uint32_t, uint32_t>{640, 48, 640}, {101, 20, 101}, {64, 12, 40}}) {
    const std::vector<uint8_t> raw = RandomFrame(width, height, width);
    std::vector<uint8_t> expected(static_cast<size_t>(stride) * height * 3);
    BayerToBgrFullSize(raw.data(), width, height, expected.data(), stride, height, 0);
    std::vector<uint8_t> bgr(expected.size());
    BayerToBgrFullSize(raw.data(), width, height, bgr.data(), stride, height, GetParam());
    EXPECT_EQ(expected, bgr) << width << "x" << height;
  }
}

TEST_P(PreviewForms, EveryCellComesFromItsSamplesBottomUp) {
  // 600 wide: 300 cells, whole steps of the vector forms and a rest.
  const uint32_t w = 600, h = 480;
  std::vector<uint8_t> raw = RandomFrame(w, h, 1);
  std::vector<uint8_t> bgr(w / 2 * h / 2 * 3);
  ConvertRawToPreviewBitmap(bgr.data(), raw.data(), w / 2, h / 2, w, h, GetParam());
  for (uint32_t out = 0; out < h / 2; ++out) {
    const uint32_t k = h - 2 - 2 * out;  // the first output line is the bottom cell
    for (uint32_t cell = 0; cell < w / 2; ++cell) {
      const uint8_t *pixel = &bgr[(out * (w / 2) + cell) * 3];
      ASSERT_EQ(raw[k * w + 2 * cell + 1], pixel[0]) << out << " " << cell;            // blue
      ASSERT_EQ(raw[k * w + 2 * cell], pixel[1]) << out << " " << cell;                // green
      ASSERT_EQ(raw[(k + 1) * w + 2 * cell], pixel[2]) << out << " " << cell;          // red
    }
  }
}

TEST_P(PreviewForms, QuarterSizeDecimatesFirst) {
  std::vector<uint8_t> raw = RandomFrame(640, 480, 2);
  std::vector<uint8_t> decimated = raw;
  DecimateBayer(decimated.data(), 640, 480, 0);
  std::vector<uint8_t> expected(160 * 120 * 3);
  BayerToBgrHalfSize(decimated.data(), 320, 240, expected.data(), 160, 120, 0);
  std::vector<uint8_t> bgr(160 * 120 * 3);
  ConvertRawToPreviewBitmap(bgr.data(), raw.data(), 160, 120, 640, 480, GetParam());
  EXPECT_EQ(expected, bgr);
}

TEST(PreviewBitmap, FullSizeIsBilinearAndBottomUp) {
  const uint32_t w = 8, h = 8;
  std::vector<uint8_t> raw = RandomFrame(w, h, 3);
  std::vector<uint8_t> bgr(w * h * 3);
  ConvertRawToPreviewBitmap(bgr.data(), raw.data(), w, h, w, h, 0);
  auto at = [&](uint32_t y, uint32_t x) { return static_cast<uint32_t>(raw[y * w + x]); };
  auto pixel = [&](uint32_t y, uint32_t x) { return &bgr[((h - 1 - y) * w + x) * 3]; };
  // A red site (odd line, even column).
  const uint8_t *red = pixel(3, 4);
  EXPECT_EQ(at(3, 4), red[2]);
  EXPECT_EQ((at(2, 4) + at(4, 4) + at(3, 3) + at(3, 5)) >> 2, red[1]);
  EXPECT_EQ((at(2, 3) + at(2, 5) + at(4, 3) + at(4, 5)) >> 2, red[0]);
  // A blue site (even line, odd column).
  const uint8_t *blue = pixel(4, 3);
  EXPECT_EQ(at(4, 3), blue[0]);
  EXPECT_EQ((at(3, 2) + at(3, 4) + at(5, 2) + at(5, 4)) >> 2, blue[2]);
  // A green site on a green-blue line: blue beside it, red above and below.
  const uint8_t *green = pixel(2, 2);
  EXPECT_EQ(at(2, 2), green[1]);
  EXPECT_EQ((at(2, 1) + at(2, 3)) >> 1, green[0]);
  EXPECT_EQ((at(1, 2) + at(3, 2)) >> 1, green[2]);
  // A green site on a red-green line: red beside it, blue above and below.
  const uint8_t *green2 = pixel(3, 3);
  EXPECT_EQ((at(3, 2) + at(3, 4)) >> 1, green2[2]);
  EXPECT_EQ((at(2, 3) + at(4, 3)) >> 1, green2[0]);
}

TEST(PreviewBitmap, BordersUseTheNearestSamplesOfTheMissingColour) {
  const uint32_t w = 8, h = 8;
  std::vector<uint8_t> raw = RandomFrame(w, h, 4);
  std::vector<uint8_t> bgr(w * h * 3);
  ConvertRawToPreviewBitmap(bgr.data(), raw.data(), w, h, w, h, 0);
  auto at = [&](uint32_t y, uint32_t x) { return static_cast<uint32_t>(raw[y * w + x]); };
  auto pixel = [&](uint32_t y, uint32_t x) { return &bgr[((h - 1 - y) * w + x) * 3]; };
  // Top-left green: blue to its right only, red below only.
  EXPECT_EQ(at(0, 1), pixel(0, 0)[0]);
  EXPECT_EQ(at(1, 0), pixel(0, 0)[2]);
  // Top-edge blue site: red from the two diagonals below, green from three sides.
  EXPECT_EQ((at(1, 2) + at(1, 4)) >> 1, pixel(0, 3)[2]);
  EXPECT_EQ((at(0, 2) + at(0, 4) + at(1, 3)) / 3, pixel(0, 3)[1]);
  // The bottom line: each pair takes red and green from itself, blue from above.
  for (uint32_t c = 0; c < w; c += 2) {
    for (uint32_t x : {c, c + 1}) {
      EXPECT_EQ(at(h - 2, c + 1), pixel(h - 1, x)[0]);
      EXPECT_EQ(at(h - 1, c + 1), pixel(h - 1, x)[1]);
      EXPECT_EQ(at(h - 1, c), pixel(h - 1, x)[2]);
    }
  }
}

TEST(PreviewBitmap, FlatColourComesBackEverywhere) {
  const uint32_t w = 12, h = 10;
  std::vector<uint8_t> raw(w * h);
  for (uint32_t y = 0; y < h; ++y) {
    for (uint32_t x = 0; x < w; ++x) {
      raw[y * w + x] = y % 2 == 0 ? (x % 2 == 0 ? 120 : 40) : (x % 2 == 0 ? 200 : 120);
    }
  }
  std::vector<uint8_t> bgr(w * h * 3);
  ConvertRawToPreviewBitmap(bgr.data(), raw.data(), w, h, w, h, 0);
  for (size_t p = 0; p < w * h; ++p) {
    ASSERT_EQ(40, bgr[3 * p]) << p;
    ASSERT_EQ(120, bgr[3 * p + 1]) << p;
    ASSERT_EQ(200, bgr[3 * p + 2]) << p;
  }
}

TEST(PreviewBitmap, MismatchedSizesAreClippedAndBlackFilled) {
  std::vector<uint8_t> raw(64 * 48, 100);
  // Full size asked with fewer lines than captured: only the bottom lines fit.
  std::vector<uint8_t> small(64 * 10 * 3, 0x55);
  ConvertRawToPreviewBitmap(small.data(), raw.data(), 64, 10, 64, 48, 0);
  EXPECT_EQ(100, small[0]);
  EXPECT_EQ(100, small.back());
  // Half size asked in a taller output: the lines past the picture are black.
  std::vector<uint8_t> tall(40 * 30 * 3, 0x55);
  ConvertRawToPreviewBitmap(tall.data(), raw.data(), 40, 30, 64, 48, 0);
  EXPECT_EQ(100, tall[0]);
  EXPECT_EQ(0, tall[(39 + 0 * 40) * 3]);     // column 39 is past the 32-pixel picture
  EXPECT_EQ(0, tall[(29 * 40) * 3]);        // line 29 is past the 24-line picture
}

}  // namespace
}  // namespace sorvextest
