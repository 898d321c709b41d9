#include "image_exports.h"
#include "sorvex0.h"

using driverrunner::ImageExport;
using driverrunner::Word;

namespace {

ImageExport init("sorvex0.sys", "ISPFunc_Init");
ImageExport exit_("sorvex0.sys", "ISPFunc_Exit");
ImageExport startCapture("sorvex0.sys", "ISPFunc_StartCapture");
ImageExport stopCapture("sorvex0.sys", "ISPFunc_StopCapture");
ImageExport streamStateNotify("sorvex0.sys", "ISPFunc_StreamStateNotify");
ImageExport rawToImg("sorvex0.sys", "ISPFunc_RawToImg");
ImageExport rotate("sorvex0.sys", "ISPFunc_Rotate");
ImageExport getCustomProperty("sorvex0.sys", "ISPFunc_prpmanf_GetCustomProperty");
ImageExport setCustomProperty("sorvex0.sys", "ISPFunc_prpmanf_SetCustomProperty");

template <typename Function>
uint32_t Callback(Function *function) {
  return Word(reinterpret_cast<void *>(function));
}

}  // namespace

extern "C" {

SorvexStatus SORVEX_CALL ISPFunc_Init(IspContext **contextCell, uint32_t ignored, void *physicalDevice,
                                      const SorvexChar16 *sensorName, uint32_t highSpeed,
                                      SorvexReadRegister readRegisterA, SorvexWriteRegisters writeRegistersA,
                                      SorvexSelectSensorMode selectSensorMode, SorvexReadRegister readRegisterB,
                                      SorvexWriteRegisters writeRegistersB) {
  return static_cast<SorvexStatus>(init(contextCell, ignored, physicalDevice, sensorName, highSpeed,
                                        Callback(readRegisterA), Callback(writeRegistersA),
                                        Callback(selectSensorMode), Callback(readRegisterB),
                                        Callback(writeRegistersB)));
}

uint32_t SORVEX_CALL ISPFunc_Exit(IspContext *context, uint32_t ignored, void *physicalDevice) {
  return exit_(context, ignored, physicalDevice);
}

void SORVEX_CALL ISPFunc_StartCapture(IspContext *context, SorvexDevice device, uint32_t outputFormat,
                                      uint32_t width, uint32_t height, uint32_t *captureWidth,
                                      uint32_t *captureHeight) {
  startCapture(context, device, outputFormat, width, height, captureWidth, captureHeight);
}

void SORVEX_CALL ISPFunc_StopCapture(IspContext *context, SorvexDevice device) { stopCapture(context, device); }

void SORVEX_CALL ISPFunc_StreamStateNotify(IspContext *context, uint32_t ignored, uint32_t state) {
  streamStateNotify(context, ignored, state);
}

void SORVEX_CALL ISPFunc_RawToImg(IspContext *context, SorvexDevice device, uint32_t outputFormat, uint32_t p1,
                                  uint32_t p2, uint32_t p3, uint32_t p4, uint32_t p5, uint32_t p6, uint32_t p7,
                                  uint32_t p8, uint32_t p9, uint8_t *destination, uint8_t *rawFrame,
                                  uint32_t outputWidth, uint32_t outputHeight) {
  rawToImg(context, device, outputFormat, p1, p2, p3, p4, p5, p6, p7, p8, p9, destination, rawFrame, outputWidth,
           outputHeight);
}

void SORVEX_CALL ISPFunc_Rotate(IspContext *context, SorvexDevice device, uint32_t horizontalFlag,
                                uint32_t verticalFlag) {
  rotate(context, device, horizontalFlag, verticalFlag);
}

uint32_t SORVEX_CALL ISPFunc_prpmanf_GetCustomProperty(IspContext *context, SorvexDevice device,
                                                       SorvexPropertyDescriptor *request) {
  return getCustomProperty(context, device, request);
}

uint32_t SORVEX_CALL ISPFunc_prpmanf_SetCustomProperty(IspContext *context, SorvexDevice device,
                                                       SorvexPropertyDescriptor *request) {
  return setCustomProperty(context, device, request);
}

}  // extern "C"
