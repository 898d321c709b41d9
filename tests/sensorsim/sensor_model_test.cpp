// The sensor model decodes what the driver writes and renders frames that
// follow exposure, gain, light and cast.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "sensorsim/sensor_model.h"

namespace sensorsim {
namespace {

constexpr SorvexDevice kDevice = 0x5E50;

void WriteA(SorvexDevice device, std::vector<uint8_t> pairs) {
  SensorModel::WriteRegistersA(device, pairs.data(), static_cast<uint32_t>(pairs.size() / 2));
}
void WriteB(SorvexDevice device, std::vector<uint8_t> pairs) {
  SensorModel::WriteRegistersB(device, pairs.data(), static_cast<uint32_t>(pairs.size() / 2));
}

TEST(SensorModelTest, Es2216DecodesLinesGainAndLightMode) {
  SensorModel model(Family::kEs2216, kDevice);
  // 1895 lines, gain 6, as the driver's six pairs carry them.
  WriteA(kDevice, {0x00, 0x67, 0x01, 0x07, 0x0A, 6, 0x02, 0x01, 0x04, 0x01, 0x05, 0x01});
  EXPECT_EQ(1895u, model.ExposureLines());
  EXPECT_DOUBLE_EQ(1895.0, model.ExposureTime());
  EXPECT_DOUBLE_EQ(2.0, model.Gain());
  SensorModel::SelectSensorMode(kDevice, "LOW_LIGHT");
  EXPECT_DOUBLE_EQ(4 * 1895.0, model.ExposureTime());
  SensorModel::SelectSensorMode(kDevice, "NORMAL_LIGHT");
  EXPECT_DOUBLE_EQ(1895.0, model.ExposureTime());
  EXPECT_EQ((std::vector<std::string>{"LOW_LIGHT", "NORMAL_LIGHT"}), model.ModeNames());
}

TEST(SensorModelTest, Mo4000DecodesSplitExposureAndHalfClock) {
  SensorModel model(Family::kMo4000, kDevice);
  // 2031 lines = 0x7EF: 0x0F gets X >> 2, 0x10 the low two bits and bits 10-13.
  WriteA(kDevice, {0x0F, 0xFB, 0x10, (3 << 4) | 1, 0x00, 21, 0x11, 0x41});
  EXPECT_EQ(2031u, model.ExposureLines());
  EXPECT_DOUBLE_EQ(2 * 2031.0, model.ExposureTime());
  EXPECT_NEAR(2.0, model.Gain(), 1e-12);
}

TEST(SensorModelTest, Ov96xxFollowsTheControllerClock) {
  SensorModel model(Family::kOv9650, kDevice);
  WriteA(kDevice, {0x04, 492 & 3, 0x10, (492 >> 2) & 0xFF, 0xA1, 0, 0x00, 8});
  EXPECT_EQ(492u, model.ExposureLines());
  EXPECT_EQ(24u, model.ClockClass());  // power-on clock
  EXPECT_DOUBLE_EQ(492.0, model.ExposureTime());
  WriteB(kDevice, {0x10, 0x02, 0xC1, 0x06});
  EXPECT_EQ(4u, model.ClockClass());
  EXPECT_DOUBLE_EQ(492.0 * 6, model.ExposureTime());
  EXPECT_DOUBLE_EQ(1.5, model.Gain());
  EXPECT_EQ(0u, Ov96xxClockClass(0x12, 0x34));
}

TEST(SensorModelTest, Ov96xxGainHasFineAndDoublingBits) {
  EXPECT_DOUBLE_EQ(1.0, Ov96xxGain(0));
  EXPECT_DOUBLE_EQ(1.9375, Ov96xxGain(15));
  EXPECT_DOUBLE_EQ(2.0, Ov96xxGain(16));
  EXPECT_DOUBLE_EQ(4.0, Ov96xxGain(48));
  EXPECT_DOUBLE_EQ(8.0, Ov96xxGain(112));
  EXPECT_DOUBLE_EQ(15.5, Ov96xxGain(127));
}

TEST(SensorModelTest, S5k4aaCountsLinesOfTheLineLength) {
  SensorModel model(Family::kS5k4aa, kDevice);
  WriteA(kDevice, {0x0F, 0, 0x10, 171, 0x11, 0x03, 0x12, 0xF1, 0x1D, 0x02, 0x1E, 0xF5, 0x20, 64, 0x02, 14});
  EXPECT_EQ(171u, model.ExposureLines());
  EXPECT_DOUBLE_EQ(171.0, model.ExposureTime());
  EXPECT_DOUBLE_EQ(2.0, model.Gain());
  WriteA(kDevice, {0x1D, 0x05, 0x1E, 0xEA});  // 1514 clocks a line
  EXPECT_DOUBLE_EQ(342.0, model.ExposureTime());
}

TEST(SensorModelTest, CallbacksOfAnotherDeviceLeaveTheModelAlone) {
  SensorModel model(Family::kEs2216, kDevice);
  WriteA(kDevice + 1, {0x00, 50});
  EXPECT_EQ(0u, model.WriteCount());
  EXPECT_EQ(0u, model.ExposureLines());
}

// Green sites of the Bayer layout: even columns of even lines, odd columns
// of odd lines.
bool IsGreen(size_t x, size_t y) { return (x + y) % 2 == 0; }

TEST(SensorModelTest, FramesScaleWithSignalAndClipAt255) {
  SensorModel model(Family::kEs2216, kDevice);
  WriteA(kDevice, {0x00, 100, 0x01, 0, 0x0A, 0});
  const Scene card = GreyCardScene(1.0, 0.5);
  const auto expectGreen = [](const std::vector<uint8_t> &frame, int value) {
    for (size_t i = 0; i < frame.size(); ++i) {
      if (IsGreen(i % 16, i / 16)) {
        EXPECT_EQ(value, frame[i]) << "pixel " << i;
      }
    }
  };
  expectGreen(model.RenderFrame(card, 16, 8), 50);
  WriteA(kDevice, {0x0A, 6});  // twice the gain
  expectGreen(model.RenderFrame(card, 16, 8), 100);
  WriteA(kDevice, {0x0A, 24});  // 16 times: clipped, red and blue too
  for (uint8_t value : model.RenderFrame(card, 16, 8)) EXPECT_EQ(255, value);
}

TEST(SensorModelTest, SensorResponseAndIlluminantFollowTheBayerLayout) {
  for (Family family : {Family::kEs2216, Family::kMo4000}) {
    SensorModel model(family, kDevice);
    // Exposure 100 at unit gain for either family's registers.
    if (family == Family::kEs2216) {
      WriteA(kDevice, {0x00, 100, 0x01, 0, 0x0A, 0});
    } else {
      WriteA(kDevice, {0x0F, 25, 0x10, 0, 0x00, 0});
    }
    ASSERT_DOUBLE_EQ(100.0, model.Signal());
    const Illuminant native = NativeResponse(family);
    const std::vector<uint8_t> frame = model.RenderFrame(GreyCardScene(1.0, 1.0, {1.5, 1.0, 0.5}), 4, 4);
    // Even lines green-blue, odd lines red-green; red and blue carry the
    // sensor's response times the light's cast.
    EXPECT_EQ(100, frame[0]);
    EXPECT_NEAR(100 * 0.5 * native.blue, frame[1], 0.5);
    EXPECT_NEAR(100 * 1.5 * native.red, frame[4], 0.5);
    EXPECT_EQ(100, frame[5]);
  }
}

TEST(SensorModelTest, ShotNoiseIsSeededAndCentred) {
  SensorModel first(Family::kEs2216, kDevice);
  SensorModel second(Family::kEs2216, kDevice + 1);
  for (SorvexDevice device : {kDevice, kDevice + 1}) WriteA(device, {0x00, 100, 0x01, 0, 0x0A, 0});
  Scene scene = GreyCardScene(1.0, 1.0);
  scene.noiseSeed = 7;
  const std::vector<uint8_t> a = first.RenderFrame(scene, 64, 64);
  const std::vector<uint8_t> b = second.RenderFrame(scene, 64, 64);
  EXPECT_EQ(a, b);
  double sum = 0.0;
  double squares = 0.0;
  size_t count = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    if (!IsGreen(i % 64, i / 64)) continue;
    sum += a[i];
    squares += (a[i] - 100.0) * (a[i] - 100.0);
    ++count;
  }
  EXPECT_NEAR(100.0, sum / count, 0.5);
  EXPECT_NEAR(0.5 * std::sqrt(100.0), std::sqrt(squares / count), 1.0);
  // The next frame of the same model differs.
  EXPECT_NE(a, first.RenderFrame(scene, 64, 64));
}

TEST(SensorModelTest, DefaultSceneHasTheStatedMeanReflectance) {
  SensorModel model(Family::kEs2216, kDevice);
  WriteA(kDevice, {0x00, 200, 0x01, 0, 0x0A, 0});
  const std::vector<uint8_t> frame = model.RenderFrame(Scene{}, 640, 480);
  double sum = 0.0;
  for (size_t i = 0; i < frame.size(); ++i) {
    if (IsGreen(i % 640, i / 640)) sum += frame[i];
  }
  EXPECT_NEAR(200.0 * kDefaultSceneReflectance, sum / (frame.size() / 2), 1.0);
}

}  // namespace
}  // namespace sensorsim
