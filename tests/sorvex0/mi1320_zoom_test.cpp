// The digital zoom on the MI1320's small frames, which arrive as YUYV.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fake_minidriver.h"
#include "core/isp_context.h"
#include "sorvex1.h"
#include "zoom_test_support.h"

using namespace sorvex0;

namespace sorvextest {
namespace {

using zoomtest::Buffer;
using zoomtest::Triangle;

class Mi1320ZoomTest : public MinidriverTest {
 protected:
  // A 320 x 240 stream, captured at 640 x 480.
  void StartStream(uint32_t format, uint32_t zoom) {
    ASSERT_EQ(0, Init("MI1320"));
    uint32_t width = 0, height = 0;
    ISPFunc_StartCapture(context_, kDevice, format, 320, 240, &width, &height);
    ASSERT_EQ(640u, width);
    ASSERT_EQ(480u, height);
    context_->blankFrameCount = 0;
    context_->zoom = zoom;
  }

  // The capture: Y tells x, U tells y, V is 128.
  static std::vector<uint8_t> Capture() {
    std::vector<uint8_t> yuyv(640 * 480 * 2);
    for (uint32_t y = 0; y < 480; ++y) {
      for (uint32_t x = 0; x < 640; ++x) {
        yuyv[(y * 640 + x) * 2] = static_cast<uint8_t>(Triangle(static_cast<int>(x)));
        yuyv[(y * 640 + x) * 2 + 1] =
            static_cast<uint8_t>(x % 2 == 0 ? Triangle(static_cast<int>(y)) : 128);
      }
    }
    return yuyv;
  }

  std::vector<uint8_t> Frame(uint32_t format, std::vector<uint8_t> raw) {
    Buffer destination(format == 2 ? 320 * 240 * 2 : 320 * 240 * 3, 0xEE);
    Buffer frame(raw.size());
    std::copy(raw.begin(), raw.end(), frame.data());
    ISPFunc_RawToImg(context_, kDevice, format, 50, 50, 50, 50, 50, 50, 50, 50, 50,
                     destination.data(), frame.data(), 320, 240);
    return destination.Copy(destination.size());
  }
};

// The centre 320 x 240 of the 640 x 480 capture: at zoom 20 the window is
// cut at the capture's own resolution and needs no enlargement.
std::vector<uint8_t> CentreOfCapture(const std::vector<uint8_t> &capture) {
  std::vector<uint8_t> centre;
  for (uint32_t y = 120; y < 360; ++y) {
    centre.insert(centre.end(), capture.begin() + (y * 640 + 160) * 2,
                  capture.begin() + (y * 640 + 480) * 2);
  }
  return centre;
}

TEST_F(Mi1320ZoomTest, Zoom20ShowsTheCentreOfTheCapture) {
  StartStream(2, 20);
  const std::vector<uint8_t> capture = Capture();
  EXPECT_EQ(CentreOfCapture(capture), Frame(2, capture));
}

TEST_F(Mi1320ZoomTest, BitmapsTakeTheZoomedWindowToo) {
  StartStream(1, 20);
  const std::vector<uint8_t> capture = Capture();
  std::vector<uint8_t> centre = CentreOfCapture(capture);
  std::vector<uint8_t> expected(320 * 240 * 3);
  FUNC_YuvToBmp(context_->conversionOps, centre.data(), 320, 240, expected.data());
  EXPECT_EQ(expected, Frame(1, capture));
}

// Zoom 10: the 480 x 360 centre of the capture is halved to a 240 x 180
// window and enlarged by 4/3 to the output.
TEST_F(Mi1320ZoomTest, Zoom10ReducesThenEnlarges) {
  StartStream(2, 10);
  const std::vector<uint8_t> out = Frame(2, Capture());
  for (uint32_t y = 0; y < 240; ++y) {
    // Capture position of the output pixel's centre: the window starts at
    // (80, 60) and one output pixel spans 1.5 capture pixels.
    const int sourceY = 60 + static_cast<int>((2 * y + 1) * 3 / 4);
    for (uint32_t x = 0; x < 320; ++x) {
      const int sourceX = 80 + static_cast<int>((2 * x + 1) * 3 / 4);
      const uint8_t *p = out.data() + (y * 320 + x) * 2;
      ASSERT_LE(std::abs(p[0] - Triangle(sourceX)), 5) << x << "," << y;
      if (x % 2 == 0) {
        ASSERT_LE(std::abs(p[1] - Triangle(sourceY)), 5) << x << "," << y;
      } else {
        ASSERT_EQ(128, p[1]) << x << "," << y;
      }
    }
  }
}

// Any zoom level with sizes the minidriver should not ask for stays inside
// the capture and the destination (the sanitizer build checks). With the
// capture and the destination's old contents all 77, a YUYV frame can only
// hold 77 and the black frame's zeros.
TEST_F(Mi1320ZoomTest, AnyLevelAndSizeStaysInsideTheBuffers) {
  const uint32_t starts[][2] = {{160, 120}, {320, 240}, {640, 480}, {176, 144}, {161, 119}, {3, 5}};
  const uint32_t outputs[][2] = {{160, 120}, {320, 240}, {640, 480}, {352, 288},
                                 {176, 144}, {161, 119}, {3, 5},     {2, 2}};
  for (const auto &start : starts) {
    ASSERT_EQ(0, Init("MI1320"));
    uint32_t width = 0, height = 0;
    ISPFunc_StartCapture(context_, kDevice, 2, start[0], start[1], &width, &height);
    for (uint32_t zoom : {1u, 7u, 20u, 35u, 1000u}) {
      context_->zoom = zoom;
      for (const auto &out : outputs) {
        for (uint32_t format : {1u, 2u, 3u}) {
          SCOPED_TRACE(std::to_string(start[0]) + "x" + std::to_string(start[1]) + " zoom " +
                       std::to_string(zoom) + " to " + std::to_string(out[0]) + "x" +
                       std::to_string(out[1]) + " format " + std::to_string(format));
          const size_t pixels = size_t{out[0]} * out[1];
          Buffer raw(size_t{width} * height * 2, 77);
          Buffer destination(format == 2   ? pixels * 2
                             : format == 3 ? pixels * 3 / 2
                                           : pixels * 3,
                             77);
          context_->blankFrameCount = 0;
          ISPFunc_RawToImg(context_, kDevice, format, 50, 50, 50, 50, 50, 50, 50, 50, 50,
                           destination.data(), raw.data(), out[0], out[1]);
          if (format != 2) continue;
          for (size_t i = 0; i < destination.size(); ++i) {
            ASSERT_TRUE(destination[i] == 77 || destination[i] == 0) << "byte " << i;
          }
        }
      }
    }
    Exit();
  }
}

}  // namespace
}  // namespace sorvextest
