#include "exposure/light_level.h"

#include "exposure/exposure_family.h"

namespace sorvex0 {

uint32_t CurrentLightLevel(const IspContext *context) { return FamilyLightLevel(context); }

}  // namespace sorvex0
