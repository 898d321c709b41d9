#include "exposure/light_level.h"

#include "exposure/exposure_family.h"

uint32_t CurrentLightLevel(const IspContext *context) { return FamilyLightLevel(context); }
