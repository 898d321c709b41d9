// YUYV to a 24-bit BGR bitmap, stored bottom-up: the first line of the
// bitmap is the bottom line of the picture. Lines are 3 * width bytes.
#include "kernel_section.h"
#include "library_state.h"
#include "pixel_math.h"
#include "slots.h"
#include "yuyv_row.h"
#include "yuyv_source.h"

namespace sorvex1 {

namespace {

void YuyvToBitmap(LibraryState *state, const RowKernels &kernels, const uint8_t *yuyv, int32_t sourceWidth,
                  int32_t sourceHeight, uint8_t *destination, int32_t width, int32_t height) {
  if (state == nullptr || yuyv == nullptr || destination == nullptr) return;
  if (!IsValidFrameSize(sourceWidth, sourceHeight) || !IsValidFrameSize(width, height)) return;
  const YuyvFrame source = {yuyv, sourceWidth, sourceHeight};
  bool enough = false;
  uint8_t *scratch = ReserveResizeScratch(state, source, width, 1, &enough);
  if (!enough) return;
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t *line = YuyvLineAtSize(source, width, height, y, scratch);
    YuyvToBgrLine(kernels, line, width, destination + LineOffset(height - 1 - y, 3 * width));
  }
}

}  // namespace

void SORVEX1_CALL ConvertYuyvToBitmap(void *userData, const uint8_t *yuyv, int32_t sourceWidth,
                                      int32_t sourceHeight, uint8_t *destination, int32_t width,
                                      int32_t height) {
  LibraryState *state = StateFromUserData(userData);
  if (state == nullptr) return;
  const KernelSection section(state);
  YuyvToBitmap(state, section.kernels(), yuyv, sourceWidth, sourceHeight, destination, width, height);
}

}  // namespace sorvex1
