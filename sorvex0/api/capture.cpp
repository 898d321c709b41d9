// The stream exports and the sensor's mirror and flip.

#include "core/capture_control.h"
#include "core/sensor_flip.h"
#include "frame/stream_start.h"

extern "C" SORVEX_EXPORT void SORVEX_CALL ISPFunc_StartCapture(
    IspContext *context, SorvexDevice device, uint32_t outputFormat, uint32_t width,
    uint32_t height, uint32_t *captureWidth, uint32_t *captureHeight) {
  if (context == nullptr) return;
  sorvex0::StartStream(context, device, outputFormat, width, height, captureWidth, captureHeight);
}

extern "C" SORVEX_EXPORT void SORVEX_CALL ISPFunc_StopCapture(IspContext *, SorvexDevice) {}

extern "C" SORVEX_EXPORT void SORVEX_CALL ISPFunc_StreamStateNotify(IspContext *context, uint32_t,
                                                                    uint32_t state) {
  if (context == nullptr) return;
  sorvex0::NoteStreamState(context, state);
}

extern "C" SORVEX_EXPORT void SORVEX_CALL ISPFunc_Rotate(IspContext *context, SorvexDevice device,
                                                         uint32_t horizontalFlag,
                                                         uint32_t verticalFlag) {
  if (context == nullptr) return;
  // Each flag is one byte.
  sorvex0::ProgramFlip(context, device, (horizontalFlag & 0xFF) != 0, (verticalFlag & 0xFF) != 0);
}
