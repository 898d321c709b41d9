// The driver's entry points and the life of a camera's context.

#include "exposure/tone_curve.h"
#include "core/isp_context.h"
#include "core/conversion_library.h"
#include "core/sensor_table.h"
#include "core/working_buffers.h"
#include "store/registry_settings.h"

namespace {

// Where the raw snapshots go: the minidriver's service key.
constexpr WCHAR kServiceKeyPath[] =
    KTEXT("\\REGISTRY\\MACHINE\\SYSTEM\\CurrentControlSet\\Services\\DCamSorvex");
static_assert(sizeof(kServiceKeyPath) / sizeof(WCHAR) <= kServiceKeyPathUnits,
              "service key path room");

void SetInitialDefaults(IspContext *context) {
  context->outputFormat = 0;
  context->restartCountdown = 0;
  context->blankFrameCount = 0;
  context->holdFrames = 0;
  context->snapshotRequest = 0;
  context->snapshotIndex = 0;
  context->snapshotSequence = 0;
  context->noiseLevel = 0;
  context->blackLevel = 0;
  context->ccmBlend = 0;
  context->faceWorkArea = nullptr;
  context->workBuffer = nullptr;
  context->stageBuffer = nullptr;
  context->holdBuffer = nullptr;
  context->ricMapA = nullptr;
  context->workBufferWidth = 0;
  context->workBufferHeight = 0;
  context->stageBufferWidth = 0;
  context->stageBufferHeight = 0;
  context->awbRefR = 100;
  context->awbRefG = 100;
  context->awbRefB = 100;
  context->awbGainLimit = 20;
  context->holdCaptureAt = -1;
  context->ricMapAWidth = -1;
  context->ricMapAHeight = -1;
  context->ricLastWidth = -1;
  context->ricLastHeight = -1;
  context->ricLastLevel = 0xFF;
}

}  // namespace

extern "C" {

SORVEX_EXPORT int32_t SORVEX_CALL DriverEntry(void *, void *) { return STATUS_SUCCESS; }

SORVEX_EXPORT int32_t SORVEX_CALL DllUnload(void) { return STATUS_SUCCESS; }

SORVEX_EXPORT SorvexStatus SORVEX_CALL ISPFunc_Init(
    IspContext **contextCell, uint32_t, void *physicalDevice, const SorvexChar16 *sensorName,
    uint32_t highSpeed, SorvexReadRegister readRegisterA, SorvexWriteRegisters writeRegistersA,
    SorvexSelectSensorMode selectSensorMode, SorvexReadRegister readRegisterB,
    SorvexWriteRegisters writeRegistersB) {
  if (contextCell == nullptr) return STATUS_INVALID_PARAMETER;
  IspContext *context = static_cast<IspContext *>(
      ExAllocatePoolWithTag(NonPagedPool, sizeof(IspContext), SORVEX_POOL_TAG));
  *contextCell = context;
  // The minidriver gets a null context and a failure rather than a write
  // through a null pointer.
  if (context == nullptr) return STATUS_INSUFFICIENT_RESOURCES;

  // Zero-filled, so fields that no step initialises (and sensorId for an
  // unknown name) start at 0.
  RtlZeroMemory(context, sizeof(IspContext));
  context->physicalDevice = physicalDevice;
  context->sensorId = SensorIdFromName(reinterpret_cast<const WCHAR *>(sensorName));
  SetInitialDefaults(context);
  context->highSpeed = static_cast<uint8_t>(highSpeed & 0xFF);
  context->readRegisterA = readRegisterA;
  context->writeRegistersA = writeRegistersA;
  context->readRegisterB = readRegisterB;
  context->writeRegistersB = writeRegistersB;
  context->selectSensorMode = selectSensorMode;
  wcscpy(context->serviceKeyPath, kServiceKeyPath);

  const bool conversionReady = StartConversionLibrary(context);

  LoadDefaultGamma(context);

  LoadDefaultSettings(context);
  context->measuredBrightness = context->aeTarget;
  const NTSTATUS status = LoadCurrentSettings(context, physicalDevice);
  // Without its conversion library the context can still be torn down, but
  // it cannot make pictures: say so rather than report success.
  return conversionReady ? status : STATUS_INSUFFICIENT_RESOURCES;
}

SORVEX_EXPORT uint32_t SORVEX_CALL ISPFunc_Exit(IspContext *context, uint32_t,
                                                void *physicalDevice) {
  if (context == nullptr) return 0;
  SaveCurrentSettings(context, physicalDevice);
  ReleaseWorkingBuffers(context);
  StopConversionLibrary(context);
  ExFreePool(context);
  return 0;
}

}  // extern "C"
