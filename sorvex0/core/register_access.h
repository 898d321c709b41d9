// Single register writes through the minidriver's callbacks.
#pragma once

#include "core/isp_context.h"

// One (register, value) pair to the sensor (space A) or the controller (space B).
void WriteRegisterPairA(IspContext *context, SorvexDevice device, uint8_t reg, uint8_t value);
void WriteRegisterPairB(IspContext *context, SorvexDevice device, uint8_t reg, uint8_t value);

// The ES2216 takes new register values only when register 5 is set to 1.
void CommitEs2216Registers(IspContext *context, SorvexDevice device);
