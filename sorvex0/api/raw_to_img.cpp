// ISPFunc_RawToImg: the per-frame bookkeeping and the routing of every raw
// frame to the processing mode and output format asked for.

#include "frame/blank_image.h"
#include "exposure/exposure_loop.h"
#include "core/capture_control.h"
#include "core/frame_request.h"
#include "frame/full_pipeline.h"
#include "frame/mi1320_path.h"
#include "frame/preview_bitmap.h"
#include "frame/raw_repair.h"

namespace {

constexpr uint32_t kSnapshotCycle = 64;

// Serves an armed snapshot request with this frame (after its repairs).
void TakeSnapshot(IspContext *context, const FrameRequest &frame) {
  DbgPrint("Shutter Pic By Software\n");
  context->snapshotRequest = 0;
  const uint32_t number = context->snapshotSequence + 1;
  context->snapshotIndex = number;
  context->snapshotSequence = number % kSnapshotCycle;
  WriteRawSnapshot(context, frame.values, frame.captureWidth, frame.captureHeight,
                   frame.outputWidth, frame.outputHeight, frame.raw, number);
}

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
                                frame.captureWidth, frame.captureHeight);
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
  if (context->sensorId == kSensorMi1320) {
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

extern "C" SORVEX_EXPORT void SORVEX_CALL ISPFunc_RawToImg(
    IspContext *context, SorvexDevice device, uint32_t outputFormat, uint32_t p1, uint32_t p2,
    uint32_t p3, uint32_t p4, uint32_t p5, uint32_t p6, uint32_t p7, uint32_t p8, uint32_t p9,
    uint8_t *destination, uint8_t *rawFrame, uint32_t outputWidth, uint32_t outputHeight) {
  if (context == nullptr) return;
  const FrameRequest frame = {device,      outputFormat,          {{p1, p2, p3, p4, p5, p6, p7, p8, p9}},
                              destination, rawFrame,              outputWidth,
                              outputHeight, context->captureWidth, context->captureHeight};
  context->outputFormat = outputFormat;
  RecordFrameTime(context);
  const bool restartBlank = AdvanceRestartSequence(context, device);
  if (rawFrame != nullptr) {
    RepairRawFrame(context->sensorId, rawFrame, frame.captureWidth, frame.captureHeight, outputWidth);
  }
  if (context->blankFrameCount != 0 || restartBlank) {
    WriteBlankImage(destination, outputFormat, outputWidth, outputHeight);
    if (context->blankFrameCount != 0) --context->blankFrameCount;
    return;
  }
  if (rawFrame == nullptr || destination == nullptr) return;
  if (context->snapshotRequest != 0) TakeSnapshot(context, frame);
  // Without its conversion library (it failed to start) the camera can
  // show only black frames.
  if (context->conversionOps == nullptr) {
    WriteBlankImage(destination, outputFormat, outputWidth, outputHeight);
    return;
  }
  RouteFrame(context, frame);
}
