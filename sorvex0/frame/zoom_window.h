// The digital zoom window: cutting a window out of a frame and reducing it
// to the window's size. The zoom routines (zoom/zoom.h) then enlarge it back
// to the output size; with face tracking the window moves after every frame
// (pipeline/tracking_window.h).
#pragma once

#include <stdint.h>

#include "zoom/zoom.h"

namespace sorvex0 {

// Asks CropZoomWindow for the centred window.
constexpr int32_t kCentredWindow = -1;

// What the crop leaves: the cut, packed at the start of the image, and the
// window it stands for in the output frame.
struct ZoomWindowCut {
  uint32_t cutWidth;  // source pixels
  uint32_t cutHeight;
  uint32_t windowWidth;  // output pixels: the size the cut is reduced to
  uint32_t windowHeight;
  ZoomPlacement a;  // the window image in the output frame
  ZoomPlacement b;  // the exact zoom window, inside a
};

// Cuts the window of zoom `level` (it keeps (40 - level)/40 of the width)
// out of the sourceWidth x sourceHeight image in place, for an output of
// outputWidth x outputHeight. x = y = kCentredWindow centres the window;
// other values place it there (in output pixels; negative ones count as 0).
// bytesPerPixel is 1 for raw Bayer frames and 2 for YUYV (3 for bitmaps).
// Level 0, a level that leaves no window (40 and above) and zero sizes cut
// nothing: the result is the source and output sizes with both placements
// the whole frame. The cut never reads past the source frame, and both
// placements lie within the output frame, b within a.
ZoomWindowCut CropZoomWindow(uint32_t level, int32_t x, int32_t y, uint32_t bytesPerPixel,
                             uint8_t *image, uint32_t sourceWidth, uint32_t sourceHeight,
                             uint32_t outputWidth, uint32_t outputHeight);

// The zoom window of a YUYV image: the window of `level` at (x, y)
// (kCentredWindow for the centred one) is cut from the sourceWidth x
// sourceHeight source in place, reduced into `target` (which may be the
// source) and enlarged back to width x height there. Returns the cut.
ZoomWindowCut ZoomYuyvWindow(uint32_t level, int32_t x, int32_t y, uint8_t *source,
                             uint32_t sourceWidth, uint32_t sourceHeight, uint8_t *target,
                             uint32_t width, uint32_t height);

// Reduces a YUYV image 2:1 or 4:1 in each direction into `target`, or copies
// it when the widths are equal (and the buffers distinct; as many lines as
// both have). Any other pair of sizes does nothing. A 4:1 reduction halves
// the source in place first.
void ReduceYuyv(uint8_t *source, uint32_t sourceWidth, uint32_t sourceHeight, uint8_t *target,
                uint32_t targetWidth, uint32_t targetHeight);

}  // namespace sorvex0
