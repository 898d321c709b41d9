#include "bayer_fit.h"

#include <gtest/gtest.h>

#include "area_resample.h"

namespace sorvexcam {
namespace {

CellPattern Pattern(const char *name) {
  auto colour = [](char c) { return c == 'R' ? kRed : c == 'G' ? kGreen : kBlue; };
  return {colour(name[0]), colour(name[1]), colour(name[2]), colour(name[3])};
}

TEST(FindCameraPhase, EachBayerLayoutFindsTheOffsetThatStartsGreenBlue) {
  struct Case {
    const char *pattern;
    uint32_t columns, rows;
  } cases[] = {{"GBRG", 0, 0}, {"RGGB", 0, 1}, {"BGGR", 1, 0}, {"GRBG", 1, 1}};
  for (const Case &c : cases) {
    const std::optional<PhaseOffset> phase = FindCameraPhase(Pattern(c.pattern));
    ASSERT_TRUE(phase.has_value()) << c.pattern;
    EXPECT_EQ(phase->columns, c.columns) << c.pattern;
    EXPECT_EQ(phase->rows, c.rows) << c.pattern;
    // Sampling the source pattern from the offset gives the camera's colours.
    const CellPattern source = Pattern(c.pattern);
    const BayerColour cell[2][2] = {{source.topLeft, source.topRight}, {source.bottomLeft, source.bottomRight}};
    for (uint32_t y = 0; y < 4; ++y) {
      for (uint32_t x = 0; x < 4; ++x) {
        EXPECT_EQ(cell[(y + phase->rows) & 1][(x + phase->columns) & 1], CameraColourAt(x, y)) << c.pattern;
      }
    }
  }
}

TEST(FindCameraPhase, RejectsPatternsThatAreNoBayerMosaic) {
  EXPECT_FALSE(FindCameraPhase(Pattern("RGBG")).has_value());
  EXPECT_FALSE(FindCameraPhase(Pattern("GGRB")).has_value());
  EXPECT_FALSE(FindCameraPhase(Pattern("RRGG")).has_value());
}

// A frame whose samples say which colour they are: R 200, G 100, B 30.
BayerImage ColourCoded(uint32_t width, uint32_t height) {
  BayerImage image;
  image.width = width;
  image.height = height;
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      const BayerColour c = CameraColourAt(x, y);
      image.samples.push_back(c == kRed ? 200 : c == kGreen ? 100 : 30);
    }
  }
  return image;
}

TEST(FitBayer, KeepsEveryColourInItsPlaceWhenShrinkingAndEnlarging) {
  const BayerImage source = ColourCoded(64, 48);
  for (const auto &size : {std::pair<uint32_t, uint32_t>{16, 12}, {160, 120}, {20, 20}}) {
    const std::vector<uint8_t> fitted = FitBayer(source, size.first, size.second);
    ASSERT_EQ(fitted.size(), size_t{size.first} * size.second);
    for (uint32_t y = 0; y < size.second; ++y) {
      for (uint32_t x = 0; x < size.first; ++x) {
        const BayerColour c = CameraColourAt(x, y);
        ASSERT_EQ(fitted[y * size.first + x], c == kRed ? 200 : c == kGreen ? 100 : 30) << x << "," << y;
      }
    }
  }
}

TEST(FitBayer, AveragesTheCellsACellCoversAndCutsTheCentreToTheAspectRatio) {
  // 8 x 4 samples = 4 x 2 cells; cell column k holds the value 10 (k + 1) in
  // all four places. A 2 x 2 target (1 x 1 cell) keeps the centred 2 x 2
  // cells (columns 1 and 2) and averages them: (20 + 30) / 2 = 25.
  BayerImage source;
  source.width = 8;
  source.height = 4;
  for (uint32_t y = 0; y < 4; ++y) {
    for (uint32_t x = 0; x < 8; ++x) source.samples.push_back(static_cast<uint8_t>(10 * (x / 2 + 1)));
  }
  const std::vector<uint8_t> fitted = FitBayer(source, 2, 2);
  EXPECT_EQ(fitted, std::vector<uint8_t>(4, 25));
  // A 4 x 2 target has the source's aspect ratio: the two halves, (10+20)/2 and (30+40)/2.
  EXPECT_EQ(FitBayer(source, 4, 2), (std::vector<uint8_t>{15, 15, 35, 35, 15, 15, 35, 35}));
}

TEST(ResizeRgb, CutsTheCentreOfAWidePictureBeforeAveraging) {
  RgbImage wide;
  wide.width = 3;
  wide.height = 1;
  wide.rgb = {255, 0, 0, 0, 255, 0, 0, 0, 255};
  const RgbImage square = ResizeRgb(wide, 1, 1);
  EXPECT_EQ(square.rgb, (std::vector<uint8_t>{0, 255, 0}));
}

}  // namespace
}  // namespace sorvexcam
