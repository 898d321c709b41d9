// The driver's entry points and the life of a camera's context.

#include "core/context_setup.h"
#include "core/conversion_library.h"
#include "core/working_buffers.h"
#include "store/registry_settings.h"

extern "C" SORVEX_EXPORT int32_t SORVEX_CALL DriverEntry(void *, void *) { return STATUS_SUCCESS; }

extern "C" SORVEX_EXPORT int32_t SORVEX_CALL DllUnload(void) { return STATUS_SUCCESS; }

extern "C" SORVEX_EXPORT SorvexStatus SORVEX_CALL ISPFunc_Init(
    IspContext **contextCell, uint32_t, void *physicalDevice, const SorvexChar16 *sensorName,
    uint32_t highSpeed, SorvexReadRegister readRegisterA, SorvexWriteRegisters writeRegistersA,
    SorvexSelectSensorMode selectSensorMode, SorvexReadRegister readRegisterB,
    SorvexWriteRegisters writeRegistersB) {
  if (contextCell == nullptr) return STATUS_INVALID_PARAMETER;
  IspContext *context = sorvex0::AllocateContext();
  *contextCell = context;
  // The minidriver gets a null context and a failure rather than a write
  // through a null pointer.
  if (context == nullptr) return STATUS_INSUFFICIENT_RESOURCES;
  const sorvex0::MinidriverCallbacks callbacks = {readRegisterA, writeRegistersA, selectSensorMode,
                                                  readRegisterB, writeRegistersB};
  sorvex0::InitialiseContext(context, physicalDevice, reinterpret_cast<const WCHAR *>(sensorName),
                             highSpeed, callbacks);
  const bool conversionReady = sorvex0::StartConversionLibrary(context);
  const NTSTATUS status = sorvex0::LoadSettingsAtInit(context, physicalDevice);
  // Without its conversion library the context can still be torn down, but
  // it cannot make pictures: say so rather than report success.
  return conversionReady ? status : STATUS_INSUFFICIENT_RESOURCES;
}

extern "C" SORVEX_EXPORT uint32_t SORVEX_CALL ISPFunc_Exit(IspContext *context, uint32_t,
                                                           void *physicalDevice) {
  if (context == nullptr) return 0;
  sorvex0::SaveCurrentSettings(context, physicalDevice);
  sorvex0::ReleaseWorkingBuffers(context);
  sorvex0::StopConversionLibrary(context);
  sorvex0::FreeContext(context);
  return 0;
}
