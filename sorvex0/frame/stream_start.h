// The start and restart of a stream: the capture size and mode script, the
// sensor's flip, the exposure loop's start and the face tracker's reset.
#pragma once

#include "core/isp_context.h"

namespace sorvex0 {

// ISPFunc_StartCapture: the two cells, when given, receive the size the
// sensor must capture.
void StartStream(IspContext *context, SorvexDevice device, uint32_t outputFormat, uint32_t width,
                 uint32_t height, uint32_t *captureWidth, uint32_t *captureHeight);

// Starts the stream again at the requested size, as after the run state.
void RestartStream(IspContext *context, SorvexDevice device);

// Advances the restart sequence by one frame, restarting the stream where
// the sequence says; true when the frame is to be output blank.
bool StepRestartSequence(IspContext *context, SorvexDevice device);

}  // namespace sorvex0
