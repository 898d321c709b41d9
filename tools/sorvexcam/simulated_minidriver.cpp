#include "simulated_minidriver.h"

#include "custom_property.h"

namespace sorvexcam {
namespace {

// The camera's driver key: instance 0000 of the image device class.
constexpr const char *kDriverKey =
    "\\REGISTRY\\MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\"
    "{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\\0000";
constexpr uint32_t kItemCaptureWidth = 93;
constexpr uint32_t kItemCaptureHeight = 94;

}  // namespace

SimulatedMinidriver *SimulatedMinidriver::active_ = nullptr;

SimulatedMinidriver::SimulatedMinidriver(FrameSource *source) : source_(source) { active_ = this; }

SimulatedMinidriver::~SimulatedMinidriver() {
  Exit();
  if (active_ == this) active_ = nullptr;
}

bool SimulatedMinidriver::Init(const std::string &sensor, bool highSpeed, SorvexStatus *status,
                               std::string *error) {
  deviceObject_ = hostkernel::CreateDeviceObject(kDriverKey);
  const std::u16string name = hostkernel::ToUtf16(sensor);
  *status = ISPFunc_Init(&context_, 0, deviceObject_, reinterpret_cast<const SorvexChar16 *>(name.c_str()),
                         highSpeed ? 1 : 0, ReadRegisterA, WriteRegistersA, SelectSensorMode, ReadRegisterB,
                         WriteRegistersB);
  if (context_ == nullptr) {
    *error = "the library gave no context for " + sensor;
    return false;
  }
  return true;
}

CaptureSize SimulatedMinidriver::StartStream(uint32_t format, uint32_t width, uint32_t height) {
  CaptureSize capture;
  ISPFunc_StartCapture(context_, kDevice, format, width, height, &capture.width, &capture.height);
  ISPFunc_StreamStateNotify(context_, 0, SORVEX_STREAM_STATE_RUN);
  streaming_ = true;
  return capture;
}

CaptureSize SimulatedMinidriver::CurrentCaptureSize() {
  return {GetSettingItem(context_, kDevice, kItemCaptureWidth).value,
          GetSettingItem(context_, kDevice, kItemCaptureHeight).value};
}

void SimulatedMinidriver::ProcessFrame(uint32_t format, const uint32_t (&p)[9], uint8_t *destination,
                                       uint8_t *rawFrame, uint32_t width, uint32_t height) {
  ISPFunc_RawToImg(context_, kDevice, format, p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7], p[8],
                   destination, rawFrame, width, height);
}

void SimulatedMinidriver::Exit() {
  if (context_ != nullptr) {
    if (streaming_) ISPFunc_StopCapture(context_, kDevice);
    ISPFunc_Exit(context_, 0, deviceObject_);
    context_ = nullptr;
    streaming_ = false;
  }
  if (deviceObject_ != nullptr) {
    hostkernel::DeleteDeviceObject(deviceObject_);
    deviceObject_ = nullptr;
  }
}

SimulatedMinidriver *SimulatedMinidriver::Active(SorvexDevice device) {
  if (active_ == nullptr) return nullptr;
  if (device != kDevice) {
    ++active_->foreignDeviceCalls_;
    return nullptr;
  }
  return active_;
}

uint32_t SimulatedMinidriver::Read(RegisterSpace space, uint32_t reg) {
  ++registerReads_;
  return source_->ReadRegister(space, static_cast<uint8_t>(reg));
}

void SimulatedMinidriver::Write(RegisterSpace space, const uint8_t *pairs, uint32_t count) {
  if (pairs == nullptr) return;
  source_->WriteRegisters(space, pairs, count);
  registerWrites_ += count;
}

uint32_t SimulatedMinidriver::ReadRegisterA(SorvexDevice device, uint32_t reg) {
  SimulatedMinidriver *self = Active(device);
  return self != nullptr ? self->Read(RegisterSpace::kSensor, reg) : 0;
}

uint32_t SimulatedMinidriver::ReadRegisterB(SorvexDevice device, uint32_t reg) {
  SimulatedMinidriver *self = Active(device);
  return self != nullptr ? self->Read(RegisterSpace::kController, reg) : 0;
}

uint32_t SimulatedMinidriver::WriteRegistersA(SorvexDevice device, const uint8_t *pairs, uint32_t count) {
  SimulatedMinidriver *self = Active(device);
  if (self != nullptr) self->Write(RegisterSpace::kSensor, pairs, count);
  return 0;
}

uint32_t SimulatedMinidriver::WriteRegistersB(SorvexDevice device, const uint8_t *pairs, uint32_t count) {
  SimulatedMinidriver *self = Active(device);
  if (self != nullptr) self->Write(RegisterSpace::kController, pairs, count);
  return 0;
}

uint32_t SimulatedMinidriver::SelectSensorMode(SorvexDevice device, const char *name) {
  SimulatedMinidriver *self = Active(device);
  if (self != nullptr && name != nullptr) {
    self->modeScripts_.push_back(name);
    self->source_->SelectMode(name);
  }
  return 0;
}

}  // namespace sorvexcam
