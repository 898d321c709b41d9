// The frame stages' low-light mappings: the light level of the sensor's
// exposure entry chooses how hard the conversion library's bad-pixel
// correction and frame filter work.
#pragma once

#include "core/isp_context.h"

namespace sorvex0 {

// The filter strength the pipeline passes to the conversion library: P4
// after the low-light mapping.
uint32_t MapFilterStrength(const IspContext *context, uint32_t p4);

// The conversion library's bad-pixel correction of the raw frame, with the
// flag and mode chosen from the sensor and the light level.
void CorrectBadPixels(IspContext *context, uint8_t *raw, uint32_t captureWidth,
                      uint32_t captureHeight, uint32_t outputWidth);

}  // namespace sorvex0
