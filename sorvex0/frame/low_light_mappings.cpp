#include "frame/low_light_mappings.h"

#include "core/sensor_table.h"
#include "exposure/light_level.h"

namespace sorvex0 {

uint32_t MapFilterStrength(const IspContext *context, uint32_t p4) {
  const uint32_t light = CurrentLightLevel(context);
  if (light > 60) return p4;
  if (light > 50) return 2 * p4 / 3;
  if (light > 40) return p4 / 3;
  return 100;
}

void CorrectBadPixels(IspContext *context, uint8_t *raw, uint32_t captureWidth,
                      uint32_t captureHeight, uint32_t outputWidth) {
  const ConversionOps *ops = context->conversionOps;
  if (ops == nullptr || ops->correctBadPixels == nullptr || raw == nullptr) return;
  const uint32_t light = CurrentLightLevel(context);
  const uint32_t reduced = captureWidth != outputWidth ? 1 : 0;
  uint32_t flag = 0;
  uint32_t mode = 0;
  // A sensor with its own processor has cleaned its frames already: only
  // lower light brings the correction in.
  if (SensorOf(context).ownProcessor) {
    flag = light > 70 ? 0 : 1;
    mode = (light > 90 ? 6 : 4) + reduced;
  } else {
    flag = light > 50 ? 0 : 1;
    mode = light > 60 ? 100 : 4 + reduced;
  }
  ops->correctBadPixels(ops->userData, raw, static_cast<int32_t>(captureWidth),
                        static_cast<int32_t>(captureHeight), flag, mode);
}

}  // namespace sorvex0
