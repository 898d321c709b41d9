// An 8-bit RGB picture for tests, and the conversions tests need around it:
// mosaicing to the sensor's Bayer layout, reading our bitmaps back, and
// comparing pictures.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace testsupport {

struct RgbImage {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> pixels;  // top-down lines of R, G, B

  RgbImage() = default;
  RgbImage(int32_t w, int32_t h) : width(w), height(h), pixels(static_cast<size_t>(w) * h * 3) {}
  uint8_t *At(int32_t x, int32_t y) { return &pixels[(static_cast<size_t>(y) * width + x) * 3]; }
  const uint8_t *At(int32_t x, int32_t y) const { return &pixels[(static_cast<size_t>(y) * width + x) * 3]; }
};

// Index 0, 1, 2 (R, G, B) of the colour the sensor samples at (x, y):
// green-blue on even lines, red-green on odd lines.
int BayerChannelAt(int32_t x, int32_t y);

// Keeps, at each pixel, only the colour the sensor would have sampled there.
std::vector<uint8_t> MosaicToBayer(const RgbImage &image);

// Reads a bottom-up 24-bit BGR bitmap back into a top-down RGB picture.
RgbImage BitmapToRgb(const uint8_t *bitmap, int32_t width, int32_t height);

// PSNR in dB over all three channels, leaving out `border` pixels on each side.
double PsnrRgb(const RgbImage &a, const RgbImage &b, int32_t border);

}  // namespace testsupport
