#include "frame/frame_routing.h"

#include "core/frame_timing.h"
#include "core/kernel_section.h"
#include "core/sensor_table.h"
#include "exposure/exposure_loop.h"
#include "frame/blank_image.h"
#include "frame/full_pipeline.h"
#include "frame/low_light_mappings.h"
#include "frame/mi1320_path.h"
#include "frame/preview_bitmap.h"
#include "frame/raw_repair.h"
#include "frame/stream_start.h"

namespace sorvex0 {

namespace {

// Processing mode 0: the conversion library for YUYV and I420, the preview
// converters for bitmaps.
void ConvertPlain(IspContext *context, const FrameRequest &frame) {
  const int32_t sourceWidth = static_cast<int32_t>(frame.captureWidth);
  const int32_t sourceHeight = static_cast<int32_t>(frame.captureHeight);
  const int32_t width = static_cast<int32_t>(frame.outputWidth);
  const int32_t height = static_cast<int32_t>(frame.outputHeight);
  switch (frame.outputFormat) {
    case SORVEX_FORMAT_YUYV:
      FUNC_RawToYuv(context->conversionOps, frame.raw, sourceWidth, sourceHeight, frame.destination,
                    width, height);
      break;
    case SORVEX_FORMAT_I420:
      FUNC_RawToI420(context->conversionOps, frame.raw, sourceWidth, sourceHeight,
                     frame.destination, width, height);
      break;
    default:
      ConvertRawToPreviewBitmap(frame.destination, frame.raw, frame.outputWidth, frame.outputHeight,
                                frame.captureWidth, frame.captureHeight, KernelVectorSets(context));
      break;
  }
}

// Processing mode 1: the exposure step with the white balance held at its
// first preset, then the plain conversion.
void ConvertWithExposureStep(IspContext *context, const FrameRequest &frame) {
  const uint32_t awbType = context->awbType;
  context->awbType = 1;
  RunExposureStep(context, frame.device, frame.values, frame.raw, frame.captureWidth,
                  frame.captureHeight);
  context->awbType = awbType;
  ConvertPlain(context, frame);
}

// Processing mode 2 and above: defect correction, then the full pipeline.
void ConvertFully(IspContext *context, const FrameRequest &frame) {
  if (context->bpc != 0) {
    CorrectBadPixels(context, frame.raw, frame.captureWidth, frame.captureHeight,
                     frame.outputWidth);
  }
  switch (frame.outputFormat) {
    case SORVEX_FORMAT_YUYV:
      RunYuyvPipeline(context, frame);
      break;
    case SORVEX_FORMAT_I420:
      RunI420Pipeline(context, frame);
      break;
    default:
      RunRgb24Pipeline(context, frame);
      break;
  }
}

void RouteFrame(IspContext *context, const FrameRequest &frame) {
  if (SensorOf(context).ownProcessor) {
    ConvertMi1320Frame(context, frame);
  } else if (context->ipMode == 0) {
    ConvertPlain(context, frame);
  } else if (context->ipMode == 1) {
    ConvertWithExposureStep(context, frame);
  } else {
    ConvertFully(context, frame);
  }
}

}  // namespace

bool BeginFrame(IspContext *context, const FrameRequest &frame) {
  context->outputFormat = frame.outputFormat;
  RecordFrameTime(context);
  const bool restartBlank = StepRestartSequence(context, frame.device);
  if (frame.raw != nullptr) {
    RepairRawFrame(SensorOf(context).rawRepair, frame.raw, frame.captureWidth, frame.captureHeight,
                   frame.outputWidth);
  }
  if (context->blankFrameCount != 0 || restartBlank) {
    WriteBlankImage(frame.destination, frame.outputFormat, frame.outputWidth, frame.outputHeight);
    if (context->blankFrameCount != 0) --context->blankFrameCount;
    return false;
  }
  return frame.raw != nullptr && frame.destination != nullptr;
}

void ProduceFrame(IspContext *context, const FrameRequest &frame) {
  // Without its conversion library (it failed to start) the camera can
  // show only black frames.
  if (context->conversionOps == nullptr) {
    WriteBlankImage(frame.destination, frame.outputFormat, frame.outputWidth, frame.outputHeight);
    return;
  }
  RouteFrame(context, frame);
}

}  // namespace sorvex0
