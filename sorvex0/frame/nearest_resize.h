// Nearest-sample resizing of whole images between buffers, for the sizes
// the step kernels do not serve (an enlargement the minidriver asked for
// that is not exactly twice the captured size).
#pragma once

#include <stdint.h>

namespace sorvex0 {

// YUYV: pixel pairs stay pairs; each output pair takes the lumas of the two
// source pixels under it and the chroma of the pair of the first one.
void ResizeYuyvNearest(const uint8_t *source, uint32_t sourceWidth, uint32_t sourceHeight,
                       uint8_t *target, uint32_t targetWidth, uint32_t targetHeight);
// 24-bit pixels, any channel order.
void ResizeBgrNearest(const uint8_t *source, uint32_t sourceWidth, uint32_t sourceHeight,
                      uint8_t *target, uint32_t targetWidth, uint32_t targetHeight);

}  // namespace sorvex0
