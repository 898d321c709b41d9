// The per-sensor half of the exposure loop, dispatched on sensorId: table
// choice and start entry, the update with its register programming, the
// light level, the exposure code and the gamma-strength adjustment.
#pragma once

#include "exposure/frame_hold.h"
#include "core/isp_context.h"

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

// ---- The families ----
void StartEs2216Exposure(IspContext *context, SorvexDevice device);
bool UpdateEs2216Exposure(IspContext *context, SorvexDevice device, const RawFrame &frame,
                          uint32_t brightness);
uint32_t Es2216LevelByte(const IspContext *context);
uint32_t Es2216ExposureCode(const IspContext *context);
uint32_t Es2216ExposureValue(const IspContext *context);

void StartMo4000Exposure(IspContext *context, SorvexDevice device);
bool UpdateMo4000Exposure(IspContext *context, SorvexDevice device, uint32_t p8, uint32_t brightness);
uint32_t Mo4000LevelByte(const IspContext *context);
uint32_t Mo4000ExposureCode(const IspContext *context);
uint32_t Mo4000ExposureValue(const IspContext *context);

// OV9650 and OV9655 share everything but their tables.
void StartOv96xxExposure(IspContext *context, SorvexDevice device);
bool UpdateOv96xxExposure(IspContext *context, SorvexDevice device, const RawFrame &frame,
                          uint32_t p8, uint32_t brightness);
uint32_t Ov96xxLevelByte(const IspContext *context);
uint32_t Ov96xxExposureCode(const IspContext *context);
uint32_t Ov96xxExposureValue(const IspContext *context);

void StartS5k4aaExposure(IspContext *context, SorvexDevice device);
bool UpdateS5k4aaExposure(IspContext *context, SorvexDevice device, const RawFrame &frame,
                          uint32_t p8, uint32_t brightness);
uint32_t S5k4aaLevelByte(const IspContext *context);
uint32_t S5k4aaExposureCode(const IspContext *context);
uint32_t S5k4aaExposureValue(const IspContext *context);

// The MI1320 exposes by itself; its light level and gamma strength follow
// the frame rate.
uint32_t Mi1320LightLevel(const IspContext *context);
uint32_t Mi1320GammaStrength(const IspContext *context, uint32_t p7);
