#include "frame/tracking_window.h"

#include "core/pool_buffer.h"
#include "face/face_tracking.h"
#include "face/face_work_area.h"

namespace sorvex0 {

namespace {

constexpr int32_t kMaxTrackZoomLevel = 20;

int32_t Smaller(int32_t a, int32_t b) { return a < b ? a : b; }
int32_t Larger(int32_t a, int32_t b) { return a > b ? a : b; }

// The level one direction asks for: the box's extent with a third more room
// against the extent the window shows at `level`, with a margin of 1/12 of the
// frame either way.
int32_t LevelForExtent(int32_t level, int32_t boxExtent, int32_t frameExtent) {
  const int32_t wanted = boxExtent * 4 / 3;
  const int32_t margin = frameExtent / 12;
  const int32_t shown = (40 - level) * frameExtent / 40;
  if (wanted + margin < shown) return Smaller(level, kMaxTrackZoomLevel - 1) + 1;
  if (shown < wanted - margin) return Larger(level, 1) - 1;
  return level;
}

// 2, 4 or 8 toward the box centre when it lies more than 16, 32 or 64 pixels
// from the window centre; 0 within 16 pixels.
int32_t PanStep(int32_t boxCentre, int32_t windowCentre) {
  const int32_t offset = boxCentre - windowCentre;
  const int32_t distance = offset < 0 ? -offset : offset;
  int32_t step = 0;
  if (distance > 64) {
    step = 8;
  } else if (distance > 32) {
    step = 4;
  } else if (distance > 16) {
    step = 2;
  }
  return offset < 0 ? -step : step;
}

// One direction of the pan at the new level: forward no further than the
// frame extent the zoom leaves outside the window (less 2), back no further
// than 0.
int32_t PanPosition(int32_t position, int32_t level, int32_t frameExtent, int32_t boxLow,
                    int32_t boxHigh) {
  const int32_t windowCentre = position + (40 - level) * frameExtent / 80;
  const int32_t boxCentre = boxLow + (boxHigh - boxLow) / 2;
  const int32_t step = PanStep(boxCentre, windowCentre);
  if (step > 0) return Smaller(position + step, frameExtent * level / 40 - 2);
  if (step < 0) return Larger(position + step, 0);
  return position;
}

int32_t ClampWindowPosition(int32_t position, int32_t frameExtent, int32_t windowExtent) {
  const int32_t even = position - (position & 1);
  const int32_t limit = frameExtent - windowExtent - 2;
  if (limit < 0) return 0;
  return Smaller(Larger(even, 0), limit);
}

}  // namespace

void ResetTrackingWindow(IspContext *context) {
  if (context->faceWorkArea == nullptr) context->faceWorkArea = AllocatePoolBuffer(kFaceWorkAreaBytes);
  ResetFaceTracker(context->faceWorkArea, context->requestedWidth, context->requestedHeight);
  context->trackZoomLevel = 0;
  context->trackWindowX = 0;
  context->trackWindowY = 0;
}

void TrackFaceInFrame(IspContext *context, uint8_t *yuyv, uint32_t width, uint32_t height) {
  if (context == nullptr || context->faceWorkArea == nullptr) return;
  FaceTrackFrame(context->faceWorkArea, yuyv, width, height);
  if (context->faceDescription != 0) DrawTrackingBox(context->faceWorkArea, yuyv, width, height);
}

ZoomWindowCut CutTrackingWindow(IspContext *context, uint8_t *yuyv, uint32_t width, uint32_t height) {
  TrackFaceInFrame(context, yuyv, width, height);
  return CropZoomWindow(context->trackZoomLevel, context->trackWindowX, context->trackWindowY, 2,
                        yuyv, width, height, width, height);
}

void TrackAndZoomYuyv(IspContext *context, uint8_t *yuyv, uint32_t width, uint32_t height) {
  TrackFaceInFrame(context, yuyv, width, height);
  const ZoomWindowCut cut = ZoomYuyvWindow(context->trackZoomLevel, context->trackWindowX,
                                           context->trackWindowY, yuyv, width, height, yuyv, width,
                                           height);
  UpdateTrackingWindow(context, width, height, cut.windowWidth, cut.windowHeight);
}

void UpdateTrackingWindow(IspContext *context, uint32_t outputWidth, uint32_t outputHeight,
                          uint32_t windowWidth, uint32_t windowHeight) {
  if (context == nullptr || context->faceWorkArea == nullptr) return;
  const TrackBox &box = *FaceTrackBox(context->faceWorkArea);
  const int32_t w = static_cast<int32_t>(outputWidth);
  const int32_t h = static_cast<int32_t>(outputHeight);
  const int32_t level = static_cast<int32_t>(context->trackZoomLevel);

  const int32_t newLevel = Smaller(LevelForExtent(level, box.right - box.left, w),
                                   LevelForExtent(level, box.bottom - box.top, h));
  context->trackZoomLevel = static_cast<uint32_t>(newLevel);

  const int32_t x = PanPosition(context->trackWindowX, newLevel, w, box.left, box.right);
  const int32_t y = PanPosition(context->trackWindowY, newLevel, h, box.top, box.bottom);
  context->trackWindowX = ClampWindowPosition(x, w, static_cast<int32_t>(windowWidth));
  context->trackWindowY = ClampWindowPosition(y, h, static_cast<int32_t>(windowHeight));
}

}  // namespace sorvex0
