// The source side of the YUYV conversions. When the destination size differs
// from the source, each destination line is the nearest source line,
// resized across by nearest samples: the YUYV paths are for frames already
// at their final size, and the raw conversion is where quality resampling
// happens.
#pragma once

#include <stdint.h>

#include "library_state.h"

namespace sorvex1 {

struct YuyvFrame {
  const uint8_t *pixels;
  int32_t width;
  int32_t height;
};

// Line y of `source` at the destination size: a pointer into the source when
// the widths agree, otherwise `scratch` (2 * width bytes) filled by sampling.
const uint8_t *YuyvLineAtSize(const YuyvFrame &source, int32_t width, int32_t height, int32_t y,
                              uint8_t *scratch);

// The scratch that `lines` lines at the destination width need: none when
// the widths agree (the lines are the source's own), so that a frame at its
// own size converts without asking the pool for anything. Null when the pool
// is short; `enough` says whether the conversion can go ahead.
uint8_t *ReserveResizeScratch(LibraryState *state, const YuyvFrame &source, int32_t width, int32_t lines,
                              bool *enough);
const uint8_t *YuyvLineAtSize(const YuyvFrame &source, int32_t width, int32_t height, int32_t y,
                              uint8_t *scratch);

}  // namespace sorvex1
