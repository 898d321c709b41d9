// The convergence plot: an SVG picture of the exposure loop (raw brightness,
// output luma, the target and the exposure index over the frames) and of the
// white balance (output red and blue over green), with blanked frames shaded.
#pragma once

#include <string>
#include <vector>

#include "frame_log.h"

namespace sorvexcam {

std::string ConvergencePlotSvg(const std::vector<FrameRecord> &records, const std::string &title);

}  // namespace sorvexcam
