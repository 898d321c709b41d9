// The custom property exports on a live context: any sensor, a stream
// started at any size, then any sequence of get and set requests with any
// identifier, item and value. Each request's buffers are exactly the size
// it needs; at the end the context is closed and must leave nothing behind.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_camera.h"

namespace {

constexpr int kMaxRequests = 64;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  sorvexfuzz::FuzzInput input(data, size);
  sorvexfuzz::FuzzCamera camera;
  const std::u16string sensor = sorvexfuzz::PickSensorName(input);
  const uint32_t highSpeed = input.Range(0, 1);
  if (!camera.Init(sensor, highSpeed)) return 0;
  const uint32_t format = input.Range(0, 4);
  const uint32_t width = input.Range(0, 1600);
  const uint32_t height = input.Range(0, 1200);
  uint32_t captureWidth = 0;
  uint32_t captureHeight = 0;
  ISPFunc_StartCapture(camera.Context(), sorvexfuzz::kDevice, format, width, height, &captureWidth,
                       &captureHeight);
  for (int i = 0; i < kMaxRequests && input.Remaining() > 0; ++i) camera.RequestProperty(input);
  return 0;
}
