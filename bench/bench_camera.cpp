#include "bench_camera.h"

#include <cstdio>
#include <cstdlib>

namespace bench {
namespace {

constexpr SorvexDevice kDevice = 0xBE7C;
constexpr const char *kDriverKey =
    "\\REGISTRY\\MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\"
    "{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\\0000";
constexpr uint32_t kNeutral = 50;

uint32_t ReadRegister(SorvexDevice, uint32_t) { return 0; }
uint32_t WriteRegisters(SorvexDevice, const uint8_t *, uint32_t) { return 0; }
uint32_t SelectSensorMode(SorvexDevice, const char *) { return 0; }

}  // namespace

BenchCamera::BenchCamera(const std::string &sensor, uint32_t ipMode) {
  hostkernel::ResetRegistry();
  hostkernel::SetRegistryDword(std::string(kDriverKey) + "\\" + sensor + "\\PageSetting", "Default_IPMode", ipMode);
  device_ = hostkernel::CreateDeviceObject(kDriverKey);
  const std::u16string name = hostkernel::ToUtf16(sensor);
  ISPFunc_Init(&context_, 0, device_, reinterpret_cast<const SorvexChar16 *>(name.c_str()), 1, ReadRegister,
               WriteRegisters, SelectSensorMode, ReadRegister, WriteRegisters);
  if (context_ == nullptr) {
    std::fprintf(stderr, "bench: ISPFunc_Init gave no context for %s\n", sensor.c_str());
    std::exit(1);
  }
}

BenchCamera::~BenchCamera() {
  ISPFunc_Exit(context_, 0, device_);
  hostkernel::DeleteDeviceObject(device_);
}

void BenchCamera::Start(uint32_t format, uint32_t width, uint32_t height, uint32_t *captureWidth,
                        uint32_t *captureHeight) {
  ISPFunc_StartCapture(context_, kDevice, format, width, height, captureWidth, captureHeight);
}

void BenchCamera::Frame(uint32_t format, uint8_t *destination, uint8_t *raw, uint32_t width, uint32_t height) {
  ISPFunc_RawToImg(context_, kDevice, format, kNeutral, kNeutral, kNeutral, kNeutral, kNeutral, kNeutral, kNeutral,
                   kNeutral, kNeutral, destination, raw, width, height);
}

}  // namespace bench
