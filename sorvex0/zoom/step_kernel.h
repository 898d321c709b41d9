// The frame walker every zoom step kernel shares: it widens the window rows
// in place into the bottom of the frame with the level's row kernel, then
// builds the frame rows top-down from them by the level's row pattern.
#pragma once

#include <stdint.h>

#include "zoom/zoom_kernels.h"
#include "zoom/zoom_pattern.h"

namespace sorvex0 {

namespace zoom {

// The rows of a vertical group: `count` output rows, each a copy or mean of
// source rows numbered within the group; the next group starts `advance`
// source rows on.
struct RowGroup {
  const Sample *rows;
  uint32_t count;
  uint32_t advance;
};

// Widens `groups` whole horizontal groups of a window row into a frame row.
// The two rows never overlap.
using WidenRowFunction = void (*)(const uint8_t *windowRow, uint8_t *frameRow, uint32_t groups);

// One level's step kernel in one format.
struct StepKernel {
  uint32_t bytesPerPixel;
  uint32_t groupOutPixels;  // a horizontal group: output pixels from source pixels
  uint32_t groupInPixels;
  WidenRowFunction widenRow;
  RowGroup column;
  RowGroup remainder;  // count 0: the level has no remainder rows
  // The same widening as byte shuffles for the vector forms; null when a
  // chunk's sources spread too wide.
  const WidenShuffle *shuffle;
};

// Enlarges the packed window of windowWidth x windowHeight pixels at the
// start of `image` to frameWidth x frameHeight in place; the buffer holds
// the whole frame. Rows after the last vertical group that no remainder
// group writes keep widened window rows; pixels after the last whole
// horizontal group of a row are not written.
void RunStepKernel(const StepKernel &kernel, uint8_t *image, uint32_t windowWidth,
                   uint32_t windowHeight, uint32_t frameWidth, uint32_t frameHeight, uint32_t vectorSets);

// The step kernel of a level in each format; null for levels without one
// (0, the doublings 20 and 30, and above 30).
const StepKernel *BitmapStepKernel(uint32_t level);
const StepKernel *YuyvStepKernel(uint32_t level);

}  // namespace zoom

}  // namespace sorvex0
