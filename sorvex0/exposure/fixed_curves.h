// The fixed curves of the tone tables: the contrast S-curve, the highlight
// curve of the channel gains and each sensor group's default gamma curve with
// its control points. Every curve holds the output (0..65535) for the input
// i * 256.
#pragma once

#include "core/sensor_table.h"

namespace sorvex0 {

// Contrast target: below the straight line in the lower half, above it in
// the upper half.
const uint16_t *ContrastSCurve();
// Above the straight line; the channel gains of OV9650, OV9655, S5K4AA and
// S5K3BA follow it.
const uint16_t *HighlightCurve();

// A sensor group's default gamma: the 256-value curve and the control points
// that travel with it in the settings, each packed as value << 16 | input,
// with the value on the 0..255 scale of the output tables.
struct DefaultGamma {
  const uint16_t *curve;
  const int32_t *points;
  int32_t pointCount;
};

DefaultGamma DefaultGammaFor(const SensorDescriptor &sensor);

}  // namespace sorvex0
