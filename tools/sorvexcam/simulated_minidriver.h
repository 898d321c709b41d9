// The camera's streaming minidriver, played through the library's public
// exports only: it owns the device object, answers the five callbacks by
// handing register traffic to the frame source, and calls the exports in the
// order a real minidriver does.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "frame_source.h"
#include "hostkernel/host_control.h"
#include "sorvex0.h"

namespace sorvexcam {

struct CaptureSize {
  uint32_t width = 0;
  uint32_t height = 0;
};

class SimulatedMinidriver {
 public:
  // One camera at a time: the callbacks find it through the device value.
  static constexpr SorvexDevice kDevice = 0x5EC0CA01;

  explicit SimulatedMinidriver(FrameSource *source);
  ~SimulatedMinidriver();  // ISPFunc_Exit if still open
  SimulatedMinidriver(const SimulatedMinidriver &) = delete;
  SimulatedMinidriver &operator=(const SimulatedMinidriver &) = delete;

  // ISPFunc_Init for the sensor. False, with a reason, when no context came
  // back; a failed settings load is only reported in *status.
  bool Init(const std::string &sensor, bool highSpeed, SorvexStatus *status, std::string *error);
  // ISPFunc_StartCapture, then the run state through ISPFunc_StreamStateNotify.
  CaptureSize StartStream(uint32_t format, uint32_t width, uint32_t height);
  // The capture size the library expects the next raw frame in (it changes
  // while a restart sequence runs).
  CaptureSize CurrentCaptureSize();
  void ProcessFrame(uint32_t format, const uint32_t (&pictureValues)[9], uint8_t *destination,
                    uint8_t *rawFrame, uint32_t width, uint32_t height);
  // ISPFunc_StopCapture and ISPFunc_Exit.
  void Exit();

  IspContext *Context() const { return context_; }
  const std::vector<std::string> &ModeScripts() const { return modeScripts_; }
  uint64_t RegisterWrites() const { return registerWrites_; }
  uint64_t RegisterReads() const { return registerReads_; }
  uint32_t ForeignDeviceCalls() const { return foreignDeviceCalls_; }

 private:
  static SimulatedMinidriver *Active(SorvexDevice device);
  static uint32_t ReadRegisterA(SorvexDevice device, uint32_t reg);
  static uint32_t ReadRegisterB(SorvexDevice device, uint32_t reg);
  static uint32_t WriteRegistersA(SorvexDevice device, const uint8_t *pairs, uint32_t count);
  static uint32_t WriteRegistersB(SorvexDevice device, const uint8_t *pairs, uint32_t count);
  static uint32_t SelectSensorMode(SorvexDevice device, const char *name);
  uint32_t Read(RegisterSpace space, uint32_t reg);
  void Write(RegisterSpace space, const uint8_t *pairs, uint32_t count);

  static SimulatedMinidriver *active_;
  FrameSource *source_;
  PDEVICE_OBJECT deviceObject_ = nullptr;
  IspContext *context_ = nullptr;
  bool streaming_ = false;
  std::vector<std::string> modeScripts_;
  uint64_t registerWrites_ = 0;
  uint64_t registerReads_ = 0;
  uint32_t foreignDeviceCalls_ = 0;
};

}  // namespace sorvexcam
