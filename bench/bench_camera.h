// One camera as the minidriver brings it up, on the host kernel layer: a
// fresh registry holding the processing mode, the camera's device object and
// a context from ISPFunc_Init, torn down again by the destructor.
#pragma once

#include <cstdint>
#include <string>

#include "hostkernel/host_control.h"
#include "sorvex0.h"

namespace bench {

class BenchCamera {
 public:
  BenchCamera(const std::string &sensor, uint32_t ipMode);
  ~BenchCamera();
  BenchCamera(const BenchCamera &) = delete;
  BenchCamera &operator=(const BenchCamera &) = delete;

  IspContext *context() const { return context_; }

  // ISPFunc_StartCapture at high speed; the capture size comes back.
  void Start(uint32_t format, uint32_t width, uint32_t height, uint32_t *captureWidth, uint32_t *captureHeight);

  // One ISPFunc_RawToImg with neutral picture values.
  void Frame(uint32_t format, uint8_t *destination, uint8_t *raw, uint32_t width, uint32_t height);

 private:
  PDEVICE_OBJECT device_ = nullptr;
  IspContext *context_ = nullptr;
};

}  // namespace bench
