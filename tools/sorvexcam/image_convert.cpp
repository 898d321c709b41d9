#include "image_convert.h"

#include <algorithm>

namespace sorvexcam {
namespace {

uint8_t Clamp(int32_t value) { return static_cast<uint8_t>(std::min(255, std::max(0, value))); }

void YuvToRgb(int32_t y, int32_t u, int32_t v, uint8_t *rgb) {
  const int32_t c = 298 * (y - 16);
  const int32_t d = u - 128;
  const int32_t e = v - 128;
  rgb[0] = Clamp((c + 409 * e + 128) >> 8);
  rgb[1] = Clamp((c - 100 * d - 208 * e + 128) >> 8);
  rgb[2] = Clamp((c + 516 * d + 128) >> 8);
}

uint8_t LumaOf(const uint8_t *rgb) { return Clamp(((66 * rgb[0] + 129 * rgb[1] + 25 * rgb[2] + 128) >> 8) + 16); }

int32_t ChromaU(int32_t r, int32_t g, int32_t b) { return ((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128; }
int32_t ChromaV(int32_t r, int32_t g, int32_t b) { return ((112 * r - 94 * g - 18 * b + 128) >> 8) + 128; }

RgbImage MakeRgb(uint32_t width, uint32_t height) {
  RgbImage image;
  image.width = static_cast<int>(width);
  image.height = static_cast<int>(height);
  image.rgb.assign(static_cast<size_t>(width) * height * 3, 0);
  return image;
}

}  // namespace

size_t OutputImageBytes(OutputFormat format, uint32_t width, uint32_t height) {
  const size_t pixels = static_cast<size_t>(width) * height;
  switch (format) {
    case OutputFormat::kYuyv: return pixels * 2;
    case OutputFormat::kI420: return pixels * 3 / 2;
    default: return pixels * 3;
  }
}

RgbImage OutputToRgb(OutputFormat format, const uint8_t *image, uint32_t width, uint32_t height) {
  RgbImage rgb = MakeRgb(width, height);
  const size_t pixels = static_cast<size_t>(width) * height;
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      uint8_t *d = &rgb.rgb[(static_cast<size_t>(y) * width + x) * 3];
      if (format == OutputFormat::kYuyv) {
        const uint8_t *pair = image + (static_cast<size_t>(y) * width + (x & ~1u)) * 2;
        // An odd last pixel has its own U and no V byte; it borrows the V of the pair before.
        const bool lonePixel = (x | 1u) >= width;
        const int32_t v = lonePixel ? (x >= 2 ? pair[-1] : 128) : pair[3];
        YuvToRgb(image[(static_cast<size_t>(y) * width + x) * 2], pair[1], v, d);
      } else if (format == OutputFormat::kI420) {
        const uint32_t chromaWidth = width / 2;
        const uint32_t chromaHeight = height / 2;
        const uint8_t *u = image + pixels;
        const uint8_t *v = u + static_cast<size_t>(chromaWidth) * chromaHeight;
        int32_t cu = 128, cv = 128;
        if (x / 2 < chromaWidth && y / 2 < chromaHeight) {
          const size_t at = static_cast<size_t>(y / 2) * chromaWidth + x / 2;
          cu = u[at];
          cv = v[at];
        }
        YuvToRgb(image[static_cast<size_t>(y) * width + x], cu, cv, d);
      } else {
        const uint8_t *s = image + (static_cast<size_t>(height - 1 - y) * width + x) * 3;
        d[0] = s[2];
        d[1] = s[1];
        d[2] = s[0];
      }
    }
  }
  return rgb;
}

std::vector<uint8_t> RgbToYuyv(const RgbImage &image) {
  const uint32_t width = static_cast<uint32_t>(image.width);
  const uint32_t height = static_cast<uint32_t>(image.height);
  std::vector<uint8_t> yuyv(static_cast<size_t>(width) * height * 2, 128);
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; x += 2) {
      const uint8_t *first = &image.rgb[(static_cast<size_t>(y) * width + x) * 3];
      const uint8_t *second = x + 1 < width ? first + 3 : first;
      uint8_t *out = &yuyv[(static_cast<size_t>(y) * width + x) * 2];
      const int32_t r = (first[0] + second[0] + 1) / 2;
      const int32_t g = (first[1] + second[1] + 1) / 2;
      const int32_t b = (first[2] + second[2] + 1) / 2;
      out[0] = LumaOf(first);
      out[1] = Clamp(ChromaU(r, g, b));
      if (x + 1 < width) {
        out[2] = LumaOf(second);
        out[3] = Clamp(ChromaV(r, g, b));
      }
    }
  }
  return yuyv;
}

bool IsBlankImage(OutputFormat format, const std::vector<uint8_t> &image, uint32_t width,
                  uint32_t height) {
  const size_t pixels = static_cast<size_t>(width) * height;
  if (image.size() < OutputImageBytes(format, width, height) || pixels == 0) return false;
  switch (format) {
    case OutputFormat::kYuyv:
      for (size_t i = 0; i < pixels; ++i) {
        if (image[2 * i] != 0x00 || image[2 * i + 1] != 0x80) return false;
      }
      return true;
    case OutputFormat::kI420: {
      const size_t total = OutputImageBytes(format, width, height);
      return std::all_of(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(pixels),
                         [](uint8_t b) { return b == 0; }) &&
             std::all_of(image.begin() + static_cast<std::ptrdiff_t>(pixels),
                         image.begin() + static_cast<std::ptrdiff_t>(total),
                         [](uint8_t b) { return b == 0x80; });
    }
    default:
      return image[0] == 0xA0 && image[1] == 0xA0 && image[2] == 0xA0 &&
             std::all_of(image.begin() + 3, image.begin() + static_cast<std::ptrdiff_t>(pixels * 3),
                         [](uint8_t b) { return b == 0; });
  }
}

}  // namespace sorvexcam
