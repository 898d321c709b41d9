// The property requests the front end builds, answered by the real library
// through a simulated minidriver.
#include "custom_property.h"

#include <gtest/gtest.h>

#include "hostkernel/host_control.h"
#include "picture_source.h"
#include "property_actions.h"
#include "simulated_minidriver.h"

namespace sorvexcam {
namespace {

class CustomPropertyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hostkernel::ResetRegistry();
    hostkernel::InstallDefaultBiosArea();
    SorvexStatus status = 0;
    std::string error;
    ASSERT_TRUE(driver_.Init("OV9650", true, &status, &error)) << error;
    capture_ = driver_.StartStream(SORVEX_FORMAT_RGB24, 640, 480);
  }
  void TearDown() override {
    driver_.Exit();
    EXPECT_TRUE(hostkernel::LivePoolBlocks().empty());
  }

  std::string Run(const std::string &text, bool set) {
    PropertyAction action;
    std::string error;
    EXPECT_TRUE(ParsePropertyAction(text, set, &action, &error)) << error;
    bool armed = false;
    return RunPropertyAction(driver_.Context(), SimulatedMinidriver::kDevice, action, &armed);
  }

  PictureSource source_{ScenePicture::BuiltIn()};
  SimulatedMinidriver driver_{&source_};
  CaptureSize capture_;
};

TEST_F(CustomPropertyTest, SettingItemsComeBackInTheRecordWithTheItemEchoed) {
  const PropertyAnswer width = GetSettingItem(driver_.Context(), SimulatedMinidriver::kDevice, 93);
  EXPECT_EQ(width.bytes, kPropertyRecordBytes);
  EXPECT_EQ(width.item, 93u);
  EXPECT_EQ(width.value, capture_.width);
  EXPECT_EQ(width.value, 1280u);  // high speed doubles a 640-wide request
  const CaptureSize size = driver_.CurrentCaptureSize();
  EXPECT_EQ(size.height, 960u);
}

TEST_F(CustomPropertyTest, DirectPropertiesKeepWhatIsSet) {
  EXPECT_EQ(SetProperty(driver_.Context(), SimulatedMinidriver::kDevice, kPropertyZoom, 7).bytes, 32u);
  EXPECT_EQ(GetProperty(driver_.Context(), SimulatedMinidriver::kDevice, kPropertyZoom).value, 7u);
  EXPECT_EQ(Run("0:zoom", false), "get zoom = 7 (0x7)");
  EXPECT_EQ(Run("0:flicker=50hz", true), "set flicker=50hz (32 bytes)");
  EXPECT_EQ(Run("0:flicker", false), "get flicker = 1 (0x1)");
  EXPECT_EQ(Run("0:sensor", false), "get sensor = 21 (0x15)");
}

TEST_F(CustomPropertyTest, BufferSizesFollowTheRequest) {
  const PropertyAnswer snapshot = GetSnapshotNumber(driver_.Context(), SimulatedMinidriver::kDevice);
  EXPECT_EQ(snapshot.bytes, kSnapshotResultBytes);
  EXPECT_EQ(snapshot.value, 0u);  // none taken
  const GammaAnswer gamma = GetGamma(driver_.Context(), SimulatedMinidriver::kDevice);
  EXPECT_EQ(gamma.bytes, kGammaRecordBytes);
  EXPECT_GT(gamma.pointCount, 0u);
  EXPECT_EQ(gamma.points.size(), std::min<size_t>(gamma.pointCount, kGammaPointCapacity));
  EXPECT_EQ(gamma.curve.size(), 512u);
  EXPECT_EQ(GetProperty(driver_.Context(), SimulatedMinidriver::kDevice, 77).bytes, 0u);
}

TEST_F(CustomPropertyTest, RegisterPokesReachTheSourceAndPeeksReadThemBack) {
  EXPECT_EQ(Run("0:reg=0x0D:0x40", true), "set reg=0x0D:0x40 (32 bytes)");
  EXPECT_EQ(source_.ReadRegister(RegisterSpace::kSensor, 0x0D), 0x40);
  EXPECT_EQ(Run("0:reg=0x0D", false), "get reg=0x0D = 64 (0x40)");
  EXPECT_EQ(Run("0:creg=0xD1:0x18", true), "set creg=0xD1:0x18 (32 bytes)");
  EXPECT_EQ(source_.ReadRegister(RegisterSpace::kController, 0xD1), 0x18);
  EXPECT_EQ(Run("0:creg=0xD1", false), "get creg=0xD1 = 24 (0x18)");
  EXPECT_EQ(driver_.ForeignDeviceCalls(), 0u);
}

}  // namespace
}  // namespace sorvexcam
