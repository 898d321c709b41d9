#include "core/register_access.h"

void WriteRegisterPairA(IspContext *context, SorvexDevice device, uint8_t reg, uint8_t value) {
  const uint8_t pair[2] = {reg, value};
  if (context->writeRegistersA != nullptr) context->writeRegistersA(device, pair, 1);
}

void WriteRegisterPairB(IspContext *context, SorvexDevice device, uint8_t reg, uint8_t value) {
  const uint8_t pair[2] = {reg, value};
  if (context->writeRegistersB != nullptr) context->writeRegistersB(device, pair, 1);
}

void CommitEs2216Registers(IspContext *context, SorvexDevice device) {
  if (context->sensorId == kSensorEs2216) WriteRegisterPairA(context, device, 5, 1);
}
