// The light level of the sensor's current exposure entry: 0 to 100, where
// 100 means enough light. It drives the low-light behaviour.
#pragma once

#include "core/isp_context.h"

namespace sorvex0 {

uint32_t CurrentLightLevel(const IspContext *context);

}  // namespace sorvex0
