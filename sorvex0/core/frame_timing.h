// The frame timing of a stream: the arrival time of every frame in a ring
// of intervals, and the frame rate measured over it.
#pragma once

#include "core/isp_context.h"

namespace sorvex0 {

// At capture start: the clock starts now and no interval is known.
void ResetFrameTiming(IspContext *context);
// Records the arrival of a frame in the interval ring.
void RecordFrameTime(IspContext *context);
// Frames per second x 100 over the last 40 intervals; 0 until two intervals
// are known, and 0 when they add up to less than 5 units (frames stamped
// within one tick of the system clock).
uint32_t FrameRate(const IspContext *context);

}  // namespace sorvex0
