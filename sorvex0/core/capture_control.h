// Stream start, stop and restart, the blank frames after a start, and the
// frame-rate measurement.
#pragma once

#include "core/isp_context.h"

// Frames output blank after a start: 3 for YUYV and I420, 5 for the rest.
uint32_t BlankCountForFormat(uint32_t outputFormat);
void ResetBlankCount(IspContext *context);

// Starts the stream again at the requested size, as after the run state.
void RestartCapture(IspContext *context, SorvexDevice device);

// Records the arrival of a frame in the interval ring.
void RecordFrameTime(IspContext *context);
// Advances the restart sequence by one frame; true when the frame is to be
// output blank.
bool AdvanceRestartSequence(IspContext *context, SorvexDevice device);
// Frames per second x 100 over the last 40 intervals; 0 until two intervals
// are known, and 0 when they add up to less than 5 units (frames stamped
// within one tick of the system clock).
uint32_t FrameRate(const IspContext *context);
