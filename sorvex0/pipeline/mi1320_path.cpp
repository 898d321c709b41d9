#include "pipeline/mi1320_path.h"

#include "pipeline/blank_image.h"
#include "pipeline/working_buffers.h"
#include "pipeline/zoom_window.h"
#include "zoom/zoom.h"

namespace {

// Small MI1320 frames are YUYV already: the centred window of `zoom` is cut
// from the frame, reduced (or copied) into the target and enlarged back to
// the output size. At zoom level 0 the frame is only reduced or copied.
void ZoomMi1320Yuyv(IspContext *context, const FrameRequest &frame, uint8_t *target) {
  const ZoomWindowCut cut = CropZoomWindow(context->zoom, kCentredWindow, kCentredWindow, 2,
                                           frame.raw, frame.captureWidth, frame.captureHeight,
                                           frame.outputWidth, frame.outputHeight);
  ReduceYuyv(frame.raw, cut.cutWidth, cut.cutHeight, target, cut.windowWidth, cut.windowHeight);
  ZoomYuyv(context->zoom, target, cut.windowWidth, cut.windowHeight, frame.outputWidth,
           frame.outputHeight, cut.a, cut.b);
}

// Writes a YUYV image of the output size into `target`.
void ProduceMi1320Yuyv(IspContext *context, const FrameRequest &frame, uint8_t *target) {
  if (frame.outputWidth > 640) {
    // The full pipeline (with the replaced picture values and the bad-pixel
    // correction) serves ipMode 2 and above; it lands with the full
    // pipeline, so until then every mode converts plainly.
    FUNC_RawToYuv(context->conversionOps, frame.raw, static_cast<int32_t>(frame.captureWidth),
                  static_cast<int32_t>(frame.captureHeight), target,
                  static_cast<int32_t>(frame.outputWidth), static_cast<int32_t>(frame.outputHeight));
    return;
  }
  if (context->faceTracking != 0) {
    // Seam: face tracking on these frames (reduce into the target, track the
    // face, cut the tracking window, enlarge it with ZoomYuyv and move the
    // window) lands with the face tracker's wiring. Until then the frame is
    // only reduced or copied.
    ReduceYuyv(frame.raw, frame.captureWidth, frame.captureHeight, target, frame.outputWidth,
               frame.outputHeight);
    return;
  }
  ZoomMi1320Yuyv(context, frame, target);
}

}  // namespace

void ConvertMi1320Frame(IspContext *context, const FrameRequest &frame) {
  ConversionOps *ops = context->conversionOps;
  const int32_t width = static_cast<int32_t>(frame.outputWidth);
  const int32_t height = static_cast<int32_t>(frame.outputHeight);
  switch (frame.outputFormat) {
    case SORVEX_FORMAT_YUYV:
      ProduceMi1320Yuyv(context, frame, frame.destination);
      return;
    case SORVEX_FORMAT_I420:
      if (!EnsureStageBuffer(context, width, height)) break;
      ProduceMi1320Yuyv(context, frame, context->stageBuffer);
      FUNC_YuvToI420(ops, context->stageBuffer, width, height, frame.destination);
      return;
    default:
      if (frame.outputWidth > 800) {
        FUNC_RawToBmp(ops, frame.raw, static_cast<int32_t>(frame.captureWidth),
                      static_cast<int32_t>(frame.captureHeight), frame.destination, width, height);
        return;
      }
      if (!EnsureStageBuffer(context, width, height)) break;
      ProduceMi1320Yuyv(context, frame, context->stageBuffer);
      FUNC_YuvToBmp(ops, context->stageBuffer, width, height, frame.destination);
      return;
  }
  // No stage buffer: a black frame rather than a write through a null pointer.
  WriteBlankImage(frame.destination, frame.outputFormat, frame.outputWidth, frame.outputHeight);
}
