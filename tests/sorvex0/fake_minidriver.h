// The minidriver's side of the exports for tests: recording register and
// mode-script callbacks that check the device value they get back, a device
// object with its driver key, and a clean kernel for every test.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "hostkernel/host_control.h"
#include "sorvex0.h"

namespace sorvextest {

constexpr SorvexDevice kDevice = 0xCAFE0042;
constexpr const char *kDriverKey =
    "\\REGISTRY\\MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\"
    "{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\\0000";
constexpr uint32_t kPoolTag = 0x206D6457;

// What the library sent through the callbacks, in order.
struct CallbackLog {
  enum Space { kSpaceA, kSpaceB };
  struct Write {
    Space space;
    std::vector<std::pair<uint8_t, uint8_t>> pairs;
  };
  std::vector<Write> writes;
  std::vector<std::string> modeScripts;
  std::vector<std::pair<Space, uint8_t>> reads;
  uint32_t wrongDevice = 0;  // callbacks that got another device value
  uint8_t registerValues[2][256] = {};

  void Clear() { *this = CallbackLog(); }
};

CallbackLog &Log();

uint32_t SORVEX_CALL ReadRegisterA(SorvexDevice device, uint32_t reg);
uint32_t SORVEX_CALL ReadRegisterB(SorvexDevice device, uint32_t reg);
uint32_t SORVEX_CALL WriteRegistersA(SorvexDevice device, const uint8_t *pairs, uint32_t count);
uint32_t SORVEX_CALL WriteRegistersB(SorvexDevice device, const uint8_t *pairs, uint32_t count);
uint32_t SORVEX_CALL SelectSensorMode(SorvexDevice device, const char *name);

// A fresh kernel (empty registry, no injected failures), a device object and
// a cleared callback log; at the end every pool block must be gone.
class MinidriverTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // ISPFunc_Init with the recording callbacks.
  SorvexStatus Init(const std::string &sensor, uint32_t highSpeed = 1);
  void Exit();
  // Path of the settings key "PageSetting" below the sensor's key.
  static std::string PageSettingKey(const std::string &sensorKey);

  PDEVICE_OBJECT device_ = nullptr;
  IspContext *context_ = nullptr;
};

}  // namespace sorvextest
