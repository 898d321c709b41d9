// The digital zoom window: cutting a window out of a frame, reducing it to
// the window's size, and (with face tracking) moving the window.
#pragma once

#include <stdint.h>

// Reduces a YUYV image 2:1 or 4:1 in each direction into `target`, or copies
// it when the sizes are equal (and the buffers distinct). Any other pair of
// sizes does nothing. A 4:1 reduction halves the source in place first.
void ReduceYuyv(uint8_t *source, uint32_t sourceWidth, uint32_t sourceHeight, uint8_t *target,
                uint32_t targetWidth, uint32_t targetHeight);
