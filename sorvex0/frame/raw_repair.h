// Repairs of the known defects that some sensors leave in every raw frame:
// bad last lines at some sizes, and the last two columns of the OV9655.
#pragma once

#include "core/isp_context.h"

// Repairs `raw` (width x height bytes as captured, or twice that for the
// YUYV frames of the MI1320) in place for the sensor.
void RepairRawFrame(uint32_t sensorId, uint8_t *raw, uint32_t width, uint32_t height,
                    uint32_t outputWidth);
