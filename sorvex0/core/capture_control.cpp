#include "core/capture_control.h"

#include "core/frame_timing.h"
#include "core/register_access.h"
#include "core/sensor_table.h"

namespace sorvex0 {

namespace {

// The size the sensor captures for a requested size: at full speed the bus
// carries only small frames; at high speed small requests are captured
// larger and reduced, which gives cleaner pictures.
CaptureSize ChooseCaptureSize(const IspContext *context, uint32_t width, uint32_t height) {
  const SensorDescriptor &sensor = SensorOf(context);
  if (context->highSpeed == 0) return sensor.fullSpeedCapture;
  if (width == 160) return {640, 4 * height};
  if (width == 320) return {640, 2 * height};
  if (width == 640 && context->ssbs != 0) return {1280, 2 * height};
  if (width == 800 && context->ssbs != 0) return {1600, 2 * height};
  if (sensor.smallerCaptureWidth != 0 && width == sensor.smallerCaptureWidth) {
    return sensor.smallerCapture;
  }
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

}  // namespace

uint32_t BlankCountForFormat(uint32_t outputFormat) {
  return (outputFormat == SORVEX_FORMAT_YUYV || outputFormat == SORVEX_FORMAT_I420) ? 3 : 5;
}

void ResetBlankCount(IspContext *context) {
  context->blankFrameCount = BlankCountForFormat(context->outputFormat);
}

void BeginCapture(IspContext *context, SorvexDevice device, uint32_t outputFormat, uint32_t width,
                  uint32_t height, uint32_t *captureWidth, uint32_t *captureHeight) {
  context->outputFormat = outputFormat;
  ResetFrameTiming(context);
  ResetBlankCount(context);
  context->lowLight = 0;

  const CaptureSize capture = ChooseCaptureSize(context, width, height);
  if (captureWidth != nullptr) *captureWidth = capture.width;
  if (captureHeight != nullptr) *captureHeight = capture.height;
  context->captureWidth = capture.width;
  context->captureHeight = capture.height;
  context->requestedWidth = width;
  context->requestedHeight = height;

  if (SensorOf(context).ownProcessor) {
    // A sensor with its own processor always runs the full pipeline and
    // loads no mode script.
    context->ipMode = 2;
  } else if (context->highSpeed != 0) {
    if (capture.width == 1280 && width == 640) {
      SendModeScript(context, device, ModeScriptForWidth(outputFormat, 1280));
    } else if (capture.width == 1600 && width == 800) {
      SendModeScript(context, device, ModeScriptForWidth(outputFormat, 1600));
    }
  }
}

void FinishRestart(IspContext *context, SorvexDevice device) {
  if (SensorOf(context).restartModeScript && context->captureWidth == context->requestedWidth) {
    SendModeScript(context, device, ModeScriptForWidth(context->outputFormat, context->captureWidth));
  }
  CommitSensorRegisters(context, device);
}

void NoteStreamState(IspContext *context, uint32_t state) {
  if (state == SORVEX_STREAM_STATE_RUN && context->captureWidth != context->requestedWidth) {
    context->restartCountdown = 6 * BlankCountForFormat(context->outputFormat);
  }
}

RestartStep AdvanceRestartSequence(IspContext *context) {
  if (context->restartCountdown == 0) return RestartStep::kNone;
  --context->restartCountdown;
  const uint32_t k = BlankCountForFormat(context->outputFormat);
  if (context->restartCountdown != k && context->restartCountdown != 0) return RestartStep::kBlank;
  if (context->restartCountdown == k) {
    // Restart once at the requested size with the doubled capture off, then
    // again at the end with it restored.
    context->savedSsbs = context->ssbs;
    context->ssbs = 0;
  } else {
    context->ssbs = context->savedSsbs;
  }
  return RestartStep::kRestart;
}

}  // namespace sorvex0
