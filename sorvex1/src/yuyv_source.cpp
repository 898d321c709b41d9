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

}  // namespace sorvex1
