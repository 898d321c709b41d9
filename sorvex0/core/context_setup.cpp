#include "core/context_setup.h"

#include "core/sensor_table.h"

namespace sorvex0 {

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

IspContext *AllocateContext() {
  return static_cast<IspContext *>(
      ExAllocatePoolWithTag(NonPagedPool, kContextBlockBytes, SORVEX_POOL_TAG));
}

void InitialiseContext(IspContext *context, void *physicalDevice, const WCHAR *sensorName,
                       uint32_t highSpeed, const MinidriverCallbacks &callbacks) {
  // Zero-filled, reserved tail included, so fields that no step
  // initialises start at 0.
  RtlZeroMemory(context, kContextBlockBytes);
  context->physicalDevice = physicalDevice;
  UseSensor(context, SensorIdFromName(sensorName));
  SetInitialDefaults(context);
  context->highSpeed = static_cast<uint8_t>(highSpeed & 0xFF);
  context->readRegisterA = callbacks.readRegisterA;
  context->writeRegistersA = callbacks.writeRegistersA;
  context->readRegisterB = callbacks.readRegisterB;
  context->writeRegistersB = callbacks.writeRegistersB;
  context->selectSensorMode = callbacks.selectSensorMode;
  wcscpy(context->serviceKeyPath, kServiceKeyPath);
  // One probe of the processor per camera; the kernels' forms follow it.
  context->vectorSets = ProbeVectorSets();
}

void FreeContext(IspContext *context) { ExFreePool(context); }

}  // namespace sorvex0
