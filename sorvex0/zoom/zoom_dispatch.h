// The front end of the zoom routines: the cut of the zoom window out of the
// window image and the black-frame fallback. ZoomBitmap and ZoomYuyv
// (zoom/zoom.h) establish the conditions stated here before calling them.
#pragma once

#include <stdint.h>

#include "zoom/zoom.h"

namespace sorvex0 {

// Packs the zoom window (placement b) at the start of the image, taking it
// from the packed windowWidth x windowHeight window image that lies at
// placement a. b must lie within the window image. Nothing moves when b is
// the whole window image.
void CutZoomWindow(uint32_t bytesPerPixel, uint8_t *image, uint32_t windowWidth,
                   uint32_t windowHeight, const ZoomPlacement &a, const ZoomPlacement &b);

// Moves the packed width x height window to its place (b.x0, b.y0) in the
// frame and clears everything around it to zero. The window must lie within
// the frame.
void PlaceWindowInFrame(uint32_t bytesPerPixel, uint8_t *image, uint32_t width, uint32_t height,
                        uint32_t frameWidth, uint32_t frameHeight, const ZoomPlacement &b);

// The level whose ratio 80/N (N = 80 - 2 level) the two widths have exactly,
// searched from level 1 (N = 78) up; 0 when none has.
uint32_t ZoomLevelOfWidths(uint32_t frameWidth, uint32_t windowWidth);

}  // namespace sorvex0
