// Mirror and flip of the sensors that are flipped here rather than by the
// minidriver (the S5K4AA's descriptor says so): the controller's window registers move by one
// pixel so the Bayer phase stays the same, and the sensor's read-out
// direction bits are set.
#pragma once

#include "core/isp_context.h"

namespace sorvex0 {

// Programs the flags (each nonzero for on) and keeps them, normalised, in
// flipHorizontal and flipVertical; then the blank frames of a start. Other
// sensors: nothing.
void ProgramFlip(IspContext *context, SorvexDevice device, bool horizontal, bool vertical);

}  // namespace sorvex0
