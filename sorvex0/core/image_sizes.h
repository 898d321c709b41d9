// Sizes of the images the library writes, in one place.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "sorvex0.h"

namespace sorvex0 {

// Bytes of an image of the format: W x H x 3 for bitmaps (and every code
// outside YUYV and I420), W x H x 2 for YUYV, W x H x 3 / 2 for I420.
inline size_t ImageBytes(uint32_t outputFormat, uint32_t width, uint32_t height) {
  const size_t pixels = static_cast<size_t>(width) * height;
  switch (outputFormat) {
    case SORVEX_FORMAT_YUYV:
      return pixels * 2;
    case SORVEX_FORMAT_I420:
      return pixels * 3 / 2;
    default:
      return pixels * 3;
  }
}

}  // namespace sorvex0
