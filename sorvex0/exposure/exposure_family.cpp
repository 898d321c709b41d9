#include "exposure/exposure_family.h"

namespace sorvex0 {

namespace {

const ExposureFamily *FamilyOf(const IspContext *context) { return SensorOf(context).exposure; }

}  // namespace

uint32_t LowerGammaStrength(uint32_t p7, uint32_t levelByte) {
  if (levelByte <= 100) return p7;
  const uint32_t excess = levelByte - 100;
  return p7 > excess ? p7 - excess : 0;
}

void StartFamilyExposure(IspContext *context, SorvexDevice device) {
  const ExposureFamily *family = FamilyOf(context);
  if (family != nullptr && family->start != nullptr) family->start(context, device);
}

bool UpdateFamilyExposure(IspContext *context, SorvexDevice device, const RawFrame &frame,
                          uint32_t p8, uint32_t brightness) {
  const ExposureFamily *family = FamilyOf(context);
  if (family == nullptr || family->update == nullptr) return false;
  return family->update(context, device, frame, p8, brightness);
}

uint32_t FamilyLightLevel(const IspContext *context) {
  const ExposureFamily *family = FamilyOf(context);
  if (family == nullptr || family->lightLevel == nullptr) return 100;
  return family->lightLevel(context);
}

uint32_t FamilyExposureCode(const IspContext *context) {
  const ExposureFamily *family = FamilyOf(context);
  if (family == nullptr || family->exposureCode == nullptr) return 0;
  return family->exposureCode(context);
}

uint32_t FamilyGammaStrength(const IspContext *context, uint32_t p7) {
  const ExposureFamily *family = FamilyOf(context);
  if (family == nullptr || family->gammaStrength == nullptr) return p7;
  return family->gammaStrength(context, p7);
}

uint32_t FamilyExposureValue(const IspContext *context) {
  const ExposureFamily *family = FamilyOf(context);
  if (family == nullptr || family->exposureValue == nullptr) return 0;
  return family->exposureValue(context);
}

}  // namespace sorvex0
