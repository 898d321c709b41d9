// The digital zoom end to end: for every zoom level the crop takes the
// centred window and the zoom routine enlarges it back, and the result is
// that window of the input scaled to the output size.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "frame/zoom_window.h"
#include "zoom/zoom.h"
#include "zoom_test_support.h"

using namespace sorvex0;

namespace {

using zoomtest::Buffer;
using zoomtest::Triangle;

// The kernels' samples lie within about a pixel and a half of the exact
// scaled position; the reference below rounds by up to one more.
constexpr int kTolerance = 3;

struct Size {
  uint32_t width;
  uint32_t height;
};

// Input pixel (x, y): the first byte tells x, the second y (Triangle keeps
// both within a byte and changes them by one a pixel); the third is fixed.
// For YUYV: Y tells x, U tells y, V is 128.
Buffer PositionFrame(Size size, uint32_t bpp) {
  Buffer frame(size_t{size.width} * size.height * bpp);
  for (uint32_t y = 0; y < size.height; ++y) {
    for (uint32_t x = 0; x < size.width; ++x) {
      uint8_t *p = frame.data() + (size_t{y} * size.width + x) * bpp;
      p[0] = static_cast<uint8_t>(Triangle(static_cast<int>(x)));
      p[1] = static_cast<uint8_t>(bpp == 3 || x % 2 == 0 ? Triangle(static_cast<int>(y)) : 128);
      if (bpp == 3) p[2] = 77;
    }
  }
  return frame;
}

void CheckZoom(uint32_t bpp, uint32_t level, Size size) {
  const std::string name = std::string(bpp == 3 ? "RGB24" : "YUYV") + " level " +
                           std::to_string(level) + " at " + std::to_string(size.width) + "x" +
                           std::to_string(size.height);
  SCOPED_TRACE(name);
  Buffer frame = PositionFrame(size, bpp);
  const std::vector<uint8_t> input = frame.Copy(frame.size());
  const ZoomWindowCut cut = CropZoomWindow(level, kCentredWindow, kCentredWindow, bpp, frame.data(),
                                           size.width, size.height, size.width, size.height);
  (bpp == 3 ? ZoomBitmap : ZoomYuyv)(level, frame.data(), cut.windowWidth, cut.windowHeight,
                                     size.width, size.height, cut.a, cut.b);
  if (level == 0) {
    EXPECT_EQ(input, frame.Copy(frame.size()));
    return;
  }
  const uint32_t cw = static_cast<uint32_t>(cut.b.x1 - cut.b.x0);
  const uint32_t ch = static_cast<uint32_t>(cut.b.y1 - cut.b.y0);
  const uint32_t groupRows = size.height / 40 * 40;
  for (uint32_t y = 0; y < size.height; ++y) {
    // The reference: the nearest window sample to the centre of each output pixel.
    const int sourceY = cut.b.y0 + static_cast<int>((2 * y + 1) * ch / (2 * size.height));
    // Rows after the last whole group of 40 that no remainder group writes
    // (at 1280 x 1024) keep the window's last rows as they were widened.
    const int leftoverY = cut.b.y0 + static_cast<int>(ch) - static_cast<int>(size.height - y);
    for (uint32_t x = 0; x < size.width; ++x) {
      const int sourceX = cut.b.x0 + static_cast<int>((2 * x + 1) * cw / (2 * size.width));
      const uint8_t *p = frame.data() + (size_t{y} * size.width + x) * bpp;
      const int along = std::abs(p[0] - Triangle(sourceX));
      int down = bpp == 3 || x % 2 == 0 ? std::abs(p[1] - Triangle(sourceY)) : 0;
      if (y >= groupRows) down = std::min(down, std::abs(p[1] - Triangle(leftoverY)));
      ASSERT_LE(along, kTolerance) << "pixel " << x << "," << y;
      ASSERT_LE(down, kTolerance) << "pixel " << x << "," << y;
      ASSERT_EQ(bpp == 3 ? 77 : 128, bpp == 3 ? p[2] : (x % 2 == 1 ? p[1] : 128))
          << "pixel " << x << "," << y;
    }
  }
}

TEST(ZoomSweep, EveryLevelShowsTheCentredWindowEnlarged) {
  const Size sizes[] = {{640, 480}, {320, 240}, {1280, 1024}};
  for (uint32_t bpp : {3u, 2u}) {
    for (const Size &size : sizes) {
      for (uint32_t level = 0; level <= 20; ++level) CheckZoom(bpp, level, size);
    }
  }
}

}  // namespace
