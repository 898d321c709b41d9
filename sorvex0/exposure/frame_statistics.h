// Measurement of a raw Bayer frame for the exposure and white-balance loops:
// 8 x 8 window means, a dark-percentile black level, a centre-weighted
// brightness and a score of how much brighter the centre is than the edges.
#pragma once

#include "core/isp_context.h"

namespace sorvex0 {

// Window statistics and black level, then the brightness, the centre score
// and the black level by score, into the context. Returns the brightness
// (also stored in measuredBrightness). A frame too small to hold 8 x 8
// windows of at least one sampled cell each (its 32-aligned area below
// 6,400 pixels) is not measured: the context keeps the last measurement.
uint32_t MeasureFrame(IspContext *context, const uint8_t *raw, uint32_t width, uint32_t height);

// The parts of MeasureFrame, for the loops that need only one of them.
// MeasureWindows returns false for a frame too small to measure.
bool MeasureWindows(IspContext *context, const uint8_t *raw, uint32_t width, uint32_t height);
uint32_t MeasureBrightness(IspContext *context);

}  // namespace sorvex0
