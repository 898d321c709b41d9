#include "exposure/exposure_family.h"

#include "exposure/exposure_entries.h"

namespace {

// The level byte E of the current entry, for the families with tables.
bool LevelByteOfFamily(const IspContext *context, uint32_t *levelByte) {
  switch (context->sensorId) {
    case kSensorEs2216:
      *levelByte = Es2216LevelByte(context);
      return true;
    case kSensorMo4000:
      *levelByte = Mo4000LevelByte(context);
      return true;
    case kSensorOv9650:
    case kSensorOv9655:
      *levelByte = Ov96xxLevelByte(context);
      return true;
    case kSensorS5k4aa:
      *levelByte = S5k4aaLevelByte(context);
      return true;
    default:
      return false;
  }
}

// P7 - E + 100 for a level byte above 100 (never below 0).
uint32_t LowerGammaStrength(uint32_t p7, uint32_t levelByte) {
  if (levelByte <= 100) return p7;
  const uint32_t excess = levelByte - 100;
  return p7 > excess ? p7 - excess : 0;
}

}  // namespace

void StartFamilyExposure(IspContext *context, SorvexDevice device) {
  switch (context->sensorId) {
    case kSensorEs2216:
      StartEs2216Exposure(context, device);
      break;
    case kSensorMo4000:
      StartMo4000Exposure(context, device);
      break;
    case kSensorOv9650:
    case kSensorOv9655:
      StartOv96xxExposure(context, device);
      break;
    case kSensorS5k4aa:
      StartS5k4aaExposure(context, device);
      break;
    default:
      break;
  }
}

bool UpdateFamilyExposure(IspContext *context, SorvexDevice device, const RawFrame &frame,
                          uint32_t p8, uint32_t brightness) {
  switch (context->sensorId) {
    case kSensorEs2216:
      return UpdateEs2216Exposure(context, device, frame, brightness);
    case kSensorMo4000:
      return UpdateMo4000Exposure(context, device, p8, brightness);
    case kSensorOv9650:
    case kSensorOv9655:
      return UpdateOv96xxExposure(context, device, frame, p8, brightness);
    case kSensorS5k4aa:
      return UpdateS5k4aaExposure(context, device, frame, p8, brightness);
    default:
      return false;
  }
}

uint32_t FamilyLightLevel(const IspContext *context) {
  if (context->sensorId == kSensorMi1320) return Mi1320LightLevel(context);
  uint32_t levelByte = 100;
  if (!LevelByteOfFamily(context, &levelByte)) return 100;
  return LightOfLevelByte(levelByte);
}

uint32_t FamilyExposureCode(const IspContext *context) {
  switch (context->sensorId) {
    case kSensorEs2216:
      return Es2216ExposureCode(context);
    case kSensorMo4000:
      return Mo4000ExposureCode(context);
    case kSensorOv9650:
    case kSensorOv9655:
      return Ov96xxExposureCode(context);
    case kSensorS5k4aa:
      return S5k4aaExposureCode(context);
    case kSensorMi1320:
      return 100;
    default:
      return 0;
  }
}

uint32_t FamilyGammaStrength(const IspContext *context, uint32_t p7) {
  switch (context->sensorId) {
    case kSensorOv9650:
    case kSensorOv9655:
      return LowerGammaStrength(p7, Ov96xxLevelByte(context));
    case kSensorS5k4aa:
      return LowerGammaStrength(p7, S5k4aaLevelByte(context));
    case kSensorMi1320:
      return Mi1320GammaStrength(context, p7);
    default:
      return p7;
  }
}

uint32_t FamilyExposureValue(const IspContext *context) {
  switch (context->sensorId) {
    case kSensorEs2216:
      return Es2216ExposureValue(context);
    case kSensorMo4000:
      return Mo4000ExposureValue(context);
    case kSensorOv9650:
    case kSensorOv9655:
      return Ov96xxExposureValue(context);
    case kSensorS5k4aa:
      return S5k4aaExposureValue(context);
    default:
      return 0;
  }
}
