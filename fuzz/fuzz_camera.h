// The minidriver's side of the driver exports for the fuzz targets: a fresh
// kernel for every input, a device object, callbacks that read every byte
// they are given (so that AddressSanitizer sees a pair count that runs past
// the library's array, or a mode name without its terminator) and check the
// device value, and the property requests with data buffers of exactly the
// size each request needs, on the heap.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "hostkernel/host_control.h"
#include "sorvex0.h"

namespace sorvexfuzz {

constexpr SorvexDevice kDevice = 0x5EB0DE71;

// The ten sensor models by the names the minidriver passes.
extern const char *const kSensorNames[10];

// A sensor name: mostly one of the ten, sometimes any text.
std::u16string PickSensorName(FuzzInput &input);

class FuzzCamera {
 public:
  // Resets the kernel (registry, injected failures, clock) and makes the
  // device object.
  FuzzCamera();
  // Calls Exit when the context is still open, then checks that no pool
  // block and no registry handle is left.
  ~FuzzCamera();
  FuzzCamera(const FuzzCamera &) = delete;
  FuzzCamera &operator=(const FuzzCamera &) = delete;

  // ISPFunc_Init; false when no context was made.
  bool Init(const std::u16string &sensorName, uint32_t highSpeed);
  void Exit();
  bool Open() const { return context_ != nullptr; }
  IspContext *Context() const { return context_; }

  // One get or set request (on the open context, or on none) decoded from the input: mostly an identifier the
  // library knows, sometimes any; the record's words and the gamma data from
  // the input. Checks the result and that the request's header and, for an
  // identifier that is not handled, the data were left alone.
  void RequestProperty(FuzzInput &input);

 private:
  PDEVICE_OBJECT device_ = nullptr;
  IspContext *context_ = nullptr;
};

}  // namespace sorvexfuzz
