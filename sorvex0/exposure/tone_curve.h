// The sensor's gamma curve and the tone curve and output tables built from it.
#pragma once

#include "core/isp_context.h"

namespace sorvex0 {

// Clears gammaPoints and loads the sensor's default control points and curve.
void LoadDefaultGamma(IspContext *context);
// Rebuilds toneCurve, lutR, lutG and lutB from the gamma curve, the black
// level, the white-balance references and P1 (brightness), P2 (contrast)
// and P7 (gamma strength, after the family's low-light adjustment).
void BuildToneTables(IspContext *context, uint32_t p1, uint32_t p2, uint32_t p7);

}  // namespace sorvex0
