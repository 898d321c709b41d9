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

// One block of sizeof(IspContext) from the non-paged pool; null when the
// pool is exhausted.
IspContext *AllocateContext();

// Clears the context and sets everything that does not come from the
// settings: the sensor chosen by its name (the unknown sensor for a name
// not in the table), the starting values of the stream, exposure and buffer
// fields, the USB speed, the callbacks and the service key path.
void InitialiseContext(IspContext *context, void *physicalDevice, const WCHAR *sensorName,
                       uint32_t highSpeed, const MinidriverCallbacks &callbacks);

void FreeContext(IspContext *context);

}  // namespace sorvex0
