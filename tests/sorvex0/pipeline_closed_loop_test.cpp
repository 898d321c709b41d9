// The full pipeline against a sensor that answers: streams of a grey card
// seen through a vignetting lens come out well exposed and neutral under
// daylight, a warm and a cool light, and the lens shading correction evens
// out the corners.

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "fake_minidriver.h"
#include "sensorsim/sensor_model.h"

namespace sorvextest {
namespace {

constexpr SorvexDevice kCameraDevice = 0x5E51;
constexpr int64_t kFrameInterval = 2600000;  // 0.26 s: every frame may run the exposure loop
constexpr int kFrames = 60;

// A small lens darkens the corners to about 60 % of the centre.
double Vignetted(double reflectance, uint32_t x, uint32_t y, uint32_t width, uint32_t height) {
  const double dx = (x + 0.5) / width - 0.5;
  const double dy = (y + 0.5) / height - 0.5;
  const double r2 = (dx * dx + dy * dy) / 0.5;  // 1 at the corners
  return reflectance * (1.0 - 0.4 * r2);
}

// Mean luma (and chroma) of a window of the output, whatever its format.
struct Window {
  double luma = 0, u = 0, v = 0;
};

Window MeasureWindow(uint32_t format, const std::vector<uint8_t> &out, uint32_t width, uint32_t height,
                     uint32_t x0, uint32_t y0, uint32_t w, uint32_t h) {
  Window m;
  double n = 0;
  for (uint32_t y = y0; y < y0 + h; ++y) {
    for (uint32_t x = x0; x < x0 + w; x += 2) {
      if (format == 2) {
        const uint8_t *p = &out[(static_cast<size_t>(y) * width + x) * 2];
        m.luma += p[0];
        m.u += p[1];
        m.v += p[3];
      } else if (format == 3) {
        const size_t chroma = static_cast<size_t>(width / 2) * (height / 2);
        m.luma += out[static_cast<size_t>(y) * width + x];
        m.u += out[static_cast<size_t>(width) * height + (y / 2) * (width / 2) + x / 2];
        m.v += out[static_cast<size_t>(width) * height + chroma + (y / 2) * (width / 2) + x / 2];
      } else {
        const uint8_t *p = &out[(static_cast<size_t>(height - 1 - y) * width + x) * 3];
        const double r = p[2], g = p[1], b = p[0];
        m.luma += 0.299 * r + 0.587 * g + 0.114 * b;
        m.u += 128 + (b - g) * 0.5;  // a colour-difference stand-in: 128 when neutral
        m.v += 128 + (r - g) * 0.5;
      }
      ++n;
    }
  }
  m.luma /= n;
  m.u /= n;
  m.v /= n;
  return m;
}

class PipelineClosedLoopTest : public MinidriverTest {
 protected:
  // Runs a stream and returns the last output frame.
  std::vector<uint8_t> Stream(sensorsim::Family family, uint32_t format, uint32_t width,
                              uint32_t height, uint32_t ric, sensorsim::Illuminant light,
                              int frames = kFrames) {
    sensorsim::SensorModel model(family, kCameraDevice);
    const std::u16string name = hostkernel::ToUtf16(sensorsim::SensorName(family));
    IspContext *context = nullptr;
    EXPECT_EQ(0, ISPFunc_Init(&context, 0, device_, reinterpret_cast<const SorvexChar16 *>(name.c_str()), 1,
                              sensorsim::SensorModel::ReadRegisterA, sensorsim::SensorModel::WriteRegistersA,
                              sensorsim::SensorModel::SelectSensorMode, sensorsim::SensorModel::ReadRegisterB,
                              sensorsim::SensorModel::WriteRegistersB));
    hostkernel::SetSystemTime(132000000000000000LL);
    uint32_t captureWidth = 0, captureHeight = 0;
    ISPFunc_StartCapture(context, kCameraDevice, format, width, height, &captureWidth, &captureHeight);
    // Lens shading on or off through the settings item, as an application would.
    SetRic(context, ric);

    // A grey card of reflectance 0.5 under a light that starts twice too
    // dark for the start entry's exposure: the loop has to climb.
    const double startSignal = model.Signal() > 0 ? model.Signal() : 1.0;
    sensorsim::Scene scene =
        sensorsim::GreyCardScene(0.5 * 72.0 / (startSignal * 0.5), 0.5, light);
    scene.reflectance = [](uint32_t x, uint32_t y, uint32_t w, uint32_t h) { return Vignetted(0.5, x, y, w, h); };
    const size_t outBytes = format == 2 ? static_cast<size_t>(width) * height * 2
                            : format == 3 ? static_cast<size_t>(width) * height * 3 / 2
                                          : static_cast<size_t>(width) * height * 3;
    std::vector<uint8_t> out(outBytes);
    for (int frame = 0; frame < frames; ++frame) {
      std::vector<uint8_t> raw = model.RenderFrame(scene, captureWidth, captureHeight);
      ISPFunc_RawToImg(context, kCameraDevice, format, 50, 50, 50, 50, 50, 50, 50, 50, 50, out.data(), raw.data(),
                       width, height);
      hostkernel::AdvanceSystemTime(kFrameInterval);
    }
    ISPFunc_Exit(context, 0, device_);
    hostkernel::FollowRealClock();
    return out;
  }

  static void SetRic(IspContext *context, uint32_t ric) {
    uint8_t header[24] = {};
    const uint32_t id = 33;
    std::memcpy(header + 16, &id, 4);
    struct {
      uint8_t header[24];
      int32_t value;
      uint32_t item;
    } record{{}, static_cast<int32_t>(ric), 6};
    SorvexPropertyDescriptor request{header, 0, &record, 0, 0};
    ISPFunc_prpmanf_SetCustomProperty(context, kCameraDevice, &request);
  }
};

TEST_F(PipelineClosedLoopTest, GreyCardComesOutWellExposedNeutralAndEvenlyLit) {
  // Every family and format at least once, the sizes that take the
  // pipeline's different roads (halving, reduction, the fixed enlargement)
  // and the three lights, without running every combination: each stream is
  // sixty frames.
  struct Case {
    sensorsim::Family family;
    uint32_t width, height;
    uint32_t format;
    sensorsim::Illuminant light;
  };
  const sensorsim::Illuminant daylight;
  const Case cases[] = {{sensorsim::Family::kOv9650, 640, 480, 1, daylight},
                        {sensorsim::Family::kOv9650, 640, 480, 2, sensorsim::WarmIlluminant()},
                        {sensorsim::Family::kOv9650, 640, 480, 3, sensorsim::CoolIlluminant()},
                        {sensorsim::Family::kOv9655, 320, 240, 2, daylight},
                        {sensorsim::Family::kEs2216, 320, 240, 1, sensorsim::WarmIlluminant()},
                        {sensorsim::Family::kMo4000, 640, 480, 3, sensorsim::CoolIlluminant()},
                        {sensorsim::Family::kS5k4aa, 1600, 1200, 2, daylight}};
  for (const Case &c : cases) {
    const uint32_t format = c.format;
    SCOPED_TRACE(std::string(sensorsim::SensorName(c.family)) + " " + std::to_string(c.width) + "x" +
                 std::to_string(c.height) + " format " + std::to_string(format) + " light " +
                 std::to_string(c.light.red) + "/" + std::to_string(c.light.blue));
    const std::vector<uint8_t> corrected = Stream(c.family, format, c.width, c.height, 1, c.light);
    const uint32_t w = c.width / 8, h = c.height / 8;
    const Window centre = MeasureWindow(format, corrected, c.width, c.height, c.width / 2 - w / 2,
                                        c.height / 2 - h / 2, w, h);
    std::printf("[ grey card ] %s %ux%u format %u: luma %.1f, U %.1f, V %.1f\n", sensorsim::SensorName(c.family),
                c.width, c.height, format, centre.luma, centre.u, centre.v);
    EXPECT_GT(centre.luma, 80) << "too dark";
    EXPECT_LT(centre.luma, 200) << "too bright";
    // Neutral: the sensor's own colour and the light's cast are balanced out
    // to within a few levels of chroma (the per-sensor colour matrices do
    // not all keep grey exactly grey).
    EXPECT_NEAR(128, centre.u, 8);
    EXPECT_NEAR(128, centre.v, 8);

    const Window corner = MeasureWindow(format, corrected, c.width, c.height, w / 2, h / 2, w, h);
    const std::vector<uint8_t> uncorrected = Stream(c.family, format, c.width, c.height, 0, c.light);
    const Window centreOff = MeasureWindow(format, uncorrected, c.width, c.height, c.width / 2 - w / 2,
                                           c.height / 2 - h / 2, w, h);
    const Window cornerOff = MeasureWindow(format, uncorrected, c.width, c.height, w / 2, h / 2, w, h);
    const double ratioOn = corner.luma / centre.luma;
    const double ratioOff = cornerOff.luma / centreOff.luma;
    EXPECT_GT(std::fabs(1 - ratioOff), std::fabs(1 - ratioOn) + 0.02)
        << "corners " << ratioOn << " of the centre with correction, " << ratioOff << " without";
  }
}

// Every size the camera offers, in every output format: each road through
// the pipeline (halving, reduction, enlargement) keeps the grey card well
// exposed and neutral. One sensor per size: the OV9650 up to 1280 x 1024,
// the S5K4AA for its 1600 x 1200.
class EverySizeTest : public PipelineClosedLoopTest,
                      public ::testing::WithParamInterface<std::pair<uint32_t, uint32_t>> {};

TEST_P(EverySizeTest, GreyCardComesOutWellExposedAndNeutralInEveryFormat) {
  const uint32_t width = GetParam().first, height = GetParam().second;
#if defined(__SANITIZE_ADDRESS__)
  // A sanitized Debug build takes minutes per size above 320 x 240 (the
  // capture is up to 1600 x 1200); the sanitizer sweep of the full pipeline
  // (FullPipelineTest.EveryCombinationStaysInsideTheBuffers) covers every
  // sensor, size and format for memory faults.
  if (width > 320) GTEST_SKIP() << "image quality at this size is checked in the plain build";
#endif
  const sensorsim::Family family = width == 1600 ? sensorsim::Family::kS5k4aa : sensorsim::Family::kOv9650;
  for (uint32_t format = 1; format <= 3; ++format) {
    SCOPED_TRACE("format " + std::to_string(format));
    // Forty frames: the loop has settled by then (the stream above shows it).
    const std::vector<uint8_t> out = Stream(family, format, width, height, 1, sensorsim::Illuminant(), 40);
    const uint32_t w = width / 8, h = height / 8;
    const Window centre = MeasureWindow(format, out, width, height, width / 2 - w / 2, height / 2 - h / 2, w, h);
    EXPECT_GT(centre.luma, 80) << "too dark";
    EXPECT_LT(centre.luma, 200) << "too bright";
    EXPECT_NEAR(128, centre.u, 8);
    EXPECT_NEAR(128, centre.v, 8);
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, EverySizeTest,
                         ::testing::Values(std::make_pair(160u, 120u), std::make_pair(320u, 240u),
                                           std::make_pair(640u, 480u), std::make_pair(800u, 600u),
                                           std::make_pair(1280u, 960u), std::make_pair(1280u, 1024u),
                                           std::make_pair(1600u, 1200u)),
                         [](const ::testing::TestParamInfo<std::pair<uint32_t, uint32_t>> &info) {
                           return std::to_string(info.param.first) + "x" + std::to_string(info.param.second);
                         });

}  // namespace
}  // namespace sorvextest
