#include "yuyv_source.h"

#include "pixel_math.h"
#include "yuyv_row.h"

namespace sorvex1 {

const uint8_t *YuyvLineAtSize(const YuyvFrame &source, int32_t width, int32_t height, int32_t y,
                              uint8_t *scratch) {
  const int32_t sourceY = NearestSourceIndex(y, source.height, height);
  const uint8_t *line = source.pixels + LineOffset(sourceY, 2 * source.width);
  if (source.width == width) return line;
  SampleYuyvLine(line, source.width, scratch, width);
  return scratch;
}

uint8_t *ReserveResizeScratch(LibraryState *state, const YuyvFrame &source, int32_t width, int32_t lines,
                              bool *enough) {
  if (source.width == width) {
    *enough = true;
    return nullptr;
  }
  uint8_t *scratch = ReserveScratch(&state->yuyvLines, static_cast<size_t>(width) * 2 * static_cast<size_t>(lines));
  *enough = scratch != nullptr;
  return scratch;
}

}  // namespace sorvex1
