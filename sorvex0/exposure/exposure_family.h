// The per-sensor half of the exposure loop, through the exposure family of
// the sensor's descriptor: table choice and start entry, the update with its
// register programming, the light level, the exposure code and the
// gamma-strength adjustment.
#pragma once

#include "core/sensor_table.h"
#include "exposure/exposure_entries.h"

namespace sorvex0 {

// The family start: table choice, start entry, run clock. Sensors without a
// table (MI1320, S5K3BA, OV7670, MI2020, MI0360) do nothing.
void StartFamilyExposure(IspContext *context, SorvexDevice device);

// The exposure update with the measured brightness; true when the sensor was
// reprogrammed. `p8` is the exposure-target scale.
bool UpdateFamilyExposure(IspContext *context, SorvexDevice device, const RawFrame &frame,
                          uint32_t p8, uint32_t brightness);

// 0 to 100 for the current entry; 100 for sensors without a table.
uint32_t FamilyLightLevel(const IspContext *context);
// Compared with 80 by the run test (two frames between runs below it).
uint32_t FamilyExposureCode(const IspContext *context);
// P7 after the family's low-light adjustment.
uint32_t FamilyGammaStrength(const IspContext *context, uint32_t p7);
// The exposure of the current entry; 0 for sensors without a table.
uint32_t FamilyExposureValue(const IspContext *context);

// The light level of a family whose entries carry a level byte E.
template <uint32_t (*kLevelByte)(const IspContext *)>
uint32_t LightOfEntry(const IspContext *context) {
  return LightOfLevelByte(kLevelByte(context));
}

// P7 - E + 100 for a level byte above 100 (never below 0).
uint32_t LowerGammaStrength(uint32_t p7, uint32_t levelByte);
template <uint32_t (*kLevelByte)(const IspContext *)>
uint32_t GammaStrengthOfEntry(const IspContext *context, uint32_t p7) {
  return LowerGammaStrength(p7, kLevelByte(context));
}

}  // namespace sorvex0
