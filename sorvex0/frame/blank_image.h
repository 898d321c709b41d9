// The image output while a stream settles after a start or restart.
#pragma once

#include <stdint.h>

namespace sorvex0 {

// A black image of the format and size. A 24-bit bitmap (and any format code
// outside YUYV and I420) gets the grey first pixel that marks a blank frame.
void WriteBlankImage(uint8_t *destination, uint32_t outputFormat, uint32_t width, uint32_t height);

}  // namespace sorvex0
