// Demosaicing of the Bayer frame into 8-bit RGB, one line at a time.
//
// Method: gradient-corrected linear interpolation (the 5x5 high-quality
// linear filters of Malvar, He and Cutler). Each missing colour is the
// bilinear estimate corrected by the Laplacian of the colour that was sampled
// at the pixel, which removes most of bilinear's blur and colour fringes at
// the cost of a 5x5 neighbourhood. Frame edges are mirrored so that every
// pixel sees a full neighbourhood with the right Bayer phase.
#pragma once

#include <stdint.h>

namespace sorvex1 {

// A line of RGB as three arrays of `width` bytes each.
struct RgbPlanes {
  uint8_t *red;
  uint8_t *green;
  uint8_t *blue;
};

// lines[0..4] are the raw lines y-2 .. y+2 (mirrored at the frame edges),
// each `width` samples; writes `width` pixels of line y.
void DemosaicLineToPlanes(const uint8_t *const lines[5], int32_t width, bool greenBlueLine, const RgbPlanes &out);

// Demosaics line y of a width x height raw frame.
void DemosaicFrameLine(const uint8_t *raw, int32_t width, int32_t height, int32_t y, const RgbPlanes &out);

// The same into RGB triplets (3 * width bytes), through `scratch` planes.
void DemosaicFrameLineToRgb(const uint8_t *raw, int32_t width, int32_t height, int32_t y, const RgbPlanes &scratch,
                            uint8_t *rgb);

}  // namespace sorvex1
