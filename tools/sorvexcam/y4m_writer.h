// YUV4MPEG2 (.y4m) video of the camera's YUYV or I420 output, readable by
// common players. YUYV is stored losslessly as planar 4:2:2 ("C422": the
// packed samples are only de-interleaved); I420 as "C420jpeg", since the
// camera's chroma samples are means of 2 x 2 pixels and so sit between them.
// Both are studio-range BT.601.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image_convert.h"

namespace sorvexcam {

// The stream header line for a format (kYuyv or kI420), size and frame rate.
std::string Y4mHeader(OutputFormat format, uint32_t width, uint32_t height, uint32_t fpsNumerator,
                      uint32_t fpsDenominator);

// One frame record ("FRAME\n" and the planes) of an output image.
std::vector<uint8_t> Y4mFrame(OutputFormat format, const uint8_t *image, uint32_t width, uint32_t height);

}  // namespace sorvexcam
