#include "bench_frames.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <utility>

#include "png_image.h"
#include "sorvex1.h"

#ifndef SORVEX_SOURCE_DIR
#error "SORVEX_SOURCE_DIR must name the source tree"
#endif

namespace bench {
namespace {

using testsupport::RgbImage;
using Size = std::pair<int, int>;

uint8_t Clamp(double v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : std::lround(v))); }

// Ramps, fine stripes and mild noise, for machines without the photographs.
RgbImage SyntheticScene(int width, int height) {
  RgbImage picture(width, height);
  uint32_t noise = 12345;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      noise = noise * 1664525u + 1013904223u;
      const int n = static_cast<int>((noise >> 24) % 9) - 4;
      uint8_t *p = picture.At(x, y);
      const bool stripes = (x / 3) % 2 == 0 && y > height / 2;
      p[0] = Clamp(40 + 180.0 * x / width + n);
      p[1] = Clamp((stripes ? 200 : 60 + 150.0 * y / height) + n);
      p[2] = Clamp(200 - 150.0 * (x + y) / (width + height) + n);
    }
  }
  return picture;
}

// RGB to YUYV through the conversion library, as the camera would deliver it.
std::vector<uint8_t> ConvertToYuyv(const RgbImage &picture) {
  std::vector<uint8_t> raw = testsupport::MosaicToBayer(picture);
  std::vector<uint8_t> yuyv(YuyvBytes(picture.width, picture.height));
  ConversionOps *ops = FUNC_Init();
  if (ops == nullptr) {
    std::fprintf(stderr, "bench: the conversion library did not start\n");
    std::exit(1);
  }
  FUNC_RawToYuv(ops, raw.data(), picture.width, picture.height, yuyv.data(), picture.width, picture.height);
  FUNC_Exit(ops);
  return yuyv;
}

template <typename T, typename Make>
const T &Cached(std::map<Size, T> *cache, int width, int height, Make make) {
  auto found = cache->find({width, height});
  if (found == cache->end()) found = cache->emplace(Size{width, height}, make()).first;
  return found->second;
}

}  // namespace

std::string TestDataDir() {
  const char *dir = std::getenv("SORVEX_TESTDATA");
  return dir != nullptr ? dir : std::string(SORVEX_SOURCE_DIR) + "/testdata";
}

RgbImage LoadPhoto(const std::string &name) {
  RgbImage photo;
  std::string error;
  if (!testsupport::LoadPngRgb(TestDataDir() + "/" + name, &photo, &error)) {
    std::fprintf(stderr, "bench: %s (scripts/fetch_test_images.sh fetches it)\n", error.c_str());
    return RgbImage();
  }
  return photo;
}

RgbImage Resized(const RgbImage &picture, int width, int height) {
  RgbImage out(width, height);
  for (int y = 0; y < height; ++y) {
    const double sy = std::fmax(0.0, (y + 0.5) * picture.height / height - 0.5);
    const int y0 = std::min(static_cast<int>(sy), picture.height - 1);
    const int y1 = std::min(y0 + 1, picture.height - 1);
    const double fy = sy - y0;
    for (int x = 0; x < width; ++x) {
      const double sx = std::fmax(0.0, (x + 0.5) * picture.width / width - 0.5);
      const int x0 = std::min(static_cast<int>(sx), picture.width - 1);
      const int x1 = std::min(x0 + 1, picture.width - 1);
      const double fx = sx - x0;
      for (int c = 0; c < 3; ++c) {
        const double top = picture.At(x0, y0)[c] * (1 - fx) + picture.At(x1, y0)[c] * fx;
        const double bottom = picture.At(x0, y1)[c] * (1 - fx) + picture.At(x1, y1)[c] * fx;
        out.At(x, y)[c] = Clamp(top * (1 - fy) + bottom * fy);
      }
    }
  }
  return out;
}

const RgbImage &ScenePicture(int width, int height) {
  static std::map<Size, RgbImage> cache;
  return Cached(&cache, width, height, [&] {
    static const RgbImage photo = LoadPhoto("coffee.png");
    if (photo.width == 0) {
      std::fprintf(stderr, "bench: measuring on a synthetic scene instead of coffee.png\n");
      return SyntheticScene(width, height);
    }
    return Resized(photo, width, height);
  });
}

const std::vector<uint8_t> &SceneRaw(int width, int height) {
  static std::map<Size, std::vector<uint8_t>> cache;
  return Cached(&cache, width, height, [&] { return testsupport::MosaicToBayer(ScenePicture(width, height)); });
}

const std::vector<uint8_t> &SceneYuyv(int width, int height) {
  static std::map<Size, std::vector<uint8_t>> cache;
  return Cached(&cache, width, height, [&] { return ConvertToYuyv(ScenePicture(width, height)); });
}

const std::vector<uint8_t> &SceneArgb(int width, int height) {
  static std::map<Size, std::vector<uint8_t>> cache;
  return Cached(&cache, width, height, [&] {
    const RgbImage &picture = ScenePicture(width, height);
    std::vector<uint8_t> argb(static_cast<size_t>(width) * height * 4);
    for (size_t i = 0, j = 0; i < picture.pixels.size(); i += 3, j += 4) {
      argb[j] = picture.pixels[i + 2];
      argb[j + 1] = picture.pixels[i + 1];
      argb[j + 2] = picture.pixels[i];
      argb[j + 3] = 255;
    }
    return argb;
  });
}

const std::vector<uint8_t> &FaceYuyv(int width, int height) {
  static std::map<Size, std::vector<uint8_t>> cache;
  return Cached(&cache, width, height, [&] {
    static const RgbImage face = LoadPhoto("astronaut.png");
    if (face.width == 0) return SceneYuyv(width, height);
    return ConvertToYuyv(Resized(face, width, height));
  });
}

size_t YuyvBytes(int width, int height) { return static_cast<size_t>(width) * height * 2; }
size_t I420Bytes(int width, int height) { return static_cast<size_t>(width) * height * 3 / 2; }
size_t BitmapBytes(int width, int height) { return static_cast<size_t>(width) * height * 3; }

}  // namespace bench
