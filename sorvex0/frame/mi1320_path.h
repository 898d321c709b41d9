// The MI1320 has an image processor of its own: at output widths up to 640
// it delivers YUYV, above that raw Bayer frames. Its frames take this path.
#pragma once

#include "core/frame_request.h"

namespace sorvex0 {

void ConvertMi1320Frame(IspContext *context, const FrameRequest &frame);

}  // namespace sorvex0
