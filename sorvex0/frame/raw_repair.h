// Repairs of the known defects that some sensors leave in every raw frame:
// bad last lines at some sizes, and the last two columns of the OV9655.
#pragma once

#include "core/sensor_table.h"

namespace sorvex0 {

// Repairs `raw` (width x height bytes as captured, or twice that for the
// YUYV frames of the MI1320) in place, as the sensor's descriptor names the repair.
void RepairRawFrame(RawRepair repair, uint8_t *raw, uint32_t width, uint32_t height,
                    uint32_t outputWidth);

}  // namespace sorvex0
