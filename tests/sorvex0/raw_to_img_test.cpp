// The per-frame path: blank frames, raw repairs, snapshots and the routing
// of processing mode 0 and the MI1320.

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "png_image.h"
#include "rgb_image.h"

#include "fake_minidriver.h"
#include "core/isp_context.h"
#include "sorvex1.h"

using namespace sorvex0;

namespace sorvextest {
namespace {

// An exactly sized heap buffer, so the sanitizer catches any write past it.
std::unique_ptr<uint8_t[]> Buffer(size_t bytes, uint8_t fill) {
  std::unique_ptr<uint8_t[]> buffer(new uint8_t[bytes == 0 ? 1 : bytes]);
  std::memset(buffer.get(), fill, bytes == 0 ? 1 : bytes);
  return buffer;
}

std::vector<uint8_t> RampFrame(uint32_t width, uint32_t height) {
  std::vector<uint8_t> raw(static_cast<size_t>(width) * height);
  for (size_t i = 0; i < raw.size(); ++i) raw[i] = static_cast<uint8_t>((i * 7 + i / width * 13) & 0xFF);
  return raw;
}

class RawToImgTest : public MinidriverTest {
 protected:
  void StartStream(const char *sensor, uint32_t format, uint32_t width, uint32_t height,
                   uint32_t highSpeed = 1) {
    ASSERT_EQ(0, Init(sensor, highSpeed));
    context_->ipMode = 0;
    ISPFunc_StartCapture(context_, kDevice, format, width, height, &captureWidth_, &captureHeight_);
  }
  // Runs one frame; returns the destination.
  std::vector<uint8_t> Frame(uint32_t format, uint8_t *raw, uint32_t width, uint32_t height,
                             uint8_t fill = 0x55) {
    const size_t bytes = OutputBytes(format, width, height);
    std::unique_ptr<uint8_t[]> destination = Buffer(bytes, fill);
    ISPFunc_RawToImg(context_, kDevice, format, 50, 50, 50, 50, 50, 50, 50, 50, 50, destination.get(),
                     raw, width, height);
    return std::vector<uint8_t>(destination.get(), destination.get() + bytes);
  }
  static size_t OutputBytes(uint32_t format, uint32_t width, uint32_t height) {
    const size_t pixels = static_cast<size_t>(width) * height;
    return format == 2 ? pixels * 2 : format == 3 ? pixels * 3 / 2 : pixels * 3;
  }
  void SkipBlankFrames(uint32_t format, uint8_t *raw, uint32_t width, uint32_t height) {
    while (context_->blankFrameCount != 0) Frame(format, raw, width, height);
  }

  uint32_t captureWidth_ = 0;
  uint32_t captureHeight_ = 0;
};

TEST_F(RawToImgTest, FirstFiveBitmapFramesAreBlackWithAGreyFirstPixelWhileRepairsRun) {
  StartStream("OV9655", 1, 320, 240, 0);
  ASSERT_EQ(320u, captureWidth_);
  for (int i = 0; i < 5; ++i) {
    std::vector<uint8_t> raw = RampFrame(320, 240);
    const std::vector<uint8_t> out = Frame(1, raw.data(), 320, 240);
    EXPECT_EQ(0xA0, out[0]);
    EXPECT_EQ(0xA0, out[1]);
    EXPECT_EQ(0xA0, out[2]);
    EXPECT_EQ(std::vector<uint8_t>(out.size() - 3, 0), std::vector<uint8_t>(out.begin() + 3, out.end()));
    // The OV9655's last two columns are repaired on blanked frames too.
    EXPECT_EQ(raw[319], raw[317]);
    EXPECT_EQ(raw[318], raw[316]);
    EXPECT_EQ(static_cast<uint32_t>(4 - i), context_->blankFrameCount);
  }
  // The sixth frame is a picture.
  std::vector<uint8_t> raw = RampFrame(320, 240);
  const std::vector<uint8_t> picture = Frame(1, raw.data(), 320, 240);
  EXPECT_NE(std::vector<uint8_t>(picture.size() - 3, 0), std::vector<uint8_t>(picture.begin() + 3, picture.end()));
}

TEST_F(RawToImgTest, BlankYuyvAndI420AreBlackPictures) {
  StartStream("OV7670", 2, 320, 240, 0);
  std::vector<uint8_t> raw = RampFrame(320, 240);
  const std::vector<uint8_t> yuyv = Frame(2, raw.data(), 320, 240);
  for (size_t i = 0; i < yuyv.size(); i += 2) {
    ASSERT_EQ(0x00, yuyv[i]);
    ASSERT_EQ(0x80, yuyv[i + 1]);
  }
  const std::vector<uint8_t> i420 = Frame(3, raw.data(), 320, 240);
  EXPECT_EQ(std::vector<uint8_t>(320 * 240, 0), std::vector<uint8_t>(i420.begin(), i420.begin() + 320 * 240));
  EXPECT_EQ(std::vector<uint8_t>(320 * 240 / 2, 0x80), std::vector<uint8_t>(i420.begin() + 320 * 240, i420.end()));
  // A format code outside 1 to 3 is blanked like a bitmap, at bitmap size.
  const std::vector<uint8_t> other = Frame(9, raw.data(), 320, 240);
  EXPECT_EQ(0xA0, other[0]);
  EXPECT_EQ(0, other[3]);
}

TEST_F(RawToImgTest, SnapshotIsTakenOnTheNextUnblankedFrameWhichIsStillConverted) {
  StartStream("OV9655", 2, 320, 240, 0);
  context_->snapshotRequest = 1;
  std::vector<uint8_t> raw = RampFrame(320, 240);
  Frame(2, raw.data(), 320, 240);
  EXPECT_EQ(1u, context_->snapshotRequest);  // not on a blanked frame
  SkipBlankFrames(2, raw.data(), 320, 240);
  hostkernel::ClearDebugOutput();
  raw = RampFrame(320, 240);
  const std::vector<uint8_t> out = Frame(2, raw.data(), 320, 240);
  EXPECT_EQ("Shutter Pic By Software\nWrite RawData = 1\n", hostkernel::DebugOutput());
  EXPECT_EQ(0u, context_->snapshotRequest);
  EXPECT_EQ(1u, context_->snapshotIndex);
  EXPECT_NE(std::vector<uint8_t>(out.size(), 0x55), out);  // converted
  // The stored frame is the repaired frame.
  const std::string service = "\\REGISTRY\\MACHINE\\SYSTEM\\CurrentControlSet\\Services\\DCamSorvex";
  uint32_t type = 0;
  std::vector<uint8_t> chunk;
  ASSERT_TRUE(hostkernel::GetRegistryValue(service, "Raw01Data00", &type, &chunk));
  EXPECT_EQ(16384u, chunk.size());
  EXPECT_EQ(0, std::memcmp(chunk.data(), raw.data(), chunk.size()));
  EXPECT_EQ(chunk[319], chunk[317]);
  hostkernel::ClearDebugOutput();
  Frame(2, raw.data(), 320, 240);
  EXPECT_EQ("", hostkernel::DebugOutput());  // served once
}

TEST_F(RawToImgTest, SnapshotsAreNumberedOneToSixtyFourInACycle) {
  StartStream("OV7670", 2, 32, 32, 1);  // a small frame keeps this quick
  std::vector<uint8_t> raw(static_cast<size_t>(captureWidth_) * captureHeight_, 9);
  SkipBlankFrames(2, raw.data(), 32, 32);
  for (uint32_t n = 1; n <= 65; ++n) {
    context_->snapshotRequest = 1;
    Frame(2, raw.data(), 32, 32);
    ASSERT_EQ(n <= 64 ? n : 1u, context_->snapshotIndex);
  }
  EXPECT_EQ(1u, context_->snapshotSequence);
}

TEST_F(RawToImgTest, Ov9650RepairsItsLastTwoLines) {
  for (uint32_t height : {1024u, 960u}) {
    SCOPED_TRACE(height);
    StartStream("OV9650", 1, 1280, height);
    context_->captureWidth = 1280;
    context_->captureHeight = height;
    std::vector<uint8_t> raw = RampFrame(1280, height);
    const std::vector<uint8_t> before = raw;
    Frame(1, raw.data(), 1280, height);
    EXPECT_EQ(0, std::memcmp(&raw[(height - 1) * 1280], &before[(height - 3) * 1280], 1280));
    EXPECT_EQ(0, std::memcmp(&raw[(height - 2) * 1280], &before[(height - 4) * 1280], 1280));
    EXPECT_EQ(0, std::memcmp(raw.data(), before.data(), (height - 2) * 1280));
    Exit();
  }
}

TEST_F(RawToImgTest, S5k4aaRepairsTheLastLineUnlessTheOutputIsFullWidth) {
  StartStream("S5K4AA", 1, 640, 480);
  ASSERT_EQ(1280u, captureWidth_);
  std::vector<uint8_t> raw = RampFrame(1280, 960);
  std::vector<uint8_t> before = raw;
  Frame(1, raw.data(), 640, 480);
  EXPECT_EQ(0, std::memcmp(&raw[959 * 1280], &before[957 * 1280], 1280));
  raw = before;
  Frame(1, raw.data(), 1280, 960);
  EXPECT_EQ(before, raw);
}

TEST_F(RawToImgTest, Mi1320RepairsTwoLinesAtFullWidth) {
  StartStream("MI1320", 1, 1280, 1024);
  ASSERT_EQ(1280u, captureWidth_);
  std::vector<uint8_t> raw = RampFrame(1280, 1024);
  const std::vector<uint8_t> before = raw;
  Frame(1, raw.data(), 1280, 1024);
  EXPECT_EQ(0, std::memcmp(&raw[1022 * 1280], &before[1020 * 1280], 2560));
}

TEST_F(RawToImgTest, ModeZeroYuyvAndI420ComeFromTheConversionLibrary) {
  StartStream("S5K3BA", 2, 640, 480);
  std::vector<uint8_t> raw = RampFrame(captureWidth_, captureHeight_);
  SkipBlankFrames(2, raw.data(), 640, 480);
  ConversionOps *ops = context_->conversionOps;
  for (uint32_t format : {2u, 3u}) {
    std::vector<uint8_t> expected(OutputBytes(format, 640, 480));
    std::vector<uint8_t> copy = raw;
    if (format == 2) {
      FUNC_RawToYuv(ops, copy.data(), 1280, 960, expected.data(), 640, 480);
    } else {
      FUNC_RawToI420(ops, copy.data(), 1280, 960, expected.data(), 640, 480);
    }
    copy = raw;
    EXPECT_EQ(expected, Frame(format, copy.data(), 640, 480)) << format;
  }
}

TEST_F(RawToImgTest, Mi1320BitmapsRouteByWidth) {
  StartStream("MI1320", 1, 1280, 1024);
  std::vector<uint8_t> raw = RampFrame(1280, 1024);
  SkipBlankFrames(1, raw.data(), 1280, 1024);
  std::vector<uint8_t> expected(1280 * 1024 * 3);
  std::vector<uint8_t> copy = raw;
  FUNC_RawToBmp(context_->conversionOps, copy.data(), 1280, 1024, expected.data(), 1280, 1024);
  copy = raw;
  EXPECT_EQ(expected, Frame(1, copy.data(), 1280, 1024));
  EXPECT_EQ(nullptr, context_->stageBuffer);  // straight through the library
  Exit();

  // At 800 the frame takes the full pipeline into the stage buffer and is
  // converted from there.
  StartStream("MI1320", 1, 800, 600);
  ASSERT_EQ(800u, captureWidth_);
  ASSERT_EQ(2u, context_->ipMode);
  raw = RampFrame(800, 600);
  SkipBlankFrames(1, raw.data(), 800, 600);
  EXPECT_EQ(nullptr, context_->stageBuffer);
  const std::vector<uint8_t> out = Frame(1, raw.data(), 800, 600);
  EXPECT_NE(nullptr, context_->stageBuffer);
  EXPECT_NE(std::vector<uint8_t>(out.size(), 0x55), out);
}

TEST_F(RawToImgTest, Mi1320SmallFramesArriveAsYuyv) {
  StartStream("MI1320", 2, 320, 240);
  ASSERT_EQ(640u, captureWidth_);
  std::vector<uint8_t> yuyv(640 * 480 * 2);
  for (size_t i = 0; i < yuyv.size(); ++i) yuyv[i] = static_cast<uint8_t>(i % 4 == 1 ? 90 : i % 4 == 3 ? 160 : 100);
  SkipBlankFrames(2, yuyv.data(), 320, 240);
  const std::vector<uint8_t> out = Frame(2, yuyv.data(), 320, 240);
  for (size_t i = 0; i < out.size(); i += 4) {
    ASSERT_EQ(100, out[i]);
    ASSERT_EQ(90, out[i + 1]);
    ASSERT_EQ(100, out[i + 2]);
    ASSERT_EQ(160, out[i + 3]);
  }
}

// Sizes the minidriver should not ask for still never write past the
// destination or read past the raw frame (the sanitizer build checks).
TEST_F(RawToImgTest, AnySizeAndFormatStaysInsideTheBuffers) {
  struct Case {
    uint32_t width, height;
  };
  const Case outputs[] = {{0, 0}, {1, 1}, {3, 5}, {161, 119}, {320, 240}, {352, 288}, {640, 480}, {2000, 8}};
  for (const char *sensor : {"OV9650", "MI1320", "OV9655"}) {
    for (uint32_t format : {1u, 2u, 3u, 4u}) {
      for (const Case &start : outputs) {
        SCOPED_TRACE(std::string(sensor) + " format " + std::to_string(format) + " start " +
                     std::to_string(start.width) + "x" + std::to_string(start.height));
        StartStream(sensor, format, start.width, start.height, start.width % 2);
        // The MI1320's small frames are YUYV, two bytes a pixel.
        const size_t rawBytes = static_cast<size_t>(captureWidth_) * captureHeight_ * 2;
        for (const Case &out : outputs) {
          std::unique_ptr<uint8_t[]> raw = Buffer(rawBytes, 77);
          context_->blankFrameCount = 0;
          Frame(format, raw.get(), out.width, out.height);
        }
        Exit();
      }
    }
  }
}

TEST_F(RawToImgTest, MissingBuffersAreIgnored) {
  StartStream("OV9650", 2, 320, 240);
  context_->blankFrameCount = 0;
  ISPFunc_RawToImg(context_, kDevice, 2, 50, 50, 50, 50, 50, 50, 50, 50, 50, nullptr, nullptr, 320, 240);
  ISPFunc_RawToImg(nullptr, kDevice, 2, 50, 50, 50, 50, 50, 50, 50, 50, 50, nullptr, nullptr, 320, 240);
  SUCCEED() << "no crash";
}

}  // namespace
}  // namespace sorvextest

namespace sorvextest {
namespace {

// Studio-range BT.601 back to RGB, for comparing the formats with each other.
void YuvToRgb(int y, int u, int v, uint8_t *rgb) {
  const int c = y - 16, d = u - 128, e = v - 128;
  const int r = (298 * c + 409 * e + 128) >> 8;
  const int g = (298 * c - 100 * d - 208 * e + 128) >> 8;
  const int b = (298 * c + 516 * d + 128) >> 8;
  rgb[0] = static_cast<uint8_t>(std::clamp(r, 0, 255));
  rgb[1] = static_cast<uint8_t>(std::clamp(g, 0, 255));
  rgb[2] = static_cast<uint8_t>(std::clamp(b, 0, 255));
}

testsupport::RgbImage PictureOf(uint32_t format, const std::vector<uint8_t> &out, int w, int h) {
  if (format == 1) return testsupport::BitmapToRgb(out.data(), w, h);
  testsupport::RgbImage picture(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      int luma, u, v;
      if (format == 2) {
        const uint8_t *pair = &out[(static_cast<size_t>(y) * w + (x & ~1)) * 2];
        luma = pair[(x & 1) * 2];
        u = pair[1];
        v = pair[3];
      } else {
        const size_t plane = static_cast<size_t>(w) * h, chroma = static_cast<size_t>(w / 2) * (h / 2);
        luma = out[static_cast<size_t>(y) * w + x];
        u = out[plane + (y / 2) * (w / 2) + x / 2];
        v = out[plane + chroma + (y / 2) * (w / 2) + x / 2];
      }
      YuvToRgb(luma, u, v, picture.At(x, y));
    }
  }
  return picture;
}

// A held-out check: a real photograph taken by processing mode 0 in each
// format comes back as the same picture in each.
TEST_F(RawToImgTest, PhotographComesOutAlikeInEveryFormat) {
  const char *dir = std::getenv("SORVEX_TESTDATA");
  if (dir == nullptr) GTEST_SKIP() << "SORVEX_TESTDATA is not set (scripts/fetch_test_images.sh)";
  testsupport::RgbImage photo;
  std::string error;
  ASSERT_TRUE(testsupport::LoadPngRgb(std::string(dir) + "/coffee.png", &photo, &error)) << error;
  StartStream("OV9650", 1, 320, 240, 0);  // full speed: captured at 320 x 240
  ASSERT_EQ(320u, captureWidth_);
  testsupport::RgbImage crop(320, 240);
  for (int y = 0; y < 240; ++y) {
    for (int x = 0; x < 320; ++x) std::memcpy(crop.At(x, y), photo.At(x + 140, y + 80), 3);
  }
  const std::vector<uint8_t> mosaic = testsupport::MosaicToBayer(crop);
  std::vector<testsupport::RgbImage> pictures;
  for (uint32_t format : {1u, 2u, 3u}) {
    context_->blankFrameCount = 0;
    std::vector<uint8_t> raw = mosaic;
    pictures.push_back(PictureOf(format, Frame(format, raw.data(), 320, 240), 320, 240));
    EXPECT_GT(testsupport::PsnrRgb(pictures.back(), crop, 4), 26.0) << "format " << format;
  }
  EXPECT_GT(testsupport::PsnrRgb(pictures[0], pictures[1], 4), 28.0) << "bitmap against YUYV";
  EXPECT_GT(testsupport::PsnrRgb(pictures[1], pictures[2], 4), 30.0) << "YUYV against I420";
}

}  // namespace
}  // namespace sorvextest
