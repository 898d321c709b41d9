// The making and unmaking of a camera's context.
#pragma once

#include "core/isp_context.h"

namespace sorvex0 {

// The minidriver's five callbacks, as ISPFunc_Init receives them.
struct MinidriverCallbacks {
  SorvexReadRegister readRegisterA;
  SorvexWriteRegisters writeRegistersA;
  SorvexSelectSensorMode selectSensorMode;
  SorvexReadRegister readRegisterB;
  SorvexWriteRegisters writeRegistersB;
};

// The camera's context block is 3,568 bytes of non-paged pool, as a pool
// dump or a checked build expects it; on the 32-bit target the structure
// fits with a reserved tail. A 64-bit host's pointers make the structure
// larger, and there the block grows to hold it.
constexpr uint32_t kCameraContextBlockBytes = 3568;
constexpr uint32_t kContextBlockBytes = sizeof(IspContext) > kCameraContextBlockBytes
                                            ? static_cast<uint32_t>(sizeof(IspContext))
                                            : kCameraContextBlockBytes;
static_assert(sizeof(void *) != 4 || sizeof(IspContext) <= kCameraContextBlockBytes,
              "the context must fit the camera's context block on the 32-bit target");

// One context block from the non-paged pool; null when the pool is
// exhausted.
IspContext *AllocateContext();

// Clears the whole block and sets everything that does not come from the
// settings: the sensor chosen by its name (the unknown sensor for a name
// not in the table), the starting values of the stream, exposure and buffer
// fields, the USB speed, the callbacks and the service key path.
void InitialiseContext(IspContext *context, void *physicalDevice, const WCHAR *sensorName,
                       uint32_t highSpeed, const MinidriverCallbacks &callbacks);

void FreeContext(IspContext *context);

}  // namespace sorvex0
