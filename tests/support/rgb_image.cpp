#include "rgb_image.h"

#include <cmath>

namespace testsupport {

int BayerChannelAt(int32_t x, int32_t y) {
  const bool evenColumn = (x & 1) == 0;
  if ((y & 1) == 0) return evenColumn ? 1 : 2;
  return evenColumn ? 0 : 1;
}

std::vector<uint8_t> MosaicToBayer(const RgbImage &image) {
  std::vector<uint8_t> raw(static_cast<size_t>(image.width) * image.height);
  for (int32_t y = 0; y < image.height; ++y) {
    for (int32_t x = 0; x < image.width; ++x) {
      raw[static_cast<size_t>(y) * image.width + x] = image.At(x, y)[BayerChannelAt(x, y)];
    }
  }
  return raw;
}

RgbImage BitmapToRgb(const uint8_t *bitmap, int32_t width, int32_t height) {
  RgbImage image(width, height);
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t *line = bitmap + static_cast<size_t>(height - 1 - y) * width * 3;
    for (int32_t x = 0; x < width; ++x) {
      uint8_t *rgb = image.At(x, y);
      rgb[0] = line[3 * x + 2];
      rgb[1] = line[3 * x + 1];
      rgb[2] = line[3 * x];
    }
  }
  return image;
}

double PsnrRgb(const RgbImage &a, const RgbImage &b, int32_t border) {
  double squaredError = 0;
  size_t count = 0;
  for (int32_t y = border; y < a.height - border; ++y) {
    for (int32_t x = border; x < a.width - border; ++x) {
      for (int c = 0; c < 3; ++c) {
        const double d = double(a.At(x, y)[c]) - double(b.At(x, y)[c]);
        squaredError += d * d;
        ++count;
      }
    }
  }
  if (count == 0 || squaredError == 0) return INFINITY;
  return 10.0 * std::log10(255.0 * 255.0 * double(count) / squaredError);
}

}  // namespace testsupport
