#include "frame/full_pipeline.h"

#include "core/sensor_table.h"
#include "exposure/exposure_loop.h"
#include "frame/bayer_decimation.h"
#include "frame/blank_image.h"
#include "core/image_sizes.h"
#include "core/kernel_section.h"
#include "frame/lens_shading.h"
#include "frame/low_light_mappings.h"
#include "frame/nearest_resize.h"
#include "frame/tracking_window.h"
#include "core/working_buffers.h"
#include "frame/zoom_window.h"
#include "zoom/zoom.h"

namespace sorvex0 {

namespace {

constexpr uint32_t kYuyvBytes = 2;

// The sizes of one frame as it is halved, planned and enlarged.
struct FrameGeometry {
  uint32_t captureWidth;   // the raw frame, after any halving
  uint32_t captureHeight;
  uint32_t width;          // the image the stages produce, before the final enlargement
  uint32_t height;
  bool fixedEnlargement;   // S5K4AA 1280 x 960 to 1600 x 1200
  bool doubling;           // generic: the sensor captured fewer pixels than asked for
};

int32_t Signed(uint32_t value) { return static_cast<int32_t>(value); }

// Halving of oversized frames, the exposure step, and the enlargement plan.
FrameGeometry PrepareFrame(IspContext *context, const FrameRequest &frame, uint32_t outputWidth,
                           uint32_t outputHeight) {
  FrameGeometry g = {frame.captureWidth, frame.captureHeight, outputWidth, outputHeight, false, false};
  if (outputWidth * 2 < g.captureWidth) {
    DecimateBayer(frame.raw, g.captureWidth, g.captureHeight, KernelVectorSets(context));
    g.captureWidth /= 2;
    g.captureHeight /= 2;
  }
  RunExposureStep(context, frame.device, frame.values, frame.raw, g.captureWidth, g.captureHeight);

  context->upscalePending = 0;
  if (SensorOf(context).enlarges1280x960To1600x1200 && outputWidth == 1600) {
    g.captureWidth = 1280;
    g.captureHeight = 960;
    g.width = 1280;
    g.height = 960;
    g.fixedEnlargement = true;
    context->upscalePending = 1;
  } else if (outputWidth > g.captureWidth) {
    context->upscaleWidth = Signed(outputWidth);
    context->upscaleHeight = Signed(outputHeight);
    g.width = g.captureWidth;
    g.height = g.captureHeight;
    g.doubling = true;
    context->upscalePending = 1;
  }
  return g;
}

// The S5K4AA's fixed enlargement needs a raw frame of 1280 x 960 behind it.
bool GeometryFitsRawFrame(const FrameRequest &frame, const FrameGeometry &g) {
  return static_cast<uint64_t>(g.captureWidth) * g.captureHeight <=
         static_cast<uint64_t>(frame.captureWidth) * frame.captureHeight;
}

// Height trimming: the last lines of a conversion are the weakest, so a
// source of 1, 2 or 4 times the output height is converted two output lines
// short and the bottom lines are filled afterwards.
uint32_t TrimmedSourceHeight(uint32_t sourceHeight, uint32_t height, bool *trimmed) {
  *trimmed = true;
  if (sourceHeight == height) return sourceHeight - 2;
  if (sourceHeight == 2 * height) return sourceHeight - 4;
  if (sourceHeight == 4 * height) return sourceHeight - 8;
  *trimmed = false;
  return sourceHeight;
}

void CopyYuyvLine(uint8_t *image, uint32_t width, uint32_t from, uint32_t to) {
  const size_t line = static_cast<size_t>(width) * kYuyvBytes;
  RtlCopyMemory(image + to * line, image + from * line, line);
}

// Lines H-1 and H-2 repeat line H-3, then line H-3 repeats line H-4.
void FillBottomLines(uint8_t *image, uint32_t width, uint32_t height) {
  if (height < 4) return;
  CopyYuyvLine(image, width, height - 3, height - 1);
  CopyYuyvLine(image, width, height - 3, height - 2);
  CopyYuyvLine(image, width, height - 4, height - 3);
}

// The conversion itself, into `image` (W x H YUYV): the library's Bayer
// conversion of the (trimmed) source, the bottom lines filled, then the
// frame filter.
void ConvertAndFilter(IspContext *context, const FrameRequest &frame, uint8_t *image, uint32_t width,
                      uint32_t height, uint32_t sourceWidth, uint32_t sourceHeight) {
  ConversionOps *ops = context->conversionOps;
  bool trimmed = false;
  uint32_t convertHeight = height;
  uint32_t sourceLines = sourceHeight;
  if (height > 2) {
    sourceLines = TrimmedSourceHeight(sourceHeight, height, &trimmed);
    if (trimmed) convertHeight = height - 2;
  }
  // Negated sizes ask the library to reduce a larger source with care.
  const bool reduce = sourceWidth > width && width > 320;
  const int32_t w = reduce ? -Signed(sourceWidth) : Signed(sourceWidth);
  const int32_t h = reduce ? -Signed(sourceLines) : Signed(sourceLines);
  ops->convertRawToYuyv(ops->userData, frame.raw, w, h, image, Signed(width), Signed(convertHeight));
  FillBottomLines(image, width, height);

  const uint32_t strength = MapFilterStrength(context, frame.values.filterStrength);
  if (context->deNoise != 0 && width > 0 && height > 0) {
    ops->filterFrameDenoise(ops->userData, image, Signed(width), Signed(height), strength);
  } else {
    ops->filterFrame(ops->userData, image, Signed(width), Signed(height), strength);
  }
}

// The whole raw frame, converted at g.width x g.height into `target`.
void ConvertWholeFrame(IspContext *context, const FrameRequest &frame, const FrameGeometry &g,
                       uint8_t *target) {
  ConvertRawToFilteredYuyv(context, frame, target, g.width, g.height, g.captureWidth, g.captureHeight,
                           g.captureWidth, g.captureHeight);
}

// Without face tracking the centred window of `zoom` is cut from the raw
// frame before it is converted.
ZoomWindowCut CutRawZoomWindow(const IspContext *context, const FrameRequest &frame,
                               const FrameGeometry &g) {
  return CropZoomWindow(context->zoom, kCentredWindow, kCentredWindow, 1, frame.raw, g.captureWidth,
                        g.captureHeight, g.width, g.height);
}

// Produces the YUYV image of the frame at g.width x g.height into `target`
// (which holds at least that): with face tracking the whole frame is
// converted, tracked, and the tracking window cut and zoomed; without it the
// zoom window is cut from the raw frame, converted and zoomed back.
bool ProduceYuyv(IspContext *context, const FrameRequest &frame, const FrameGeometry &g,
                 uint8_t *target) {
  if (context->faceTracking != 0) {
    ConvertWholeFrame(context, frame, g, target);
    TrackAndZoomYuyv(context, target, g.width, g.height);
    return true;
  }
  const ZoomWindowCut cut = CutRawZoomWindow(context, frame, g);
  ConvertRawToFilteredYuyv(context, frame, target, cut.windowWidth, cut.windowHeight, cut.cutWidth,
                           cut.cutHeight, g.captureWidth, g.captureHeight);
  ZoomYuyv(context->zoom, target, cut.windowWidth, cut.windowHeight, g.width, g.height, cut.a, cut.b,
           KernelVectorSets(context));
  return true;
}

// Converts the YUYV image in the work buffer (W x H) to a bitmap straight
// into `target`, which holds at least that.
void WorkToBitmap(IspContext *context, uint32_t width, uint32_t height, uint8_t *target) {
  ConversionOps *ops = context->conversionOps;
  ops->convertYuyvToBitmap(ops->userData, context->workBuffer, Signed(width), Signed(height), target,
                           Signed(width), Signed(height));
}

// Produces the bitmap of the frame at g.width x g.height into `target`,
// through the work buffer (YUYV), with the zoom window or the tracking
// window framing it.
bool ProduceBitmap(IspContext *context, const FrameRequest &frame, const FrameGeometry &g,
                   uint8_t *target) {
  ZoomWindowCut cut;
  uint32_t level = context->zoom;
  if (context->faceTracking != 0) {
    if (!EnsureWorkBuffer(context, Signed(g.width), Signed(g.height))) return false;
    ConvertWholeFrame(context, frame, g, context->workBuffer);
    level = context->trackZoomLevel;
    cut = CutTrackingWindow(context, context->workBuffer, g.width, g.height);
  } else {
    cut = CutRawZoomWindow(context, frame, g);
    ApplyLensShading(context, frame.raw, cut.cutWidth, cut.cutHeight, g.captureWidth,
                     g.captureHeight);
    if (!EnsureWorkBuffer(context, Signed(cut.windowWidth), Signed(cut.windowHeight))) return false;
    ConvertAndFilter(context, frame, context->workBuffer, cut.windowWidth, cut.windowHeight,
                     cut.cutWidth, cut.cutHeight);
  }
  WorkToBitmap(context, cut.windowWidth, cut.windowHeight, target);
  ZoomBitmap(level, target, cut.windowWidth, cut.windowHeight, g.width, g.height, cut.a, cut.b,
             KernelVectorSets(context));
  if (context->faceTracking != 0) {
    UpdateTrackingWindow(context, g.width, g.height, cut.windowWidth, cut.windowHeight);
  }
  return true;
}

bool NeedsEnlargement(const FrameGeometry &g) { return g.fixedEnlargement || g.doubling; }

// The enlargement kernels work in place when the target is exactly the
// planned size; any other target gets the image resized to fill it.
bool EnlargesInPlace(const FrameGeometry &g, uint32_t targetWidth, uint32_t targetHeight) {
  if (g.fixedEnlargement) return targetWidth == 1600 && targetHeight == 1200;
  return targetWidth == 2 * g.width && targetHeight == 2 * g.height;
}

void EnlargeYuyvInPlace(const IspContext *context, const FrameGeometry &g, uint8_t *target) {
  if (g.fixedEnlargement) {
    EnlargeYuyv1280x960To1600x1200(target, KernelVectorSets(context));
  } else {
    DoubleYuyv(target, g.width, g.height, KernelVectorSets(context));
  }
}

void EnlargeBitmapInPlace(const IspContext *context, const FrameGeometry &g, uint8_t *target) {
  if (g.fixedEnlargement) {
    EnlargeBitmap1280x960To1600x1200(target, KernelVectorSets(context));
  } else {
    DoubleBitmap(target, g.width, g.height, KernelVectorSets(context));
  }
}

// A working buffer for an image that is resized into the target afterwards:
// the stage buffer, or the work buffer when the target is the stage buffer.
uint8_t *IntermediateImage(IspContext *context, const FrameGeometry &g, uint8_t *target) {
  if (target == context->stageBuffer) {
    return EnsureWorkBuffer(context, Signed(g.width), Signed(g.height)) ? context->workBuffer : nullptr;
  }
  // Three bytes a pixel hold a bitmap or a YUYV image.
  return EnsureStageBuffer(context, Signed(g.width), Signed(g.height)) ? context->stageBuffer : nullptr;
}

// The YUYV variant into any target of targetWidth x targetHeight.
bool RunYuyvVariant(IspContext *context, const FrameRequest &frame, uint8_t *target,
                    uint32_t targetWidth, uint32_t targetHeight) {
  const FrameGeometry g = PrepareFrame(context, frame, targetWidth, targetHeight);
  if (!GeometryFitsRawFrame(frame, g)) return false;
  if (!NeedsEnlargement(g)) return ProduceYuyv(context, frame, g, target);
  if (EnlargesInPlace(g, targetWidth, targetHeight)) {
    if (!ProduceYuyv(context, frame, g, target)) return false;
    EnlargeYuyvInPlace(context, g, target);
    return true;
  }
  uint8_t *image = IntermediateImage(context, g, target);
  if (image == nullptr || !ProduceYuyv(context, frame, g, image)) return false;
  ResizeYuyvNearest(image, g.width, g.height, target, targetWidth, targetHeight);
  return true;
}

}  // namespace

void ConvertRawToFilteredYuyv(IspContext *context, const FrameRequest &frame, uint8_t *target,
                              uint32_t width, uint32_t height, uint32_t sourceWidth,
                              uint32_t sourceHeight, uint32_t frameWidth, uint32_t frameHeight) {
  ApplyLensShading(context, frame.raw, sourceWidth, sourceHeight, frameWidth, frameHeight);
  ConvertAndFilter(context, frame, target, width, height, sourceWidth, sourceHeight);
}

bool RunYuyvPipelineInto(IspContext *context, const FrameRequest &frame, uint8_t *target) {
  return RunYuyvVariant(context, frame, target, frame.outputWidth, frame.outputHeight);
}

void RunYuyvPipeline(IspContext *context, const FrameRequest &frame) {
  if (!RunYuyvPipelineInto(context, frame, frame.destination)) {
    WriteBlankImage(frame.destination, SORVEX_FORMAT_YUYV, frame.outputWidth, frame.outputHeight);
  }
}

void RunRgb24Pipeline(IspContext *context, const FrameRequest &frame) {
  const FrameGeometry g = PrepareFrame(context, frame, frame.outputWidth, frame.outputHeight);
  bool done = GeometryFitsRawFrame(frame, g);
  if (done && NeedsEnlargement(g) && !EnlargesInPlace(g, frame.outputWidth, frame.outputHeight)) {
    // The bitmap is made at the captured size in the stage buffer, sized
    // for the whole image first so that no later use moves it, then resized
    // into the destination.
    uint8_t *image =
        EnsureStageBuffer(context, Signed(g.width), Signed(g.height)) ? context->stageBuffer : nullptr;
    done = image != nullptr && ProduceBitmap(context, frame, g, image);
    if (done) ResizeBgrNearest(image, g.width, g.height, frame.destination, frame.outputWidth,
                               frame.outputHeight);
  } else if (done) {
    done = ProduceBitmap(context, frame, g, frame.destination);
    if (done && NeedsEnlargement(g)) EnlargeBitmapInPlace(context, g, frame.destination);
  }
  if (!done) WriteBlankImage(frame.destination, frame.outputFormat, frame.outputWidth, frame.outputHeight);
}

void RunI420Pipeline(IspContext *context, const FrameRequest &frame) {
  const int32_t width = Signed(frame.outputWidth);
  const int32_t height = Signed(frame.outputHeight);
  const bool done = EnsureStageBuffer(context, width, height) &&
                    RunYuyvPipelineInto(context, frame, context->stageBuffer);
  if (!done) {
    WriteBlankImage(frame.destination, SORVEX_FORMAT_I420, frame.outputWidth, frame.outputHeight);
    return;
  }
  // The YUYV image in the stage buffer, to I420 straight into the destination.
  ConversionOps *ops = context->conversionOps;
  ops->convertYuyvToI420(ops->userData, context->stageBuffer, width, height, frame.destination, width,
                         height);
}

}  // namespace sorvex0
