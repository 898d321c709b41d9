// The exposure control loop: at most four times a second it measures the
// frame, steps the sensor along its family's exposure table, updates the
// white balance and rebuilds the tone tables and colour matrices.
#pragma once

#include "core/frame_request.h"

namespace sorvex0 {

// One call per processed frame. Returns true when a run took place, false
// when the frame was only counted. The frame hold may replace the frame's
// contents. `values` are the frame's picture values (not changed).
bool RunExposureStep(IspContext *context, SorvexDevice device, const PictureValues &values,
                     uint8_t *raw, uint32_t captureWidth, uint32_t captureHeight);

// At capture start and after the flicker, out-door or clock setting changes:
// resets the white-balance damping and runs the family start (table choice,
// start entry, timing).
void StartExposure(IspContext *context, SorvexDevice device);

// P3 for the colour matrix: the saturation lowered in low light; P9 = 0
// (colour off) makes it 0.
uint32_t LowLightSaturation(const IspContext *context, uint32_t p3, uint32_t p9);

// The exposure value (sensor lines, or the family's own unit) of the current
// entry of the exposure table in use; 0 for a sensor without a family.
uint32_t CurrentExposureValue(const IspContext *context);

}  // namespace sorvex0
