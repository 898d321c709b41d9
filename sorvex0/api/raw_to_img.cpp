// ISPFunc_RawToImg: one raw frame to the output image.

#include "core/frame_request.h"
#include "frame/frame_routing.h"
#include "store/raw_snapshot.h"

extern "C" SORVEX_EXPORT void SORVEX_CALL ISPFunc_RawToImg(
    IspContext *context, SorvexDevice device, uint32_t outputFormat, uint32_t p1, uint32_t p2,
    uint32_t p3, uint32_t p4, uint32_t p5, uint32_t p6, uint32_t p7, uint32_t p8, uint32_t p9,
    uint8_t *destination, uint8_t *rawFrame, uint32_t outputWidth, uint32_t outputHeight) {
  if (context == nullptr) return;
  const sorvex0::FrameRequest frame = {
      device,      outputFormat, {p1, p2, p3, p4, p5, p6, p7, p8, p9},
      destination, rawFrame,     outputWidth,
      outputHeight, context->captureWidth, context->captureHeight};
  if (!sorvex0::BeginFrame(context, frame)) return;
  if (context->snapshotRequest != 0) sorvex0::TakeSnapshot(context, frame);
  sorvex0::ProduceFrame(context, frame);
}
