// Settings loaded from and saved to the device's registry key.

#include <cstring>

#include "fake_minidriver.h"
#include "core/isp_context.h"

using namespace sorvex0;

namespace sorvextest {
namespace {

using RegistrySettingsTest = MinidriverTest;

struct Fallbacks {
  const char *sensor;
  uint32_t awbType, awbPreset0, ssbs, ric, aeTarget;
};

constexpr Fallbacks kFallbacks[] = {
    {"ES2216", 0, 0, 1, 1, 72}, {"S5K4AA", 0, 0, 1, 1, 60},
    {"OV9650", 0, 0, 1, 1, 72}, {"OV9655", 0, 0, 1, 1, 72},
    {"MI1320", 1, 0x786464, 0, 0, 72}, {"S5K3BA", 0, 0, 1, 1, 72},
    {"OV7670", 0, 0, 0, 1, 72}, {"MI2020", 0, 0, 0, 1, 72},
    {"MO4000", 0, 0, 0, 1, 60}, {"MI0360", 0, 0, 0, 1, 72},
};

uint32_t StoredDword(const std::string &key, const std::string &name) {
  uint32_t type = 0;
  std::vector<uint8_t> data;
  if (!hostkernel::GetRegistryValue(key, name, &type, &data)) {
    ADD_FAILURE() << name << " missing";
    return 0;
  }
  EXPECT_EQ(4u, type) << name;
  EXPECT_EQ(4u, data.size()) << name;
  uint32_t value = 0;
  std::memcpy(&value, data.data(), std::min<size_t>(4, data.size()));
  return value;
}

TEST_F(RegistrySettingsTest, EmptyRegistryGivesTheBuiltInFallbacks) {
  for (const Fallbacks &expected : kFallbacks) {
    SCOPED_TRACE(expected.sensor);
    hostkernel::ResetRegistry();
    ASSERT_EQ(0, Init(expected.sensor));
    EXPECT_EQ(expected.awbType, context_->awbType);
    EXPECT_EQ(expected.awbPreset0, context_->awbPreset[0]);
    for (int i = 1; i < 9; ++i) EXPECT_EQ(0x646464u, context_->awbPreset[i]);
    EXPECT_EQ(expected.ssbs, context_->ssbs);
    EXPECT_EQ(expected.ric, context_->ric);
    EXPECT_EQ(expected.aeTarget, context_->aeTarget);
    EXPECT_EQ(expected.aeTarget, context_->measuredBrightness);
    EXPECT_EQ(0u, context_->invertImage);
    EXPECT_EQ(0u, context_->flickerMode);
    EXPECT_EQ(0u, context_->outDoor);
    EXPECT_EQ(0u, context_->lowLight);
    EXPECT_EQ(0u, context_->flipVertical);
    EXPECT_EQ(0u, context_->flipHorizontal);
    EXPECT_EQ(0u, context_->aeType);
    EXPECT_EQ(20u, context_->clock);
    EXPECT_EQ(1u, context_->fbf);
    EXPECT_EQ(1u, context_->bpc);
    EXPECT_EQ(1u, context_->deNoise);
    EXPECT_EQ(2u, context_->ipMode);
    EXPECT_EQ(0u, context_->zoom);
    EXPECT_EQ(0u, context_->faceTracking);
    EXPECT_EQ(0u, context_->faceDescription);
    EXPECT_EQ(0u, context_->sisHostController);
    Exit();
  }
}

TEST_F(RegistrySettingsTest, DefaultsComeFromTheSensorKeyWithTheFlipPairCrosswise) {
  const std::string page = PageSettingKey("OV9650");
  hostkernel::SetRegistryDword(kDriverKey, "InvertImage", 1);
  hostkernel::SetRegistryDword(page, "Default_FlipVer", 1);
  hostkernel::SetRegistryDword(page, "Default_Flicker", 1);
  hostkernel::SetRegistryDword(page, "Default_AWB5", 0x506070);
  hostkernel::SetRegistryDword(page, "Default_AETarget", 90);
  hostkernel::SetRegistryDword(page, "Default_IPMode", 0);
  hostkernel::SetRegistryDword(page, "Default_FaceDescription", 1);
  ASSERT_EQ(0, Init("OV9650"));
  EXPECT_EQ(1u, context_->invertImage);
  EXPECT_EQ(1u, context_->flipHorizontal);
  EXPECT_EQ(0u, context_->flipVertical);
  EXPECT_EQ(1u, context_->flickerMode);
  EXPECT_EQ(0x506070u, context_->awbPreset[4]);
  EXPECT_EQ(90u, context_->aeTarget);
  EXPECT_EQ(90u, context_->measuredBrightness);
  EXPECT_EQ(0u, context_->ipMode);
  EXPECT_EQ(1u, context_->faceDescription);
  Exit();
  // The current values are written straight: the horizontal flip is "Camera_FlipHoz".
  EXPECT_EQ(1u, StoredDword(page, "Camera_FlipHoz"));
  EXPECT_EQ(0u, StoredDword(page, "Camera_FlipVer"));
  // Defaults are never written back, and some settings are never persisted.
  EXPECT_EQ(1u, StoredDword(page, "Default_FlipVer"));
  for (const char *name : {"Camera_AEType", "Camera_AETarget", "Camera_FBF", "Camera_IPMode",
                           "Camera_FaceDescription", "InvertImage"}) {
    uint32_t type;
    std::vector<uint8_t> data;
    EXPECT_FALSE(hostkernel::GetRegistryValue(page, name, &type, &data)) << name;
  }
}

TEST_F(RegistrySettingsTest, CurrentValuesOverrideDefaultsAndPersistThroughTheFile) {
  const std::string page = PageSettingKey("MI0360");
  hostkernel::SetRegistryDword(page, "Default_Zoom", 3);
  hostkernel::SetRegistryDword(page, "Camera_Zoom", 7);
  hostkernel::SetRegistryDword(page, "Camera_AWB9", 0x111213);
  ASSERT_EQ(0, Init("MI0360"));
  EXPECT_EQ(7u, context_->zoom);
  EXPECT_EQ(0x111213u, context_->awbPreset[8]);
  context_->deNoise = 0;
  context_->flickerMode = 1;
  context_->flipVertical = 1;
  Exit();

  // A new process: the registry comes back from its file.
  const std::string file = hostkernel::SaveRegistryText();
  hostkernel::ResetRegistry();
  std::string error;
  ASSERT_TRUE(hostkernel::LoadRegistryText(file, &error)) << error;
  ASSERT_EQ(0, Init("MI0360"));
  EXPECT_EQ(0u, context_->deNoise);
  EXPECT_EQ(1u, context_->flickerMode);
  EXPECT_EQ(1u, context_->flipVertical);
  EXPECT_EQ(0u, context_->flipHorizontal);
  EXPECT_EQ(7u, context_->zoom);
}

TEST_F(RegistrySettingsTest, ExitWritesEveryCurrentValueInOrder) {
  ASSERT_EQ(0, Init("S5K3BA"));
  Exit();
  const std::vector<std::string> expected = {
      "Camera_Flicker", "Camera_OutDoor", "Camera_LowLight", "Camera_FlipVer", "Camera_FlipHoz",
      "Camera_AWBType", "Camera_AWB1",    "Camera_AWB2",     "Camera_AWB3",    "Camera_AWB4",
      "Camera_AWB5",    "Camera_AWB6",    "Camera_AWB7",     "Camera_AWB8",    "Camera_AWB9",
      "Camera_Clock",   "Camera_SSBS",    "Camera_RIC",      "Camera_BPC",     "Camera_DeNoise",
      "Camera_Zoom",    "Camera_FaceTrack", "GammaCurveSize", "GammaCurve",    "GammaPoint"};
  EXPECT_EQ(expected, hostkernel::ValueNames(PageSettingKey("S5K3BA")));
}

TEST_F(RegistrySettingsTest, UnknownSensorKeepsItsValuesUnderSettings) {
  hostkernel::SetRegistryDword(PageSettingKey("Settings"), "Default_Clock", 33);
  ASSERT_EQ(0, Init("XY1234"));
  EXPECT_EQ(33u, context_->clock);
  Exit();
  EXPECT_EQ(33u, StoredDword(PageSettingKey("Settings"), "Camera_Clock"));
}

TEST_F(RegistrySettingsTest, GammaCurveLoadsAndSaves) {
  const std::string page = PageSettingKey("OV9655");
  std::vector<uint8_t> points(3 * 4);
  for (int i = 0; i < 3; ++i) points[i * 4] = static_cast<uint8_t>(10 * (i + 1));
  std::vector<uint8_t> curve(512);
  for (int i = 0; i < 512; ++i) curve[i] = static_cast<uint8_t>(i * 7);
  hostkernel::SetRegistryDword(page, "GammaCurveSize", 3);
  hostkernel::SetRegistryValue(page, "GammaCurve", 3, points);
  hostkernel::SetRegistryValue(page, "GammaPoint", 3, curve);
  ASSERT_EQ(0, Init("OV9655"));
  EXPECT_EQ(3, context_->gammaPointCount);
  EXPECT_EQ(10, context_->gammaPoints[0]);
  EXPECT_EQ(30, context_->gammaPoints[2]);
  EXPECT_EQ(0, std::memcmp(context_->gammaCurve, curve.data(), 512));

  context_->gammaPointCount = 0;
  Exit();
  uint32_t type = 0;
  std::vector<uint8_t> data;
  ASSERT_TRUE(hostkernel::GetRegistryValue(page, "GammaCurve", &type, &data));
  EXPECT_EQ(3u, type);
  EXPECT_TRUE(data.empty());  // a count of 0 writes an empty binary value
  ASSERT_TRUE(hostkernel::GetRegistryValue(page, "GammaPoint", &type, &data));
  EXPECT_EQ(curve, data);
}

TEST_F(RegistrySettingsTest, GammaCountOfZeroStillLoadsTheCurve) {
  const std::string page = PageSettingKey("OV9655");
  hostkernel::SetRegistryDword(page, "GammaCurveSize", 0);
  hostkernel::SetRegistryValue(page, "GammaPoint", 3, std::vector<uint8_t>(512, 0x5A));
  ASSERT_EQ(0, Init("OV9655"));
  EXPECT_EQ(0, context_->gammaPointCount);
  EXPECT_EQ(0x5A5A, context_->gammaCurve[255]);
}

TEST_F(RegistrySettingsTest, OversizedGammaCountIsClampedToTheRoomOfThePoints) {
  const std::string page = PageSettingKey("OV9650");
  std::vector<uint8_t> points(32 * 4, 0x01);
  hostkernel::SetRegistryDword(page, "GammaCurveSize", 1000);
  hostkernel::SetRegistryValue(page, "GammaCurve", 3, points);
  ASSERT_EQ(0, Init("OV9650"));
  EXPECT_EQ(32, context_->gammaPointCount);
  EXPECT_EQ(0x01010101, context_->gammaPoints[31]);
  // A negative count loads no points.
  Exit();
  hostkernel::SetRegistryDword(page, "GammaCurveSize", 0xFFFFFFF0u);
  ASSERT_EQ(0, Init("OV9650"));
  EXPECT_EQ(0, context_->gammaPointCount);
}

TEST_F(RegistrySettingsTest, ValuesOfTheWrongSizeCannotOverrunTheirFields) {
  const std::string page = PageSettingKey("ES2216");
  // Longer than a dword: ignored, so the fallback or the default stays.
  hostkernel::SetRegistryValue(page, "Default_Clock", 3, std::vector<uint8_t>(8, 0x77));
  hostkernel::SetRegistryValue(page, "Camera_Zoom", 3, std::vector<uint8_t>(5, 0x01));
  // Shorter: a current value replaces only its own low-order bytes.
  hostkernel::SetRegistryDword(page, "Default_AWB2", 0x00AABBCC);
  hostkernel::SetRegistryValue(page, "Camera_AWB2", 3, {0x11});
  hostkernel::SetRegistryValue(page, "Default_BPC", 3, {0x00});
  ASSERT_EQ(0, Init("ES2216"));
  EXPECT_EQ(20u, context_->clock);
  EXPECT_EQ(0u, context_->zoom);
  EXPECT_EQ(0x00AABB11u, context_->awbPreset[1]);
  EXPECT_EQ(0u, context_->bpc);  // a short default is zero-extended
}

TEST_F(RegistrySettingsTest, UncreatableSettingsKeyFallsBackAndReportsTheFailure) {
  hostkernel::SetRegistryDword(kDriverKey, "InvertImage", 1);
  hostkernel::FailKeyOpen(std::string(kDriverKey) + "\\MI2020\\PageSetting",
                          static_cast<NTSTATUS>(0xC0000022));
  EXPECT_EQ(static_cast<SorvexStatus>(0xC0000022), Init("MI2020"));
  ASSERT_NE(nullptr, context_);
  EXPECT_EQ(0u, context_->invertImage);  // every setting takes its fallback
  EXPECT_EQ(1u, context_->bpc);
  Exit();
  EXPECT_FALSE(hostkernel::KeyExists(PageSettingKey("MI2020")));
}

}  // namespace
}  // namespace sorvextest
