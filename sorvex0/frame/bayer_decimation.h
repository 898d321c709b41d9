// 2:1 reduction of a raw Bayer frame in place, keeping the Bayer pattern.
#pragma once

#include <stdint.h>

namespace sorvex0 {

// Halves a width x height Bayer frame in place to (width / 2) x (height / 2),
// lines packed from the start of the buffer. Each 4 x 4 block becomes a 2 x 2
// cell of the same phase: the greens from the two greens on its diagonal,
// red and blue weighted 5:1:1:1 toward the sample nearest the cell. Blocks
// cut by the right or bottom edge reuse the nearest line or column of the
// same phase, so nothing outside the frame is read. The whole blocks go
// through the row kernels in the forms `vectorSets` allows
// (frame/frame_kernels.h).
void DecimateBayer(uint8_t *raw, uint32_t width, uint32_t height, uint32_t vectorSets);

}  // namespace sorvex0
