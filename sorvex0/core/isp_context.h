// The per-camera context: everything one camera's processing keeps between
// calls lives here, from ISPFunc_Init to ISPFunc_Exit. The library has no
// other state. The fields keep the order of the camera's context block, with
// the chosen sensor's descriptor beside its code and the vector sets of the
// kernels at the end; on the 32-bit target with its natural alignment they
// take 3,536 bytes of the 3,568-byte context block (core/context_setup.h),
// on a 64-bit host the pointers make it larger.
#pragma once

#include <stdint.h>

#include "sorvex0.h"
#include "sorvex1.h"
#include "sorvex_kernel.h"

namespace sorvex0 {

struct SensorDescriptor;

enum SensorId : uint32_t {
  kSensorNone = 0,
  kSensorEs2216 = 10,
  kSensorS5k4aa = 20,
  kSensorOv9650 = 21,
  kSensorMi1320 = 22,
  kSensorS5k3ba = 23,
  kSensorOv7670 = 24,
  kSensorMi2020 = 25,
  kSensorOv9655 = 26,
  kSensorMo4000 = 27,
  kSensorMi0360 = 28,
};

// Room of serviceKeyPath in UTF-16 units, terminator included.
constexpr uint32_t kServiceKeyPathUnits = 129;
// Room of gammaPoints.
constexpr uint32_t kMaxGammaPoints = 32;
// Ring of frame intervals for the frame-rate measurement.
constexpr uint32_t kFrameIntervalRing = 40;

}  // namespace sorvex0

// The public header names the context at global scope; its fields belong to
// the library.

struct IspContext {
  uint32_t outputFormat;
  uint32_t awbRefR;
  uint32_t awbRefG;
  uint32_t awbRefB;
  uint32_t awbGainLimit;
  uint32_t aeTarget;
  uint32_t sensorId;
  const sorvex0::SensorDescriptor *sensor;  // chosen with sensorId (core/sensor_table.h)
  uint32_t ric;
  uint8_t noiseLevel;
  WCHAR serviceKeyPath[sorvex0::kServiceKeyPathUnits];
  uint32_t flickerMode;
  uint32_t outDoor;
  uint32_t lowLight;
  uint32_t flipVertical;
  uint32_t flipHorizontal;
  uint32_t awbType;
  uint32_t awbPreset[9];
  uint32_t aeType;
  uint32_t bpc;
  uint32_t deNoise;
  uint32_t clock;
  uint32_t ssbs;
  uint32_t fbf;
  uint32_t ipMode;
  uint32_t savedSsbs;
  uint32_t zoom;
  uint32_t faceTracking;
  uint32_t faceDescription;
  uint32_t trackZoomLevel;
  int32_t trackWindowX;
  int32_t trackWindowY;
  uint32_t captureWidth;
  uint32_t captureHeight;
  uint32_t requestedWidth;
  uint32_t requestedHeight;
  uint32_t restartCountdown;
  uint32_t blankFrameCount;
  uint8_t highSpeed;
  uint32_t propertyItem;
  ConversionOps *conversionOps;
  uint8_t *faceWorkArea;
  int32_t workBufferWidth;
  int32_t workBufferHeight;
  uint8_t *workBuffer;
  int32_t stageBufferWidth;
  int32_t stageBufferHeight;
  uint8_t *stageBuffer;
  uint32_t upscalePending;
  int32_t upscaleWidth;
  int32_t upscaleHeight;
  uint32_t invertImage;
  uint32_t sisHostController;
  SorvexReadRegister readRegisterA;
  SorvexWriteRegisters writeRegistersA;
  SorvexReadRegister readRegisterB;
  SorvexWriteRegisters writeRegistersB;
  SorvexSelectSensorMode selectSensorMode;
  void *physicalDevice;
  int32_t holdFrames;
  int32_t holdCaptureAt;
  uint8_t *holdBuffer;
  const uint8_t *aeTableEs2216;
  const uint8_t *aeStepTableS5k4aa;
  const uint8_t *aeSettingTableS5k4aa;
  const uint8_t *aeTableOv9650;
  const uint8_t *aeTableOv9655;
  const uint8_t *aeTableMo4000;
  uint32_t measuredBrightness;
  int32_t centreScore;
  uint32_t aeTableLength;
  int32_t aeIndex;
  int32_t aeMinIndex;
  // Aligned as the Windows target aligns it, so that a 32-bit Linux build
  // (the tests of the shipped images) sees the same layout.
  alignas(8) int64_t lastAeTime;
  uint32_t framesSinceAe;
  int32_t aePrevIndex;
  uint8_t lightMode;
  uint32_t aeSkipNext;
  int32_t blackLevel;
  uint32_t windowStats[64][3];
  uint32_t awbPrevRatioR;
  uint32_t awbPrevRatioB;
  uint32_t awbRunCount;
  uint8_t lutR[256];
  uint8_t lutG[256];
  uint8_t lutB[256];
  int32_t gammaPointCount;
  int32_t gammaPoints[sorvex0::kMaxGammaPoints];
  uint16_t gammaCurve[256];
  uint16_t toneCurve[256];
  int32_t ccmBlend;
  uint8_t *ricMapA;
  int32_t ricMapAWidth;
  int32_t ricMapAHeight;
  int32_t ricLastWidth;
  int32_t ricLastHeight;
  uint8_t ricLastLevel;
  uint32_t snapshotRequest;
  uint32_t snapshotIndex;
  uint32_t snapshotSequence;
  uint32_t lastFrameTime;
  int32_t frameIntervalCount;
  uint32_t frameIntervalSum;
  uint32_t frameIntervalIndex;
  uint32_t frameIntervals[sorvex0::kFrameIntervalRing];
  // The vector instruction sets (SORVEX_VECTOR_* bits) the processor offered
  // at ISPFunc_Init, and those the export call running now may use (none
  // outside a kernel section, or when its save of the floating-point state
  // failed): the kernels take their forms by these (core/kernel_section.h).
  uint32_t vectorSets;
  uint32_t sectionVectorSets;
};
