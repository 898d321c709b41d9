// The public exports of include/sorvex0.h and sorvex1.h for the tests, each
// a call of the same export of the loaded image through its real entry
// point, on the kernel stack.
#pragma once

#include <cstdint>

#include "driver_images.h"
#include "kernel_stack.h"

namespace driverrunner {

template <typename T>
uint32_t Word(T *pointer) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(pointer));
}
inline uint32_t Word(uint32_t value) { return value; }
inline uint32_t Word(int32_t value) { return static_cast<uint32_t>(value); }

// One export of an image, looked up on its first call.
class ImageExport {
 public:
  ImageExport(const char *image, const char *name) : image_(image), name_(name) {}
  template <typename... Arguments>
  uint32_t operator()(Arguments... arguments) {
    if (address_ == nullptr || generation_ != DriverImageGeneration()) {
      address_ = DriverExport(image_, name_);
      generation_ = DriverImageGeneration();
    }
    return CallOnKernelStack(address_, {Word(arguments)...});
  }

 private:
  const char *image_;
  const char *name_;
  const void *address_ = nullptr;
  uint32_t generation_ = 0;
};

}  // namespace driverrunner
