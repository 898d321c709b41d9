// The stream's own state in the context: the capture size chosen for a
// requested size, the sensor mode scripts, the blank frames after a start
// and the restart sequence that the run state sets off.
#pragma once

#include "core/isp_context.h"

namespace sorvex0 {

// Frames output blank after a start: 3 for YUYV and I420, 5 for the rest.
uint32_t BlankCountForFormat(uint32_t outputFormat);
void ResetBlankCount(IspContext *context);

// The start of a stream as far as the context goes: the format, the frame
// timing, the blank count, the capture size (also into the two cells, when
// given) and the mode script of a doubled capture.
void BeginCapture(IspContext *context, SorvexDevice device, uint32_t outputFormat, uint32_t width,
                  uint32_t height, uint32_t *captureWidth, uint32_t *captureHeight);

// After a restart at the requested size: the mode script of that size, for
// the sensors that take one; then the register commit.
void FinishRestart(IspContext *context, SorvexDevice device);

// The run state of a stream whose capture size differs from the requested
// one starts the restart sequence.
void NoteStreamState(IspContext *context, uint32_t state);

// One frame of the restart sequence.
enum class RestartStep : uint8_t {
  kNone,     // no sequence running
  kBlank,    // output the frame blank
  kRestart,  // restart the stream, then output the frame blank
};
RestartStep AdvanceRestartSequence(IspContext *context);

}  // namespace sorvex0
