#include "core/register_access.h"

#include "core/sensor_table.h"

namespace sorvex0 {

void WriteRegisterPairA(IspContext *context, SorvexDevice device, uint8_t reg, uint8_t value) {
  const uint8_t pair[2] = {reg, value};
  if (context->writeRegistersA != nullptr) context->writeRegistersA(device, pair, 1);
}

void WriteRegisterPairB(IspContext *context, SorvexDevice device, uint8_t reg, uint8_t value) {
  const uint8_t pair[2] = {reg, value};
  if (context->writeRegistersB != nullptr) context->writeRegistersB(device, pair, 1);
}

void CommitSensorRegisters(IspContext *context, SorvexDevice device) {
  if (SensorOf(context).commitsRegisters) WriteRegisterPairA(context, device, 5, 1);
}

uint32_t PeekSensorRegister(IspContext *context, SorvexDevice device, uint32_t reg) {
  if (context->readRegisterA == nullptr) return 0;
  const SensorDescriptor &sensor = SensorOf(context);
  if (sensor.pageRegister == 0) return context->readRegisterA(device, reg & 0xFF) & 0xFF;
  WriteRegisterPairA(context, device, sensor.pageRegister, 0);
  WriteRegisterPairA(context, device, sensor.pageLowRegister, static_cast<uint8_t>(reg >> 8));
  const uint32_t high = context->readRegisterA(device, reg & 0xFF) & 0xFF;
  const uint32_t low = context->readRegisterA(device, sensor.pageLowRegister) & 0xFF;
  return high * 256 + low;
}

void PokeSensorRegister(IspContext *context, SorvexDevice device, uint32_t reg, uint32_t value) {
  const SensorDescriptor &sensor = SensorOf(context);
  if (sensor.pageRegister == 0) {
    WriteRegisterPairA(context, device, static_cast<uint8_t>(reg), static_cast<uint8_t>(value));
    CommitSensorRegisters(context, device);
    return;
  }
  const uint8_t low = sensor.pageLowRegister;
  const uint8_t pairs[8] = {sensor.pageRegister, 0,
                            low, static_cast<uint8_t>(reg >> 8),
                            static_cast<uint8_t>(reg), static_cast<uint8_t>(value >> 8),
                            low, static_cast<uint8_t>(value)};
  if (context->writeRegistersA != nullptr) context->writeRegistersA(device, pairs, 4);
}

}  // namespace sorvex0
