// Writing 24-bit Windows bitmaps.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sorvexcam {

// Writes a bottom-up BGR image (3 bytes a pixel, lines back to back, the
// layout the camera produces) as a .bmp file. False on an I/O error.
bool WriteBottomUpBgrBmp(const std::string &path, int width, int height,
                         const std::vector<uint8_t> &bgr);

}  // namespace sorvexcam
