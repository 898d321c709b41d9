// YUYV to I420: the Y plane (width x height), then U, then V.
//
// The chroma planes are (width/2) x (height/2), rounded down, so that the
// whole image fits in width*height*3/2 bytes rounded down, which is what
// callers allocate for odd sizes too. A last odd column or line therefore has
// luma only. Each chroma sample is the rounded mean of the two YUYV lines it
// covers; horizontally it keeps YUYV's siting (one sample per pixel pair).
#include "kernel_section.h"
#include "library_state.h"
#include "pixel_math.h"
#include "slots.h"
#include "yuyv_row.h"
#include "yuyv_source.h"

namespace sorvex1 {
namespace {

struct I420Planes {
  uint8_t *y;
  uint8_t *u;
  uint8_t *v;
  int32_t chromaWidth;
};

I420Planes PlanesOf(uint8_t *image, int32_t width, int32_t height) {
  const int32_t chromaWidth = width / 2;
  const size_t lumaBytes = LineOffset(height, width);
  const size_t chromaBytes = LineOffset(height / 2, chromaWidth);
  return {image, image + lumaBytes, image + lumaBytes + chromaBytes, chromaWidth};
}

void YuyvToI420(LibraryState *state, const RowKernels &kernels, const uint8_t *yuyv, int32_t sourceWidth,
                int32_t sourceHeight, uint8_t *destination, int32_t width, int32_t height) {
  if (state == nullptr || yuyv == nullptr || destination == nullptr) return;
  if (!IsValidFrameSize(sourceWidth, sourceHeight) || !IsValidFrameSize(width, height)) return;
  const size_t lineBytes = static_cast<size_t>(width) * 2;
  const YuyvFrame source = {yuyv, sourceWidth, sourceHeight};
  bool enough = false;
  uint8_t *scratch = ReserveResizeScratch(state, source, width, 2, &enough);
  if (!enough) return;
  const I420Planes planes = PlanesOf(destination, width, height);
  for (int32_t y = 0; y < height; y += 2) {
    const uint8_t *upper = YuyvLineAtSize(source, width, height, y, scratch);
    if (y + 1 == height) {
      YuyvToLumaLine(upper, width, planes.y + LineOffset(y, width));
      break;
    }
    // No scratch at the source's own width (the lines are its own).
    const uint8_t *lower =
        YuyvLineAtSize(source, width, height, y + 1, scratch != nullptr ? scratch + lineBytes : nullptr);
    const size_t chromaOffset = LineOffset(y / 2, planes.chromaWidth);
    YuyvLinePairToI420(kernels, upper, lower, width,
                       {planes.y + LineOffset(y, width), planes.y + LineOffset(y + 1, width),
                        planes.u + chromaOffset, planes.v + chromaOffset});
  }
}

}  // namespace

void SORVEX1_CALL ConvertYuyvToI420(void *userData, const uint8_t *yuyv, int32_t sourceWidth,
                                    int32_t sourceHeight, uint8_t *destination, int32_t width,
                                    int32_t height) {
  LibraryState *state = StateFromUserData(userData);
  if (state == nullptr) return;
  const KernelSection section(state);
  YuyvToI420(state, section.kernels(), yuyv, sourceWidth, sourceHeight, destination, width, height);
}

}  // namespace sorvex1
