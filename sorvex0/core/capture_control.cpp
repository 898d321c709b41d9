#include "core/capture_control.h"

#include "exposure/exposure_loop.h"
#include "core/pool_buffer.h"
#include "face/face_work_area.h"
#include "core/register_access.h"

namespace {

struct CaptureSize {
  uint32_t width;
  uint32_t height;
};

uint32_t LowSystemTime() {
  LARGE_INTEGER now;
  KeQuerySystemTime(&now);
  return static_cast<uint32_t>(now.QuadPart);
}

// The size the sensor captures for a requested size: at full speed the bus
// carries only small frames; at high speed small requests are captured
// larger and reduced, which gives cleaner pictures.
CaptureSize ChooseCaptureSize(const IspContext *context, uint32_t width, uint32_t height) {
  if (context->highSpeed == 0) {
    if (context->sensorId == kSensorMo4000) return {640, 480};
    return {320, 240};
  }
  if (width == 160) return {640, 4 * height};
  if (width == 320) return {640, 2 * height};
  if (width == 640 && context->ssbs != 0) return {1280, 2 * height};
  if (width == 800 && context->ssbs != 0) return {1600, 2 * height};
  if (context->sensorId == kSensorS5k4aa && width == 1600) return {1280, 960};
  if (context->sensorId == kSensorMo4000 && width == 1280) return {640, 480};
  return {width, height};
}

const char *FormatScriptName(uint32_t outputFormat, const char *rgb24, const char *yuyv,
                             const char *i420) {
  switch (outputFormat) {
    case SORVEX_FORMAT_RGB24:
      return rgb24;
    case SORVEX_FORMAT_YUYV:
      return yuyv;
    case SORVEX_FORMAT_I420:
      return i420;
    default:
      return nullptr;
  }
}

// The mode script "HS\<format>\<size>" for a capture width, or null for a
// format or width that has none.
const char *ModeScriptForWidth(uint32_t outputFormat, uint32_t captureWidth) {
  switch (captureWidth) {
    case 320:
      return FormatScriptName(outputFormat, "HS\\RGB24\\160", "HS\\YUYV\\160", "HS\\I420\\160");
    case 640:
      return FormatScriptName(outputFormat, "HS\\RGB24\\640", "HS\\YUYV\\640", "HS\\I420\\640");
    case 800:
      return FormatScriptName(outputFormat, "HS\\RGB24\\800", "HS\\YUYV\\800", "HS\\I420\\800");
    case 1280:
      return FormatScriptName(outputFormat, "HS\\RGB24\\1280A", "HS\\YUYV\\1280A", "HS\\I420\\1280A");
    case 1600:
      return FormatScriptName(outputFormat, "HS\\RGB24\\1600", "HS\\YUYV\\1600", "HS\\I420\\1600");
    default:
      return nullptr;
  }
}

void SendModeScript(IspContext *context, SorvexDevice device, const char *name) {
  if (name != nullptr && context->selectSensorMode != nullptr) context->selectSensorMode(device, name);
}

// The tracker starts each stream looking at the whole requested frame.
void ResetFaceTracking(IspContext *context) {
  if (context->faceWorkArea == nullptr) context->faceWorkArea = AllocatePoolBuffer(kFaceWorkAreaBytes);
  uint8_t *area = context->faceWorkArea;
  if (area != nullptr) {
    TrackBox *box = FaceTrackBox(area);
    box->left = 0;
    box->right = static_cast<int32_t>(context->requestedWidth & 0xFFFF) - 1;
    box->top = 0;
    box->bottom = static_cast<int32_t>(context->requestedHeight & 0xFFFF) - 1;
    *FacePhaseSlot(area) = 0;
    *FaceLockFlag(area) = 0;
    *FaceReservedFlag(area) = 0;
  }
  context->trackZoomLevel = 0;
  context->trackWindowX = 0;
  context->trackWindowY = 0;
}

}  // namespace

uint32_t BlankCountForFormat(uint32_t outputFormat) {
  return (outputFormat == SORVEX_FORMAT_YUYV || outputFormat == SORVEX_FORMAT_I420) ? 3 : 5;
}

void ResetBlankCount(IspContext *context) {
  context->blankFrameCount = BlankCountForFormat(context->outputFormat);
}

extern "C" {

SORVEX_EXPORT void SORVEX_CALL ISPFunc_StartCapture(IspContext *context, SorvexDevice device,
                                                    uint32_t outputFormat, uint32_t width,
                                                    uint32_t height, uint32_t *captureWidth,
                                                    uint32_t *captureHeight) {
  if (context == nullptr) return;
  context->outputFormat = outputFormat;
  context->lastFrameTime = LowSystemTime();
  context->frameIntervalCount = -1;
  context->frameIntervalSum = 0;
  context->frameIntervalIndex = 0;
  ResetBlankCount(context);
  context->lowLight = 0;

  const CaptureSize capture = ChooseCaptureSize(context, width, height);
  if (captureWidth != nullptr) *captureWidth = capture.width;
  if (captureHeight != nullptr) *captureHeight = capture.height;
  context->captureWidth = capture.width;
  context->captureHeight = capture.height;
  context->requestedWidth = width;
  context->requestedHeight = height;

  if (context->sensorId == kSensorMi1320) {
    // The MI1320 always runs the full pipeline and loads no mode script.
    context->ipMode = 2;
  } else if (context->highSpeed != 0) {
    if (capture.width == 1280 && width == 640) {
      SendModeScript(context, device, ModeScriptForWidth(outputFormat, 1280));
    } else if (capture.width == 1600 && width == 800) {
      SendModeScript(context, device, ModeScriptForWidth(outputFormat, 1600));
    }
  }

  if (context->invertImage == 0) {
    ISPFunc_Rotate(context, device, context->flipHorizontal != 0, context->flipVertical != 0);
  }
  StartExposure(context, device);
  ResetFaceTracking(context);
}

SORVEX_EXPORT void SORVEX_CALL ISPFunc_StopCapture(IspContext *, SorvexDevice) {}

SORVEX_EXPORT void SORVEX_CALL ISPFunc_StreamStateNotify(IspContext *context, uint32_t,
                                                         uint32_t state) {
  if (context == nullptr) return;
  if (state == SORVEX_STREAM_STATE_RUN && context->captureWidth != context->requestedWidth) {
    context->restartCountdown = 6 * BlankCountForFormat(context->outputFormat);
  }
}

}  // extern "C"

void RestartCapture(IspContext *context, SorvexDevice device) {
  uint32_t width = 0;
  uint32_t height = 0;
  ISPFunc_StartCapture(context, device, context->outputFormat, context->requestedWidth,
                       context->requestedHeight, &width, &height);
  if (context->sensorId != kSensorMi1320 && context->sensorId != kSensorMi2020 &&
      context->captureWidth == context->requestedWidth) {
    SendModeScript(context, device, ModeScriptForWidth(context->outputFormat, context->captureWidth));
  }
  CommitEs2216Registers(context, device);
}

bool AdvanceRestartSequence(IspContext *context, SorvexDevice device) {
  if (context->restartCountdown == 0) return false;
  --context->restartCountdown;
  const uint32_t k = BlankCountForFormat(context->outputFormat);
  if (context->restartCountdown != k && context->restartCountdown != 0) return true;
  if (context->restartCountdown == k) {
    // Restart once at the requested size with the doubled capture off, then
    // again at the end with it restored.
    context->savedSsbs = context->ssbs;
    context->ssbs = 0;
  } else {
    context->ssbs = context->savedSsbs;
  }
  RestartCapture(context, device);
  return true;
}

void RecordFrameTime(IspContext *context) {
  const uint32_t now = LowSystemTime();
  if (context->frameIntervalCount >= 0) {
    const uint32_t slot = context->frameIntervalIndex % kFrameIntervalRing;
    if (context->frameIntervalCount >= static_cast<int32_t>(kFrameIntervalRing)) {
      context->frameIntervalSum -= context->frameIntervals[slot];
    }
    const uint32_t interval = now - context->lastFrameTime;
    context->frameIntervals[slot] = interval;
    context->frameIntervalSum += interval;
    context->frameIntervalIndex = (slot + 1) % kFrameIntervalRing;
  }
  context->lastFrameTime = now;
  if (context->frameIntervalCount < static_cast<int32_t>(kFrameIntervalRing)) {
    ++context->frameIntervalCount;
  }
}

uint32_t FrameRate(const IspContext *context) {
  if (context->frameIntervalCount < 2) return 0;
  const uint32_t tenMicroseconds = (context->frameIntervalSum + 5) / 10;
  // Frames stamped within one tick of the system clock add up to nothing; a
  // division by zero would stop the machine.
  if (tenMicroseconds == 0) return 0;
  return static_cast<uint32_t>(context->frameIntervalCount) * 100000000u / tenMicroseconds;
}
