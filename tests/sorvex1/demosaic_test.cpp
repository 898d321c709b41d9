#include "demosaic.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "png_image.h"
#include "rgb_image.h"
#include "test_frames.h"

namespace sorvex1test {
namespace {

using testsupport::BayerChannelAt;
using testsupport::MosaicToBayer;
using testsupport::PsnrRgb;

RgbImage DemosaicOurs(const std::vector<uint8_t> &raw, int32_t width, int32_t height) {
  RgbImage out(width, height);
  std::vector<uint8_t> planes(static_cast<size_t>(width) * 3);
  const sorvex1::RgbPlanes scratch = {planes.data(), planes.data() + width, planes.data() + 2 * width};
  std::vector<uint8_t> walkerScratch(sorvex1::DemosaicWalkerBytes(width));
  sorvex1::DemosaicWalker walker = sorvex1::StartDemosaic(raw.data(), width, height, walkerScratch.data(), sorvex1::ScalarRowKernels());
  for (int32_t y = 0; y < height; ++y) sorvex1::DemosaicLineToRgb(&walker, y, scratch, out.At(0, y));
  return out;
}

// The reference the method has to beat: each missing colour is the mean of
// the nearest samples of that colour in the 3x3 neighbourhood.
RgbImage DemosaicBilinear(const std::vector<uint8_t> &raw, int32_t width, int32_t height) {
  RgbImage out(width, height);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      int sum[3] = {0, 0, 0};
      int count[3] = {0, 0, 0};
      for (int32_t dy = -1; dy <= 1; ++dy) {
        for (int32_t dx = -1; dx <= 1; ++dx) {
          const int32_t sx = x + dx;
          const int32_t sy = y + dy;
          if (sx < 0 || sy < 0 || sx >= width || sy >= height) continue;
          const int c = BayerChannelAt(sx, sy);
          sum[c] += raw[static_cast<size_t>(sy) * width + sx];
          ++count[c];
        }
      }
      const int own = BayerChannelAt(x, y);
      for (int c = 0; c < 3; ++c) {
        out.At(x, y)[c] = c == own ? raw[static_cast<size_t>(y) * width + x]
                                   : static_cast<uint8_t>((sum[c] + count[c] / 2) / count[c]);
      }
    }
  }
  return out;
}

TEST(DemosaicTest, FlatColoursComeBackExactlyAtEverySizeFromTwo) {
  const uint8_t colours[][3] = {{0, 0, 0}, {255, 255, 255}, {200, 30, 90}, {10, 240, 128}, {255, 0, 0}};
  const int32_t sizes[][2] = {{2, 2}, {3, 3}, {2, 7}, {5, 2}, {16, 12}, {17, 9}};
  for (const auto &colour : colours) {
    for (const auto &size : sizes) {
      const RgbImage flat = FlatImage(size[0], size[1], colour[0], colour[1], colour[2]);
      const RgbImage out = DemosaicOurs(MosaicToBayer(flat), size[0], size[1]);
      EXPECT_EQ(out.pixels, flat.pixels) << size[0] << "x" << size[1] << " colour " << int(colour[0]) << ","
                                         << int(colour[1]) << "," << int(colour[2]);
    }
  }
}

// Linear interpolation with gradient correction reproduces every linear
// colour ramp exactly away from the mirrored edges; a filter applied in the
// wrong direction or at the wrong Bayer phase does not.
TEST(DemosaicTest, LinearRampsPerChannelAreExactInTheInterior) {
  const int32_t width = 40;
  const int32_t height = 36;
  RgbImage ramps(width, height);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      uint8_t *p = ramps.At(x, y);
      p[0] = static_cast<uint8_t>(10 + 3 * x);
      p[1] = static_cast<uint8_t>(30 + 4 * y);
      p[2] = static_cast<uint8_t>(240 - 2 * x - 3 * y);
    }
  }
  const RgbImage out = DemosaicOurs(MosaicToBayer(ramps), width, height);
  for (int32_t y = 2; y < height - 2; ++y) {
    for (int32_t x = 2; x < width - 2; ++x) {
      for (int c = 0; c < 3; ++c) {
        ASSERT_EQ(out.At(x, y)[c], ramps.At(x, y)[c]) << "at " << x << "," << y << " channel " << c;
      }
    }
  }
}

TEST(DemosaicTest, SingleLineAndColumnFramesStayInside) {
  const int32_t sizes[][2] = {{1, 1}, {1, 6}, {7, 1}};
  for (const auto &size : sizes) {
    std::vector<uint8_t> raw(static_cast<size_t>(size[0]) * size[1], 77);
    const RgbImage out = DemosaicOurs(raw, size[0], size[1]);
    for (uint8_t v : out.pixels) EXPECT_EQ(v, 77);
  }
}

// The walker keeps the raw lines it has split; asked for lines out of order,
// backwards or again, it must give each line as it gives it in order. Widths
// around the interior blocks' size check the blocks, the overlapping last
// block and the pixels left to the edges.
TEST(DemosaicTest, LinesInAnyOrderComeOutAsInOrder) {
  for (const int32_t width : {4, 5, 6, 33, 35, 36, 37, 38, 67, 70, 131}) {
    const int32_t height = 11;
    std::vector<uint8_t> raw(static_cast<size_t>(width) * height);
    uint32_t state = static_cast<uint32_t>(width);
    for (uint8_t &sample : raw) {
      state = state * 1664525u + 1013904223u;
      sample = static_cast<uint8_t>(state >> 24);
    }
    const RgbImage inOrder = DemosaicOurs(raw, width, height);

    std::vector<uint8_t> planes(static_cast<size_t>(width) * 3);
    const sorvex1::RgbPlanes scratch = {planes.data(), planes.data() + width, planes.data() + 2 * width};
    std::vector<uint8_t> walkerScratch(sorvex1::DemosaicWalkerBytes(width));
    sorvex1::DemosaicWalker walker = sorvex1::StartDemosaic(raw.data(), width, height, walkerScratch.data(), sorvex1::ScalarRowKernels());
    const int32_t order[] = {10, 3, 9, 0, 0, 7, 2, 8, 5, 1, 6, 4, 10, 3};
    for (const int32_t y : order) {
      std::vector<uint8_t> line(static_cast<size_t>(width) * 3);
      sorvex1::DemosaicLineToRgb(&walker, y, scratch, line.data());
      const std::vector<uint8_t> expected(inOrder.At(0, y), inOrder.At(0, y) + 3 * width);
      EXPECT_EQ(line, expected) << "width " << width << " line " << y;
    }
  }
}

class PhotoTest : public ConversionTest {
 protected:
  // Loads a test photograph; skips when no test data directory is set.
  bool LoadPhoto(const std::string &name, RgbImage *photo) {
    const char *dir = std::getenv("SORVEX_TESTDATA");
    if (dir == nullptr) return false;
    std::string error;
    const bool loaded = testsupport::LoadPngRgb(std::string(dir) + "/" + name, photo, &error);
    EXPECT_TRUE(loaded) << error << " (run scripts/fetch_test_images.sh)";
    return loaded;
  }

  void CheckPhoto(const std::string &name) {
    if (std::getenv("SORVEX_TESTDATA") == nullptr) GTEST_SKIP() << "SORVEX_TESTDATA is not set";
    RgbImage photo;
    ASSERT_TRUE(LoadPhoto(name, &photo));
    const std::vector<uint8_t> raw = MosaicToBayer(photo);
    const int32_t border = 4;
    const double ours = PsnrRgb(DemosaicOurs(raw, photo.width, photo.height), photo, border);
    const double bilinear = PsnrRgb(DemosaicBilinear(raw, photo.width, photo.height), photo, border);

    std::vector<uint8_t> rawCopy = raw;
    std::vector<uint8_t> bitmap(static_cast<size_t>(photo.width) * photo.height * 3);
    FUNC_RawToBmp(ops_, rawCopy.data(), photo.width, photo.height, bitmap.data(), photo.width, photo.height);
    const double fullPath =
        PsnrRgb(testsupport::BitmapToRgb(bitmap.data(), photo.width, photo.height), photo, border);
    RecordProperty("psnr_ours", std::to_string(ours));
    RecordProperty("psnr_bilinear", std::to_string(bilinear));
    RecordProperty("psnr_raw_to_bitmap", std::to_string(fullPath));
    std::printf("%s: demosaic %.2f dB, bilinear %.2f dB, raw to bitmap %.2f dB\n", name.c_str(), ours,
                bilinear, fullPath);
    EXPECT_GE(ours - bilinear, kMarginOverBilinearDb);
    EXPECT_GE(fullPath, kMinimumFullPathDb);
  }

  static constexpr double kMarginOverBilinearDb = 2.0;
  static constexpr double kMinimumFullPathDb = 30.0;
};

TEST_F(PhotoTest, CoffeeBeatsBilinear) { CheckPhoto("coffee.png"); }
TEST_F(PhotoTest, ChelseaBeatsBilinear) { CheckPhoto("chelsea.png"); }

}  // namespace
}  // namespace sorvex1test
