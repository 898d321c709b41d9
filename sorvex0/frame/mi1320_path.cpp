#include "frame/mi1320_path.h"

#include "exposure/exposure_loop.h"
#include "frame/blank_image.h"
#include "frame/full_pipeline.h"
#include "frame/low_light_mappings.h"
#include "frame/tracking_window.h"
#include "core/working_buffers.h"
#include "frame/zoom_window.h"
#include "zoom/zoom.h"

namespace sorvex0 {

namespace {

// The full pipeline on the MI1320's large raw frames, with the picture
// values its own processor needs: its gamma follows the brightness, its
// saturation is ten times as strong, and the rest is neutral.
bool ProduceMi1320Fully(IspContext *context, const FrameRequest &frame, uint8_t *target) {
  FrameRequest adjusted = frame;
  PictureValues &values = adjusted.values;
  values.gammaStrength = frame.values.brightness * 5 + 40;
  values.saturation = frame.values.saturation * 10;
  values.brightness = 50;
  values.contrast = 50;
  values.chromaBalance = 50;
  values.exposureTargetScale = 50;
  if (context->bpc != 0) {
    CorrectBadPixels(context, frame.raw, frame.captureWidth, frame.captureHeight, frame.outputWidth);
  }
  return RunYuyvPipelineInto(context, adjusted, target);
}

// Writes a YUYV image of the output size into `target`; false when a
// working buffer could not be had.
bool ProduceMi1320Yuyv(IspContext *context, const FrameRequest &frame, uint8_t *target) {
  if (frame.outputWidth > 640) {
    if (context->ipMode >= 2) return ProduceMi1320Fully(context, frame, target);
    FUNC_RawToYuv(context->conversionOps, frame.raw, static_cast<int32_t>(frame.captureWidth),
                  static_cast<int32_t>(frame.captureHeight), target,
                  static_cast<int32_t>(frame.outputWidth), static_cast<int32_t>(frame.outputHeight));
    return true;
  }
  // Small frames are YUYV already. With face tracking the frame is reduced
  // into the target first and tracked there; without it the centred window
  // of `zoom` is cut from the frame, reduced (or copied) into the target and
  // enlarged back (at level 0 the frame is only reduced or copied).
  if (context->faceTracking != 0) {
    ReduceYuyv(frame.raw, frame.captureWidth, frame.captureHeight, target, frame.outputWidth,
               frame.outputHeight);
    TrackAndZoomYuyv(context, target, frame.outputWidth, frame.outputHeight);
  } else {
    ZoomYuyvWindow(context->zoom, kCentredWindow, kCentredWindow, frame.raw, frame.captureWidth,
                   frame.captureHeight, target, frame.outputWidth, frame.outputHeight);
  }
  return true;
}

}  // namespace

void ConvertMi1320Frame(IspContext *context, const FrameRequest &frame) {
  ConversionOps *ops = context->conversionOps;
  const int32_t width = static_cast<int32_t>(frame.outputWidth);
  const int32_t height = static_cast<int32_t>(frame.outputHeight);
  switch (frame.outputFormat) {
    case SORVEX_FORMAT_YUYV:
      if (!ProduceMi1320Yuyv(context, frame, frame.destination)) break;
      return;
    case SORVEX_FORMAT_I420:
      if (!EnsureStageBuffer(context, width, height) ||
          !ProduceMi1320Yuyv(context, frame, context->stageBuffer)) {
        break;
      }
      FUNC_YuvToI420(ops, context->stageBuffer, width, height, frame.destination);
      return;
    default:
      if (frame.outputWidth > 800) {
        FUNC_RawToBmp(ops, frame.raw, static_cast<int32_t>(frame.captureWidth),
                      static_cast<int32_t>(frame.captureHeight), frame.destination, width, height);
        return;
      }
      if (!EnsureStageBuffer(context, width, height) ||
          !ProduceMi1320Yuyv(context, frame, context->stageBuffer)) {
        break;
      }
      FUNC_YuvToBmp(ops, context->stageBuffer, width, height, frame.destination);
      return;
  }
  // No working buffer: a black frame rather than a write through a null pointer.
  WriteBlankImage(frame.destination, frame.outputFormat, frame.outputWidth, frame.outputHeight);
}

}  // namespace sorvex0
