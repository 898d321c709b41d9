#include "fake_minidriver.h"

namespace sorvextest {

CallbackLog &Log() {
  static CallbackLog log;
  return log;
}

namespace {

uint32_t Read(CallbackLog::Space space, SorvexDevice device, uint32_t reg) {
  if (device != kDevice) ++Log().wrongDevice;
  Log().reads.emplace_back(space, static_cast<uint8_t>(reg));
  return Log().registerValues[space][reg & 0xFF];
}

uint32_t Write(CallbackLog::Space space, SorvexDevice device, const uint8_t *pairs, uint32_t count) {
  if (device != kDevice) ++Log().wrongDevice;
  CallbackLog::Write write{space, {}};
  for (uint32_t i = 0; i < count; ++i) {
    write.pairs.emplace_back(pairs[2 * i], pairs[2 * i + 1]);
    Log().registerValues[space][pairs[2 * i]] = pairs[2 * i + 1];
  }
  Log().writes.push_back(write);
  return 0;
}

}  // namespace

uint32_t SORVEX_CALL ReadRegisterA(SorvexDevice device, uint32_t reg) { return Read(CallbackLog::kSpaceA, device, reg); }
uint32_t SORVEX_CALL ReadRegisterB(SorvexDevice device, uint32_t reg) { return Read(CallbackLog::kSpaceB, device, reg); }
uint32_t SORVEX_CALL WriteRegistersA(SorvexDevice device, const uint8_t *pairs, uint32_t count) {
  return Write(CallbackLog::kSpaceA, device, pairs, count);
}
uint32_t SORVEX_CALL WriteRegistersB(SorvexDevice device, const uint8_t *pairs, uint32_t count) {
  return Write(CallbackLog::kSpaceB, device, pairs, count);
}
uint32_t SORVEX_CALL SelectSensorMode(SorvexDevice device, const char *name) {
  if (device != kDevice) ++Log().wrongDevice;
  Log().modeScripts.emplace_back(name);
  return 0;
}

void MinidriverTest::SetUp() {
  hostkernel::ResetRegistry();
  hostkernel::ClearKeyFailures();
  hostkernel::ClearPhysicalMemory();
  hostkernel::ClearDebugOutput();
  hostkernel::FailNthAllocation(0);
  Log().Clear();
  device_ = hostkernel::CreateDeviceObject(kDriverKey);
}

void MinidriverTest::TearDown() {
  if (context_ != nullptr) Exit();
  hostkernel::DeleteDeviceObject(device_);
  EXPECT_TRUE(hostkernel::LivePoolBlocks().empty()) << "pool blocks left after the test";
  EXPECT_EQ(0u, hostkernel::OpenKeyHandleCount()) << "registry handles left open";
  EXPECT_EQ(0u, Log().wrongDevice) << "a callback got another device value";
  hostkernel::FailNthAllocation(0);
  hostkernel::ClearKeyFailures();
}

SorvexStatus MinidriverTest::Init(const std::string &sensor, uint32_t highSpeed) {
  const std::u16string name = hostkernel::ToUtf16(sensor);
  return ISPFunc_Init(&context_, 0, device_, reinterpret_cast<const SorvexChar16 *>(name.c_str()),
                      highSpeed, ReadRegisterA, WriteRegistersA, SelectSensorMode, ReadRegisterB,
                      WriteRegistersB);
}

void MinidriverTest::Exit() {
  ISPFunc_Exit(context_, 0, device_);
  context_ = nullptr;
}

std::string MinidriverTest::PageSettingKey(const std::string &sensorKey) {
  return std::string(kDriverKey) + "\\" + sensorKey + "\\PageSetting";
}

}  // namespace sorvextest
