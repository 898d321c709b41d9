// One call of ISPFunc_RawToImg, as the stages see it.
#pragma once

#include "core/isp_context.h"

namespace sorvex0 {

// The nine picture values the minidriver passes with every frame, in the
// order of the export's arguments. Percentages; 50 is neutral.
struct PictureValues {
  uint32_t brightness;
  uint32_t contrast;
  uint32_t saturation;
  uint32_t filterStrength;
  uint32_t chromaBalance;
  uint32_t unused;  // passed, stored in no record and read by nothing
  uint32_t gammaStrength;
  uint32_t exposureTargetScale;
  uint32_t colourEnable;  // 0 turns the colour off
};

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

// A raw frame as the exposure step sees it.
struct RawFrame {
  uint8_t *raw;
  uint32_t width;
  uint32_t height;
};

}  // namespace sorvex0
