// One call of ISPFunc_RawToImg, as the stages see it.
#pragma once

#include "core/isp_context.h"
#include "store/raw_snapshot.h"

struct FrameRequest {
  SorvexDevice device;
  uint32_t outputFormat;
  PictureValues values;
  uint8_t *destination;
  uint8_t *raw;
  uint32_t outputWidth;
  uint32_t outputHeight;
  // The capture size this frame was taken at (read before a restart changes it).
  uint32_t captureWidth;
  uint32_t captureHeight;
};
