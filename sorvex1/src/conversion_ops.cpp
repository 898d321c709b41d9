// The library's exports: the operations table and the FUNC_* wrappers that
// call through it.
#include "kernel_section.h"
#include "library_state.h"
#include "pixel_math.h"
#include "slots.h"

namespace sorvex1 {
namespace {

void FillSlots(ConversionOps *ops) {
  ops->convertRawToYuyv = ConvertRawToYuyv;
  ops->convertYuyvToBitmap = ConvertYuyvToBitmap;
  ops->convertYuyvToI420 = ConvertYuyvToI420;
  ops->setColorMatrix = SetColourMatrix;
  ops->setYuvMatrix = SetYuvMatrix;
  ops->correctBadPixels = CorrectBadPixels;
  ops->applyShading = ApplyShading;
  ops->filterFrame = SharpenFrame;
  ops->filterFrameDenoise = DenoiseFrame;
}

// Raw to YUYV in the state's intermediate frame; null when the sizes are
// unusable or the pool is short.
const uint8_t *RawToYuyvFrame(ConversionOps *ops, uint8_t *raw, int32_t sourceWidth, int32_t sourceHeight,
                              int32_t width, int32_t height) {
  if (raw == nullptr || !IsValidFrameSize(width, height)) return nullptr;
  LibraryState *state = StateFromOps(ops);
  uint8_t *yuyv = ReserveScratch(&state->yuyvFrame, LineOffset(height, 2 * width));
  if (yuyv == nullptr) return nullptr;
  ops->convertRawToYuyv(ops->userData, raw, sourceWidth, sourceHeight, yuyv, width, height);
  return yuyv;
}

}  // namespace
}  // namespace sorvex1

using sorvex1::LibraryState;

extern "C" {

SORVEX1_EXPORT ConversionOps *SORVEX1_CALL FUNC_Init(void) {
  LibraryState *state = sorvex1::CreateLibraryState();
  if (state == nullptr) return nullptr;
  sorvex1::FillSlots(&state->ops);
  return &state->ops;
}

SORVEX1_EXPORT void SORVEX1_CALL FUNC_Exit(ConversionOps *ops) {
  if (ops != nullptr) sorvex1::DestroyLibraryState(sorvex1::StateFromOps(ops));
}

// The wrappers call through the table. Each runs in one kernel section, so
// that a wrapper calling two slots saves the vector state once.
SORVEX1_EXPORT void SORVEX1_CALL FUNC_RawToYuv(ConversionOps *ops, uint8_t *raw, int32_t sourceWidth,
                                               int32_t sourceHeight, uint8_t *destination, int32_t width,
                                               int32_t height) {
  if (ops == nullptr) return;
  const sorvex1::KernelSection section(sorvex1::StateFromOps(ops));
  ops->convertRawToYuyv(ops->userData, raw, sourceWidth, sourceHeight, destination, width, height);
}

SORVEX1_EXPORT void SORVEX1_CALL FUNC_RawToI420(ConversionOps *ops, uint8_t *raw, int32_t sourceWidth,
                                                int32_t sourceHeight, uint8_t *destination, int32_t width,
                                                int32_t height) {
  if (ops == nullptr) return;
  const sorvex1::KernelSection section(sorvex1::StateFromOps(ops));
  const uint8_t *yuyv = sorvex1::RawToYuyvFrame(ops, raw, sourceWidth, sourceHeight, width, height);
  if (yuyv == nullptr) return;
  ops->convertYuyvToI420(ops->userData, yuyv, width, height, destination, width, height);
}

SORVEX1_EXPORT void SORVEX1_CALL FUNC_RawToBmp(ConversionOps *ops, uint8_t *raw, int32_t sourceWidth,
                                               int32_t sourceHeight, uint8_t *destination, int32_t width,
                                               int32_t height) {
  if (ops == nullptr) return;
  const sorvex1::KernelSection section(sorvex1::StateFromOps(ops));
  const uint8_t *yuyv = sorvex1::RawToYuyvFrame(ops, raw, sourceWidth, sourceHeight, width, height);
  if (yuyv == nullptr) return;
  ops->convertYuyvToBitmap(ops->userData, yuyv, width, height, destination, width, height);
}

SORVEX1_EXPORT void SORVEX1_CALL FUNC_YuvToBmp(ConversionOps *ops, const uint8_t *yuyv, int32_t width,
                                               int32_t height, uint8_t *destination) {
  if (ops == nullptr) return;
  const sorvex1::KernelSection section(sorvex1::StateFromOps(ops));
  ops->convertYuyvToBitmap(ops->userData, yuyv, width, height, destination, width, height);
}

SORVEX1_EXPORT void SORVEX1_CALL FUNC_YuvToI420(ConversionOps *ops, const uint8_t *yuyv, int32_t width,
                                                int32_t height, uint8_t *destination) {
  if (ops == nullptr) return;
  const sorvex1::KernelSection section(sorvex1::StateFromOps(ops));
  ops->convertYuyvToI420(ops->userData, yuyv, width, height, destination, width, height);
}

}  // extern "C"
