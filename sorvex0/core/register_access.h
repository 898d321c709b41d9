// Single register writes through the minidriver's callbacks.
#pragma once

#include "core/isp_context.h"

namespace sorvex0 {

// One (register, value) pair to the sensor (space A) or the controller (space B).
void WriteRegisterPairA(IspContext *context, SorvexDevice device, uint8_t reg, uint8_t value);
void WriteRegisterPairB(IspContext *context, SorvexDevice device, uint8_t reg, uint8_t value);

// A sensor register through the paging the sensor's descriptor names: the
// 16-bit registers of the MI1320 and MI0360 go through a page register
// (bits 8-15 of `reg`) and read high byte, then low byte; other sensors
// read and write the 8-bit register of bits 0-7. Without the callbacks a
// peek gives 0 and a poke does nothing.
uint32_t PeekSensorRegister(IspContext *context, SorvexDevice device, uint32_t reg);
void PokeSensorRegister(IspContext *context, SorvexDevice device, uint32_t reg, uint32_t value);

// Sensors that take new register values only when register 5 is set to 1
// (the ES2216) get that write; others nothing.
void CommitSensorRegisters(IspContext *context, SorvexDevice device);

}  // namespace sorvex0
