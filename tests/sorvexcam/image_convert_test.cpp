#include "image_convert.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "y4m_writer.h"

namespace sorvexcam {
namespace {

// The camera's blank images, written as the library writes them.
std::vector<uint8_t> Blank(OutputFormat format, uint32_t width, uint32_t height) {
  std::vector<uint8_t> image(OutputImageBytes(format, width, height), 0);
  const size_t pixels = size_t{width} * height;
  if (format == OutputFormat::kYuyv) {
    for (size_t i = 0; i < pixels; ++i) image[2 * i + 1] = 0x80;
  } else if (format == OutputFormat::kI420) {
    std::fill(image.begin() + static_cast<std::ptrdiff_t>(pixels), image.end(), 0x80);
  } else {
    image[0] = image[1] = image[2] = 0xA0;
  }
  return image;
}

TEST(IsBlankImage, KnowsTheBlankImageOfEachFormatAndNothingElse) {
  for (OutputFormat format : {OutputFormat::kRgb24, OutputFormat::kYuyv, OutputFormat::kI420}) {
    std::vector<uint8_t> image = Blank(format, 8, 4);
    EXPECT_TRUE(IsBlankImage(format, image, 8, 4));
    image.back() ^= 1;  // one byte of a picture that happens to be dark
    EXPECT_FALSE(IsBlankImage(format, image, 8, 4));
  }
  // A black bitmap without the grey first pixel is a picture, not the blank image.
  EXPECT_FALSE(IsBlankImage(OutputFormat::kRgb24, std::vector<uint8_t>(8 * 4 * 3, 0), 8, 4));
}

TEST(OutputToRgb, TurnsTheBottomUpBgrBitmapTheRightWayRound) {
  // 1 x 2 bitmap: the bottom line (stored first) blue, the top line red.
  const uint8_t bitmap[] = {255, 0, 0, 0, 0, 255};
  const RgbImage rgb = OutputToRgb(OutputFormat::kRgb24, bitmap, 1, 2);
  EXPECT_EQ(rgb.rgb, (std::vector<uint8_t>{255, 0, 0, 0, 0, 255}));
}

TEST(OutputToRgb, ReadsBackYuyvAndI420MadeFromAPictureWithinRounding) {
  RgbImage picture;
  picture.width = 4;
  picture.height = 2;
  picture.rgb = {200, 40, 40, 200, 40, 40, 30, 180, 60, 30, 180, 60,
                 128, 128, 128, 128, 128, 128, 20, 20, 220, 20, 20, 220};
  const std::vector<uint8_t> yuyv = RgbToYuyv(picture);
  const RgbImage back = OutputToRgb(OutputFormat::kYuyv, yuyv.data(), 4, 2);
  for (size_t i = 0; i < picture.rgb.size(); ++i) EXPECT_NEAR(back.rgb[i], picture.rgb[i], 3) << i;
  // Grey (128) in studio range: Y 126, U and V 128.
  EXPECT_EQ(yuyv[8], 126);
  EXPECT_EQ(yuyv[9], 128);
  EXPECT_EQ(yuyv[11], 128);
}

TEST(Y4m, HeaderNamesTheChromaLayoutOfEachFormat) {
  EXPECT_EQ(Y4mHeader(OutputFormat::kYuyv, 640, 480, 30, 1),
            "YUV4MPEG2 W640 H480 F30:1 Ip A1:1 C422 XCOLORRANGE=LIMITED\n");
  EXPECT_EQ(Y4mHeader(OutputFormat::kI420, 320, 240, 30000, 1001),
            "YUV4MPEG2 W320 H240 F30000:1001 Ip A1:1 C420jpeg XCOLORRANGE=LIMITED\n");
}

TEST(Y4m, YuyvFramesAreDeinterleavedIntoPlanesAndI420KeptAsItIs) {
  const uint8_t yuyv[] = {1, 2, 3, 4, 5, 6, 7, 8};  // 4 x 1: Y0 U Y1 V Y2 U Y3 V
  const std::vector<uint8_t> frame = Y4mFrame(OutputFormat::kYuyv, yuyv, 4, 1);
  EXPECT_EQ(std::string(frame.begin(), frame.begin() + 6), "FRAME\n");
  EXPECT_EQ(std::vector<uint8_t>(frame.begin() + 6, frame.end()), (std::vector<uint8_t>{1, 3, 5, 7, 2, 6, 4, 8}));
  const uint8_t i420[] = {9, 9, 9, 9, 1, 2};  // 2 x 2
  const std::vector<uint8_t> planar = Y4mFrame(OutputFormat::kI420, i420, 2, 2);
  EXPECT_EQ(std::vector<uint8_t>(planar.begin() + 6, planar.end()), std::vector<uint8_t>(i420, i420 + 6));
}

}  // namespace
}  // namespace sorvexcam
