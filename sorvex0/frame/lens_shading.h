// Lens-shading correction: small lenses darken the frame toward its corners.
// A gain map of the frame's size, one byte per Bayer sample, is built from a
// radial index table and three gain curves per sensor, weakened in low light,
// and handed with the three output tables to the conversion library.
#pragma once

#include "core/sensor_table.h"

namespace sorvex0 {

constexpr uint32_t kRadialTableSize = 160;
constexpr uint32_t kGainCurveLength = 128;

// Radial index of quadrant position (row, column): 127 at the frame corner
// (0, 0) falling to 0 at the centre (159, 159).
uint8_t RadialIndex(uint32_t row, uint32_t column);

// Gain curve 0, 1 or 2 of a sensor at a radial index (before weakening).
uint8_t LensGain(const SensorDescriptor &sensor, uint32_t curve, uint32_t radialIndex);

// Strength level of the correction for this frame: 0 full, 7 none. False
// when the correction is off for this frame (too dark to amplify).
bool LensShadingLevel(const IspContext *context, uint8_t *level);

// The lens-shading stage, once per frame before the Bayer conversion: builds
// the map when the source size or the level changed and calls applyShading
// (with enable 0 when the correction is off, so the tables still apply).
// Ws x Hs is the (possibly cut) source, W x H the full frame it was cut from.
void ApplyLensShading(IspContext *context, uint8_t *raw, uint32_t sourceWidth,
                      uint32_t sourceHeight, uint32_t frameWidth, uint32_t frameHeight);

// Builds the map for the full frame W x H at `level` and cuts the centred
// Ws x Hs window out of it. False when the pool is exhausted.
bool BuildLensShadingMap(IspContext *context, uint8_t level, uint32_t sourceWidth,
                         uint32_t sourceHeight, uint32_t frameWidth, uint32_t frameHeight);

}  // namespace sorvex0
