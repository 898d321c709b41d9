// Bringing a camera's context up and down.

#include <array>

#include "fake_minidriver.h"
#include "core/isp_context.h"

using namespace sorvex0;

namespace sorvextest {
namespace {

using LifecycleTest = MinidriverTest;

struct SensorCase {
  const char *name;
  uint32_t id;
};

constexpr std::array<SensorCase, 10> kSensors = {{{"ES2216", 10}, {"S5K4AA", 20}, {"OV9650", 21},
                                                 {"OV9655", 26}, {"MI1320", 22}, {"S5K3BA", 23},
                                                 {"OV7670", 24}, {"MI2020", 25}, {"MO4000", 27},
                                                 {"MI0360", 28}}};

TEST_F(LifecycleTest, EverySensorComesUpAndLeavesNothingBehind) {
  for (const SensorCase &sensor : kSensors) {
    SCOPED_TRACE(sensor.name);
    EXPECT_EQ(0, Init(sensor.name));
    ASSERT_NE(nullptr, context_);
    EXPECT_EQ(sensor.id, context_->sensorId);
    // Every block the library holds carries its tag.
    for (const hostkernel::PoolBlock &block : hostkernel::LivePoolBlocks()) {
      EXPECT_EQ(kPoolTag, block.tag);
    }
    Exit();
    EXPECT_TRUE(hostkernel::LivePoolBlocks().empty());
  }
}

TEST_F(LifecycleTest, SensorNamesMatchExactly) {
  for (const char *name : {"ov9650", "OV9650 ", "OV965", "", "S5K4AB"}) {
    SCOPED_TRACE(name);
    Init(name);
    ASSERT_NE(nullptr, context_);
    EXPECT_EQ(0u, context_->sensorId);
    Exit();
  }
  // A null name is no sensor, not a crash.
  ASSERT_EQ(0, ISPFunc_Init(&context_, 0, device_, nullptr, 1, ReadRegisterA, WriteRegistersA,
                            SelectSensorMode, ReadRegisterB, WriteRegistersB));
  EXPECT_EQ(0u, context_->sensorId);
}

TEST_F(LifecycleTest, InitSetsTheStartingValuesAndCallbacks) {
  ASSERT_EQ(0, Init("OV9650", 0x1FF));
  EXPECT_EQ(0xFFu, context_->highSpeed);  // only the low byte
  EXPECT_EQ(device_, context_->physicalDevice);
  EXPECT_EQ(&ReadRegisterA, context_->readRegisterA);
  EXPECT_EQ(&WriteRegistersA, context_->writeRegistersA);
  EXPECT_EQ(&ReadRegisterB, context_->readRegisterB);
  EXPECT_EQ(&WriteRegistersB, context_->writeRegistersB);
  EXPECT_EQ(&SelectSensorMode, context_->selectSensorMode);
  EXPECT_EQ(100u, context_->awbRefR);
  EXPECT_EQ(100u, context_->awbRefG);
  EXPECT_EQ(100u, context_->awbRefB);
  EXPECT_EQ(20u, context_->awbGainLimit);
  EXPECT_EQ(-1, context_->holdCaptureAt);
  // The first frame with lens shading on must build a map.
  EXPECT_EQ(0xFF, context_->ricLastLevel);
  EXPECT_EQ(-1, context_->ricMapAWidth);
  EXPECT_EQ(-1, context_->ricMapAHeight);
  EXPECT_EQ(-1, context_->ricLastWidth);
  EXPECT_EQ(-1, context_->ricLastHeight);
  EXPECT_EQ(nullptr, context_->workBuffer);
  EXPECT_EQ(nullptr, context_->faceWorkArea);
  EXPECT_EQ(context_->aeTarget, context_->measuredBrightness);
  EXPECT_EQ(u"\\REGISTRY\\MACHINE\\SYSTEM\\CurrentControlSet\\Services\\DCamSorvex",
            std::u16string(context_->serviceKeyPath));
  ASSERT_NE(nullptr, context_->conversionOps);
  // Besides the context, only the conversion library holds memory after Init.
  EXPECT_EQ(2u, hostkernel::LivePoolBlocks().size());
}

TEST_F(LifecycleTest, ConversionLibraryStartsWithStudioRangeYuvAndIdentityColours) {
  ASSERT_EQ(0, Init("S5K3BA"));
  ConversionOps *ops = context_->conversionOps;
  ASSERT_NE(nullptr, ops);
  // A flat raw frame of full white and one of black, converted at the same size.
  for (const auto &[level, luma] : {std::pair<uint8_t, uint8_t>{255, 235}, {0, 16}}) {
    std::vector<uint8_t> raw(16 * 16, level);
    std::vector<uint8_t> yuyv(16 * 16 * 2);
    ops->convertRawToYuyv(ops->userData, raw.data(), 16, 16, yuyv.data(), 16, 16);
    const size_t centre = (8 * 16 + 8) * 2;
    EXPECT_NEAR(luma, yuyv[centre], 1);
    EXPECT_NEAR(128, yuyv[centre + 1], 1);
    EXPECT_NEAR(128, yuyv[centre + 3], 1);
  }
}

TEST_F(LifecycleTest, FailedContextAllocationReturnsNullAndFailure) {
  hostkernel::FailNthAllocation(1);
  const uint64_t before = hostkernel::AllocationCount();
  context_ = reinterpret_cast<IspContext *>(0x1);  // must be overwritten
  EXPECT_EQ(static_cast<SorvexStatus>(0xC000009A), Init("MI1320"));
  EXPECT_EQ(nullptr, context_);
  // Nothing after the failed allocation was attempted.
  EXPECT_EQ(before + 1, hostkernel::AllocationCount());
  EXPECT_TRUE(hostkernel::LivePoolBlocks().empty());
}

TEST_F(LifecycleTest, ExitWithNullContextDoesNothing) {
  EXPECT_EQ(0u, ISPFunc_Exit(nullptr, 0, device_));
  EXPECT_EQ(0, DriverEntry(nullptr, nullptr));
  EXPECT_EQ(0, DllUnload());
}

TEST_F(LifecycleTest, MissingConversionLibraryIsReportedButTheContextStillTearsDown) {
  hostkernel::FailNthAllocation(2);  // the conversion library's table
  EXPECT_EQ(static_cast<SorvexStatus>(0xC000009A), Init("OV7670"));
  ASSERT_NE(nullptr, context_);
  EXPECT_EQ(nullptr, context_->conversionOps);
  Exit();
}

TEST_F(LifecycleTest, UnopenableDriverKeyStillGivesAUsableContext) {
  hostkernel::FailKeyOpen(kDriverKey, static_cast<NTSTATUS>(0xC0000022));
  EXPECT_EQ(static_cast<SorvexStatus>(0xC0000022), Init("OV9655"));
  ASSERT_NE(nullptr, context_);
  EXPECT_EQ(26u, context_->sensorId);
  EXPECT_EQ(2u, context_->ipMode);  // built-in fallback
  Exit();
  hostkernel::ClearKeyFailures();
  // Nothing was written at Exit either.
  EXPECT_FALSE(hostkernel::KeyExists(PageSettingKey("OV9655")));
}

}  // namespace
}  // namespace sorvextest
