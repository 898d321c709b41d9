#include "core/conversion_library.h"

namespace sorvex0 {

namespace {

// Rows Y, U, V from R, G, B, scaled by 256; the fourth value is an offset.
constexpr int32_t kYuvMatrixBt601[12] = {66, 129, 25, 0, -38, -74, 112, 0, 112, -94, -18, 0};
constexpr int32_t kIdentityColorMatrix[12] = {256, 0, 0, 0, 0, 256, 0, 0, 0, 0, 256, 0};

}  // namespace

bool StartConversionLibrary(IspContext *context) {
  ConversionOps *ops = FUNC_Init();
  context->conversionOps = ops;
  if (ops == nullptr) return false;
  ops->setYuvMatrix(ops->userData, kYuvMatrixBt601);
  ops->setColorMatrix(ops->userData, kIdentityColorMatrix);
  return true;
}

void StopConversionLibrary(IspContext *context) {
  if (context->conversionOps == nullptr) return;
  FUNC_Exit(context->conversionOps);
  context->conversionOps = nullptr;
}

}  // namespace sorvex0
