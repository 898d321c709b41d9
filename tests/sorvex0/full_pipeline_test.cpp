// Processing mode 2: the full pipeline's sizes, the calls it makes into the
// conversion library, its enlargements and its safety at any size.

#include <cstring>
#include <memory>

#include "fake_minidriver.h"
#include "core/isp_context.h"

using namespace sorvex0;

namespace sorvextest {
namespace {

// The conversion library's raw conversion and filters as the pipeline
// called them; the conversion writes line numbers so the bottom-line filling
// can be seen.
struct ConversionCall {
  int32_t sourceWidth = 0, sourceHeight = 0, width = 0, height = 0;
};

struct Recording {
  std::vector<ConversionCall> conversions;
  int plainFilters = 0;
  int denoiseFilters = 0;
  bool drawLineNumbers = false;
};

Recording &Record() {
  static Recording recording;
  return recording;
}

ConvertRawToYuyvFn &RealConversion() {
  static ConvertRawToYuyvFn real = nullptr;
  return real;
}

void RecordConversion(void *user, uint8_t *raw, int32_t ws, int32_t hs, uint8_t *out, int32_t w, int32_t h) {
  Record().conversions.push_back({ws, hs, w, h});
  if (!Record().drawLineNumbers) {
    RealConversion()(user, raw, ws, hs, out, w, h);
    return;
  }
  for (int32_t y = 0; y < h; ++y) std::memset(out + static_cast<size_t>(y) * w * 2, y & 0xFF, static_cast<size_t>(w) * 2);
}
void RecordPlainFilter(void *, uint8_t *, int32_t, int32_t, uint32_t) { ++Record().plainFilters; }
void RecordDenoiseFilter(void *, uint8_t *, int32_t, int32_t, uint32_t) { ++Record().denoiseFilters; }

std::unique_ptr<uint8_t[]> Buffer(size_t bytes, uint8_t fill) {
  std::unique_ptr<uint8_t[]> buffer(new uint8_t[bytes == 0 ? 1 : bytes]);
  std::memset(buffer.get(), fill, bytes == 0 ? 1 : bytes);
  return buffer;
}

size_t OutputBytes(uint32_t format, uint32_t width, uint32_t height) {
  const size_t pixels = static_cast<size_t>(width) * height;
  return format == 2 ? pixels * 2 : format == 3 ? pixels * 3 / 2 : pixels * 3;
}

class FullPipelineTest : public MinidriverTest {
 protected:
  void TearDown() override {
    if (context_ != nullptr && saved_.convertRawToYuyv != nullptr) *context_->conversionOps = saved_;
    MinidriverTest::TearDown();
  }
  void Start(const char *sensor, uint32_t format, uint32_t width, uint32_t height, uint32_t highSpeed = 1) {
    ASSERT_EQ(0, Init(sensor, highSpeed));
    ASSERT_EQ(2u, context_->ipMode);
    ISPFunc_StartCapture(context_, kDevice, format, width, height, &captureWidth_, &captureHeight_);
    context_->blankFrameCount = 0;
  }
  void Intercept() {
    saved_ = *context_->conversionOps;
    RealConversion() = saved_.convertRawToYuyv;
    context_->conversionOps->convertRawToYuyv = RecordConversion;
    context_->conversionOps->filterFrame = RecordPlainFilter;
    context_->conversionOps->filterFrameDenoise = RecordDenoiseFilter;
    Record() = Recording();
  }
  std::vector<uint8_t> Frame(uint32_t format, uint32_t width, uint32_t height, uint8_t level = 120) {
    std::unique_ptr<uint8_t[]> raw = Buffer(static_cast<size_t>(captureWidth_) * captureHeight_, level);
    const size_t bytes = OutputBytes(format, width, height);
    std::unique_ptr<uint8_t[]> out = Buffer(bytes, 0x55);
    ISPFunc_RawToImg(context_, kDevice, format, 50, 50, 50, 50, 50, 50, 50, 50, 50, out.get(), raw.get(),
                     width, height);
    return std::vector<uint8_t>(out.get(), out.get() + bytes);
  }

  uint32_t captureWidth_ = 0;
  uint32_t captureHeight_ = 0;
  ConversionOps saved_{};
};

TEST_F(FullPipelineTest, LargeCaptureIsReducedWithNegatedSizesAndTrimmed) {
  Start("OV9650", 2, 640, 480);
  ASSERT_EQ(1280u, captureWidth_);
  Intercept();
  Frame(2, 640, 480);
  ASSERT_EQ(1u, Record().conversions.size());
  const ConversionCall &call = Record().conversions[0];
  EXPECT_EQ(-1280, call.sourceWidth);
  EXPECT_EQ(-956, call.sourceHeight);
  EXPECT_EQ(640, call.width);
  EXPECT_EQ(478, call.height);
}

TEST_F(FullPipelineTest, QuarterOutputIsDecimatedFirstAndNotNegated) {
  Start("OV9650", 2, 640, 480);
  Intercept();
  Frame(2, 320, 240);
  ASSERT_EQ(1u, Record().conversions.size());
  const ConversionCall &call = Record().conversions[0];
  EXPECT_EQ(640, call.sourceWidth);
  EXPECT_EQ(476, call.sourceHeight);
  EXPECT_EQ(320, call.width);
  EXPECT_EQ(238, call.height);
}

TEST_F(FullPipelineTest, BottomLinesRepeatTheLinesAboveThem) {
  Start("OV9650", 2, 320, 240, 0);
  Intercept();
  Record().drawLineNumbers = true;
  const std::vector<uint8_t> out = Frame(2, 320, 240);
  auto line = [&](uint32_t y) { return out[static_cast<size_t>(y) * 640 + 10]; };
  EXPECT_EQ(100, line(100));
  // The conversion wrote lines 0..237 (trimmed by two); 239 and 238 repeat
  // 237, then 237 repeats 236.
  EXPECT_EQ(237, line(239));
  EXPECT_EQ(237, line(238));
  EXPECT_EQ(236, line(237));
  EXPECT_EQ(236, line(236));
}

TEST_F(FullPipelineTest, DenoiseSettingChoosesTheFilter) {
  Start("OV9655", 2, 320, 240, 0);
  Intercept();
  Frame(2, 320, 240);
  EXPECT_EQ(1, Record().denoiseFilters);
  context_->deNoise = 0;
  Frame(2, 320, 240);
  EXPECT_EQ(1, Record().plainFilters);
}

TEST_F(FullPipelineTest, S5k4aa1600By1200IsProcessedAt1280By960AndEnlarged) {
  for (uint32_t format : {1u, 2u, 3u}) {
    SCOPED_TRACE(format);
    Start("S5K4AA", format, 1600, 1200);
    ASSERT_EQ(1280u, captureWidth_);
    context_->ric = 0;  // flat in, flat out
    Intercept();
    const std::vector<uint8_t> out = Frame(format, 1600, 1200, 90);
    EXPECT_EQ(1u, context_->upscalePending);
    ASSERT_EQ(1u, Record().conversions.size());
    EXPECT_EQ(1280, Record().conversions[0].width);
    EXPECT_EQ(958, Record().conversions[0].height);
    // A flat frame stays flat all the way to the last pixel.
    if (format == 2) {
      EXPECT_EQ(out[2 * (600 * 1600 + 800)], out[out.size() - 2]);
      EXPECT_NE(0x55, out[out.size() - 2]);
    }
    *context_->conversionOps = saved_;
    Exit();
  }
}

TEST_F(FullPipelineTest, FullSpeedCapturesAreDoubledToTheRequest) {
  Start("OV9650", 2, 640, 480, 0);
  ASSERT_EQ(320u, captureWidth_);
  context_->ric = 0;  // flat in, flat out
  const std::vector<uint8_t> out = Frame(2, 640, 480, 150);
  EXPECT_EQ(1u, context_->upscalePending);
  EXPECT_EQ(640, context_->upscaleWidth);
  // The doubled flat picture fills the frame.
  EXPECT_NE(0x55, out[out.size() - 2]);
  EXPECT_EQ(out[2 * (240 * 640 + 320)], out[out.size() - 4]);
}

TEST_F(FullPipelineTest, EnlargementsThatAreNotDoublingsFillTheOutputAndStayInside) {
  for (uint32_t format : {1u, 2u, 3u}) {
    SCOPED_TRACE(format);
    Start("OV9650", format, 352, 288, 0);  // full speed: 320 x 240 captured
    ASSERT_EQ(320u, captureWidth_);
    context_->ric = 0;  // flat in, flat out
    const std::vector<uint8_t> out = Frame(format, 352, 288, 150);
    const size_t middle = format == 2 ? 2 * (144 * 352 + 176) : format == 3 ? 144 * 352 + 176 : 3 * (144 * 352 + 176);
    EXPECT_EQ(out[middle], out[format == 3 ? 352 * 288 - 1 : out.size() - (format == 2 ? 2 : 3)]);
    EXPECT_NE(0x55, out[0]);
    Exit();
  }
}

TEST_F(FullPipelineTest, ZoomAndTrackingRunInEveryFormat) {
  for (uint32_t format : {1u, 2u, 3u}) {
    for (uint32_t zoom : {0u, 5u, 20u}) {
      for (uint32_t tracking : {0u, 1u}) {
        SCOPED_TRACE(std::to_string(format) + " zoom " + std::to_string(zoom) + " tracking " + std::to_string(tracking));
        Start("OV9655", format, 640, 480);
        context_->zoom = zoom;
        context_->faceTracking = tracking;
        context_->faceDescription = tracking;
        for (int i = 0; i < 3; ++i) {
          const std::vector<uint8_t> out = Frame(format, 640, 480, static_cast<uint8_t>(60 + 40 * i));
          EXPECT_NE(std::vector<uint8_t>(out.size(), 0x55), out);
        }
        Exit();
      }
    }
  }
}

// Every sensor, capture size and format, with settings a client may have set
// to anything: frames come out and nothing outside the buffers is touched
// (the sanitizer build checks the second part).
TEST_F(FullPipelineTest, EveryCombinationStaysInsideTheBuffers) {
  struct Size {
    uint32_t width, height;
  };
  const Size requests[] = {{160, 120}, {320, 240}, {352, 288}, {640, 480}, {800, 600}, {1280, 1024}, {1600, 1200}, {7, 5}};
  for (const char *sensor : {"ES2216", "S5K4AA", "OV9650", "OV9655", "MI1320", "S5K3BA", "OV7670", "MI2020", "MO4000", "MI0360"}) {
    for (uint32_t highSpeed : {0u, 1u}) {
      for (uint32_t format : {1u, 2u, 3u}) {
        for (const Size &request : requests) {
          SCOPED_TRACE(std::string(sensor) + " format " + std::to_string(format) + " " +
                       std::to_string(request.width) + "x" + std::to_string(request.height) + " hs " +
                       std::to_string(highSpeed));
          Start(sensor, format, request.width, request.height, highSpeed);
          // The MI1320's small frames are YUYV: give every sensor room for two bytes a sample.
          captureHeight_ *= 2;
          Frame(format, request.width, request.height);
          Exit();
        }
      }
    }
  }
}

TEST_F(FullPipelineTest, OutOfRangeSettingsStillGiveFrames) {
  Start("OV9650", 2, 640, 480);
  context_->zoom = 1000;
  context_->awbType = 200;
  context_->aeIndex = -5;
  context_->trackZoomLevel = 77;
  for (uint32_t mode : {7u, 1u, 2u}) {
    context_->ipMode = mode;
    const std::vector<uint8_t> out = Frame(2, 640, 480);
    EXPECT_NE(std::vector<uint8_t>(out.size(), 0x55), out) << mode;
  }
}

TEST_F(FullPipelineTest, ExhaustedPoolGivesBlackFramesNeverPartialOnes) {
  // Each of the first allocations of a stream's first frame fails in turn;
  // whenever the work buffer is the one missing, the frame is black.
  bool workBufferFailed = false;
  for (uint64_t n = 1; n <= 8; ++n) {
    SCOPED_TRACE(n);
    Start("OV9650", 2, 640, 480);
    context_->ric = 0;
    hostkernel::FailNthAllocation(n);
    const std::vector<uint8_t> out = Frame(2, 640, 480);
    hostkernel::FailNthAllocation(0);
    if (context_->workBuffer == nullptr) {
      workBufferFailed = true;
      for (size_t i = 0; i < out.size(); i += 2) {
        ASSERT_EQ(0x00, out[i]);
        ASSERT_EQ(0x80, out[i + 1]);
      }
    } else {
      EXPECT_NE(std::vector<uint8_t>(out.size(), 0x55), out);
    }
    Exit();
  }
  EXPECT_TRUE(workBufferFailed);
}

}  // namespace
}  // namespace sorvextest
