#include "image_exports.h"
#include "sorvex1.h"

using driverrunner::ImageExport;

namespace {

ImageExport init("sorvex1.sys", "FUNC_Init");
ImageExport exit_("sorvex1.sys", "FUNC_Exit");
ImageExport rawToYuv("sorvex1.sys", "FUNC_RawToYuv");
ImageExport rawToI420("sorvex1.sys", "FUNC_RawToI420");
ImageExport rawToBmp("sorvex1.sys", "FUNC_RawToBmp");
ImageExport yuvToBmp("sorvex1.sys", "FUNC_YuvToBmp");
ImageExport yuvToI420("sorvex1.sys", "FUNC_YuvToI420");

}  // namespace

extern "C" {

ConversionOps *SORVEX1_CALL FUNC_Init(void) {
  return reinterpret_cast<ConversionOps *>(static_cast<uintptr_t>(init()));
}

void SORVEX1_CALL FUNC_Exit(ConversionOps *ops) { exit_(ops); }

void SORVEX1_CALL FUNC_RawToYuv(ConversionOps *ops, uint8_t *raw, int32_t sourceWidth, int32_t sourceHeight,
                                uint8_t *destination, int32_t width, int32_t height) {
  rawToYuv(ops, raw, sourceWidth, sourceHeight, destination, width, height);
}

void SORVEX1_CALL FUNC_RawToI420(ConversionOps *ops, uint8_t *raw, int32_t sourceWidth, int32_t sourceHeight,
                                 uint8_t *destination, int32_t width, int32_t height) {
  rawToI420(ops, raw, sourceWidth, sourceHeight, destination, width, height);
}

void SORVEX1_CALL FUNC_RawToBmp(ConversionOps *ops, uint8_t *raw, int32_t sourceWidth, int32_t sourceHeight,
                                uint8_t *destination, int32_t width, int32_t height) {
  rawToBmp(ops, raw, sourceWidth, sourceHeight, destination, width, height);
}

void SORVEX1_CALL FUNC_YuvToBmp(ConversionOps *ops, const uint8_t *yuyv, int32_t width, int32_t height,
                                uint8_t *destination) {
  yuvToBmp(ops, yuyv, width, height, destination);
}

void SORVEX1_CALL FUNC_YuvToI420(ConversionOps *ops, const uint8_t *yuyv, int32_t width, int32_t height,
                                 uint8_t *destination) {
  yuvToI420(ops, yuyv, width, height, destination);
}

}  // extern "C"
