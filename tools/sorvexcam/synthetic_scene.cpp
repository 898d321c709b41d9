#include "synthetic_scene.h"

#include <algorithm>

#include "bayer_fit.h"

namespace sorvexcam {
namespace {

// A colour checker's worth of patch colours (sRGB, 8 bit).
constexpr uint8_t kPatches[24][3] = {
    {115, 82, 68},  {194, 150, 130}, {98, 122, 157},  {87, 108, 67},  {133, 128, 177}, {103, 189, 170},
    {214, 126, 44}, {80, 91, 166},   {193, 90, 99},   {94, 60, 108},  {157, 188, 64},  {224, 163, 46},
    {56, 61, 150},  {70, 148, 73},   {175, 54, 60},   {231, 199, 31}, {187, 86, 149},  {8, 133, 161},
    {243, 243, 242}, {200, 200, 200}, {160, 160, 160}, {122, 122, 121}, {85, 85, 85},   {52, 52, 52}};

void Put(RgbImage &image, int x, int y, uint8_t r, uint8_t g, uint8_t b) {
  uint8_t *p = &image.rgb[(static_cast<size_t>(y) * image.width + x) * 3];
  p[0] = r;
  p[1] = g;
  p[2] = b;
}

}  // namespace

RgbImage RenderTestScene(int width, int height) {
  RgbImage image;
  image.width = width;
  image.height = height;
  image.rgb.assign(static_cast<size_t>(width) * height * 3, 0);
  const int chartHeight = height * 2 / 3;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (y < chartHeight) {
        // 6 x 4 patches with a dark frame around each.
        const int col = x * 6 / width;
        const int row = y * 4 / chartHeight;
        const int inX = x - col * width / 6;
        const int inY = y - row * chartHeight / 4;
        const int border = std::max(2, width / 96);
        if (inX < border || inY < border) {
          Put(image, x, y, 20, 20, 20);
        } else {
          const uint8_t *c = kPatches[row * 6 + col];
          Put(image, x, y, c[0], c[1], c[2]);
        }
      } else if (x < width / 2) {
        // Lines that get finer to the right, to show the demosaic's detail.
        const int period = 2 + (x * 14) / (width / 2);
        const uint8_t v = ((x / std::max(1, period / 2)) % 2) ? 230 : 25;
        Put(image, x, y, v, v, v);
      } else if (y < chartHeight + (height - chartHeight) / 2) {
        // A hue sweep over a brightness ramp.
        const int u = (x - width / 2) * 255 / std::max(1, width / 2);
        const int v = (y - chartHeight) * 255 / std::max(1, (height - chartHeight) / 2);
        Put(image, x, y, static_cast<uint8_t>(u), static_cast<uint8_t>(255 - v),
            static_cast<uint8_t>(255 - u));
      } else {
        // A mid-grey card, as a photographer puts one in the scene: neutral
        // ground for the white balance, which a frame full of strong colour
        // would pull toward that colour, as on any camera.
        Put(image, x, y, 128, 128, 128);
      }
    }
  }
  return image;
}

std::vector<uint8_t> MosaicToBayer(const RgbImage &image) {
  std::vector<uint8_t> raw(static_cast<size_t>(image.width) * image.height);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const uint8_t *p = &image.rgb[(static_cast<size_t>(y) * image.width + x) * 3];
      raw[static_cast<size_t>(y) * image.width + x] =
          p[CameraColourAt(static_cast<uint32_t>(x), static_cast<uint32_t>(y))];
    }
  }
  return raw;
}

}  // namespace sorvexcam
