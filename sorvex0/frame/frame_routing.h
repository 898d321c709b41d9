// The road of a raw frame from ISPFunc_RawToImg: the per-frame bookkeeping,
// then the processing mode and output format asked for.
#pragma once

#include "core/frame_request.h"

namespace sorvex0 {

// Records the frame's time, advances the restart sequence and repairs the
// sensor's known raw defects. Returns false when the frame is done with: it
// was output blank (the blank frames after a start or a restart) or a buffer
// is missing. The snapshot, when one is armed, comes after this.
bool BeginFrame(IspContext *context, const FrameRequest &frame);

// Turns the frame into the output image by processing mode and format; a
// black image when the conversion library failed to start.
void ProduceFrame(IspContext *context, const FrameRequest &frame);

}  // namespace sorvex0
