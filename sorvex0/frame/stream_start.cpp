#include "frame/stream_start.h"

#include "core/capture_control.h"
#include "core/sensor_flip.h"
#include "exposure/exposure_loop.h"
#include "frame/tracking_window.h"

namespace sorvex0 {

void StartStream(IspContext *context, SorvexDevice device, uint32_t outputFormat, uint32_t width,
                 uint32_t height, uint32_t *captureWidth, uint32_t *captureHeight) {
  BeginCapture(context, device, outputFormat, width, height, captureWidth, captureHeight);
  if (context->invertImage == 0) {
    ProgramFlip(context, device, context->flipHorizontal != 0, context->flipVertical != 0);
  }
  StartExposure(context, device);
  ResetTrackingWindow(context);
}

void RestartStream(IspContext *context, SorvexDevice device) {
  uint32_t width = 0;
  uint32_t height = 0;
  StartStream(context, device, context->outputFormat, context->requestedWidth,
              context->requestedHeight, &width, &height);
  FinishRestart(context, device);
}

bool StepRestartSequence(IspContext *context, SorvexDevice device) {
  switch (AdvanceRestartSequence(context)) {
    case RestartStep::kNone:
      return false;
    case RestartStep::kRestart:
      RestartStream(context, device);
      return true;
    case RestartStep::kBlank:
      return true;
  }
  return true;
}

}  // namespace sorvex0
