// Demosaicing of the Bayer frame into 8-bit RGB, one line at a time.
//
// Method: gradient-corrected linear interpolation (the 5x5 high-quality
// linear filters of Malvar, He and Cutler). Each missing colour is the
// bilinear estimate corrected by the Laplacian of the colour that was sampled
// at the pixel, which removes most of bilinear's blur and colour fringes at
// the cost of a 5x5 neighbourhood. Frame edges are mirrored so that every
// pixel sees a full neighbourhood with the right Bayer phase.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "row_kernels.h"

namespace sorvex1 {

// Walks the lines of one raw frame. Each raw line is split once into its
// even and odd columns as 16-bit samples, and the five lines around the line
// being demosaiced are kept, so that the filters read every tap of a run of
// pixels as one contiguous array (the Bayer phase of a column is then fixed).
// Lines may be asked for in any order; in order, each raw line is split once.
struct DemosaicWalker {
  const uint8_t *raw;
  int32_t width;
  int32_t height;
  const RowKernels *kernels;
  int16_t *even[kDemosaicWindowLines];
  int16_t *odd[kDemosaicWindowLines];
  int32_t rawLine[kDemosaicWindowLines];  // the raw line each slot holds, -1 for none
};

// Scratch bytes a walker over lines of `width` samples needs.
size_t DemosaicWalkerBytes(int32_t width);

// The walker splits and demosaics with the given kernels.
DemosaicWalker StartDemosaic(const uint8_t *raw, int32_t width, int32_t height, uint8_t *scratch,
                             const RowKernels &kernels);

// Demosaics line y into `out` (width bytes a plane).
void DemosaicLine(DemosaicWalker *walker, int32_t y, const RgbPlanes &out);

// The same into RGB triplets (3 * width bytes), through `scratch` planes.
void DemosaicLineToRgb(DemosaicWalker *walker, int32_t y, const RgbPlanes &scratch, uint8_t *rgb);

}  // namespace sorvex1
