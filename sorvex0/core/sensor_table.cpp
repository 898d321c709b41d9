// The one place that knows the sensors by name and code.

#include "core/sensor_table.h"

namespace sorvex0 {

namespace {

constexpr CaptureSize kSmallFullSpeed = {320, 240};
// What a sensor without facts of its own gets; also the unknown sensor.
constexpr SensorDescriptor Plain(uint32_t id, const WCHAR *name) {
  SensorDescriptor d = {};
  d.id = id;
  d.name = name;
  d.fullSpeedCapture = kSmallFullSpeed;
  d.restartModeScript = true;
  // Preset 1 is empty unless the sensor has one of its own; an all-zero
  // preset gives equal references, so the tables stay balanced.
  d.awbPreset1Fallback = 0;
  d.aeTargetFallback = 72;
  d.ssbsFallback = 1;
  d.ricFallback = 1;
  d.blackLevelCap = 20;
  return d;
}

constexpr SensorDescriptor Es2216() {
  SensorDescriptor d = Plain(kSensorEs2216, KTEXT("ES2216"));
  d.commitsRegisters = true;
  d.exposure = &kEs2216Exposure;
  d.frameHold = true;
  return d;
}

constexpr SensorDescriptor S5k4aa() {
  SensorDescriptor d = Plain(kSensorS5k4aa, KTEXT("S5K4AA"));
  d.smallerCaptureWidth = 1600;
  d.smallerCapture = {1280, 960};
  d.enlarges1280x960To1600x1200 = true;
  d.rawRepair = RawRepair::kLastLineAt1280;
  d.flipsHere = true;
  d.aeTargetFallback = 60;
  d.exposure = &kS5k4aaExposure;
  d.frameHold = true;
  d.colour = ColourGroup::kS5k;
  d.gamma = GammaSet::kS5k;
  d.lensCurves = LensCurves::kS5k4aa;
  d.lensVerticalShift = 16;
  d.lensDarkCentreSteps = 4;
  return d;
}

constexpr SensorDescriptor Ov9650() {
  SensorDescriptor d = Plain(kSensorOv9650, KTEXT("OV9650"));
  d.rawRepair = RawRepair::kLastTwoLines;
  d.exposure = &kOv9650Exposure;
  d.frameHold = true;
  d.colour = ColourGroup::kOv96;
  d.gamma = GammaSet::kOv9650;
  d.lensCurves = LensCurves::kOv9650;
  d.lensDarkCentreSteps = 3;
  return d;
}

constexpr SensorDescriptor Ov9655() {
  SensorDescriptor d = Plain(kSensorOv9655, KTEXT("OV9655"));
  d.rawRepair = RawRepair::kLastTwoColumns;
  d.exposure = &kOv9655Exposure;
  d.frameHold = true;
  d.colour = ColourGroup::kOv96;
  d.gamma = GammaSet::kOv9655;
  d.lensCurves = LensCurves::kOv9655;
  d.lensDarkCentreSteps = 3;
  return d;
}

// The MI1320 delivers YUYV from its own processor: it needs neither lens
// shading nor the doubled capture, and its white balance starts on a
// red-lifted preset.
constexpr SensorDescriptor Mi1320() {
  SensorDescriptor d = Plain(kSensorMi1320, KTEXT("MI1320"));
  d.ownProcessor = true;
  d.restartModeScript = false;
  d.rawRepair = RawRepair::kLastTwoLinesAt1280;
  d.pageRegister = 0xF0;
  d.pageLowRegister = 0xF1;
  d.awbTypeFallback = 1;
  d.awbPreset1Fallback = 0x786464;
  d.ssbsFallback = 0;
  d.ricFallback = 0;
  d.exposure = &kMi1320Exposure;
  d.frameHold = true;
  d.blackLevelCap = 16;
  d.colour = ColourGroup::kMi1320;
  d.gamma = GammaSet::kMi1320;
  d.lensCurves = LensCurves::kMi1320;
  return d;
}

constexpr SensorDescriptor S5k3ba() {
  SensorDescriptor d = Plain(kSensorS5k3ba, KTEXT("S5K3BA"));
  d.frameHold = true;
  d.colour = ColourGroup::kS5k;
  d.gamma = GammaSet::kS5k;
  d.lensCurves = LensCurves::kS5k3ba;
  return d;
}

constexpr SensorDescriptor Ov7670() {
  SensorDescriptor d = Plain(kSensorOv7670, KTEXT("OV7670"));
  d.ssbsFallback = 0;
  return d;
}

constexpr SensorDescriptor Mi2020() {
  SensorDescriptor d = Plain(kSensorMi2020, KTEXT("MI2020"));
  d.restartModeScript = false;
  d.ssbsFallback = 0;
  return d;
}

constexpr SensorDescriptor Mo4000() {
  SensorDescriptor d = Plain(kSensorMo4000, KTEXT("MO4000"));
  d.fullSpeedCapture = {640, 480};
  d.smallerCaptureWidth = 1280;
  d.smallerCapture = {640, 480};
  d.aeTargetFallback = 60;
  d.ssbsFallback = 0;
  d.exposure = &kMo4000Exposure;
  d.frameHold = true;
  d.slowRunAtFullSpeed = true;
  d.colour = ColourGroup::kMo4000;
  d.gamma = GammaSet::kMo4000;
  d.lensCurves = LensCurves::kMo4000;
  return d;
}

constexpr SensorDescriptor Mi0360() {
  SensorDescriptor d = Plain(kSensorMi0360, KTEXT("MI0360"));
  d.pageRegister = 0x01;
  d.pageLowRegister = 0x7F;
  d.ssbsFallback = 0;
  return d;
}

// Matched by name in this order; the first match wins.
constexpr SensorDescriptor kSensors[] = {
    Es2216(), S5k4aa(), Ov9650(), Ov9655(), Mi1320(),
    S5k3ba(), Ov7670(), Mi2020(), Mo4000(), Mi0360(),
};

constexpr SensorDescriptor kUnknownSensor = Plain(kSensorNone, nullptr);

}  // namespace

uint32_t SensorIdFromName(const WCHAR *name) {
  if (name == nullptr) return kSensorNone;
  for (const SensorDescriptor &sensor : kSensors) {
    if (wcscmp(name, sensor.name) == 0) return sensor.id;
  }
  return kSensorNone;
}

const SensorDescriptor &SensorById(uint32_t sensorId) {
  for (const SensorDescriptor &sensor : kSensors) {
    if (sensor.id == sensorId) return sensor;
  }
  return kUnknownSensor;
}

void UseSensor(IspContext *context, uint32_t sensorId) {
  context->sensorId = sensorId;
  context->sensor = &SensorById(sensorId);
}

const SensorDescriptor &SensorOf(const IspContext *context) {
  return context->sensor != nullptr ? *context->sensor : SensorById(context->sensorId);
}

}  // namespace sorvex0
