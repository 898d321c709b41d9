// The digital zoom seen from the pipeline: enlarging a cut zoom window back
// to the output size, and the final enlargements of a frame captured smaller
// than requested. Everything works in place in the caller's buffer, with no
// allocation.
#pragma once

#include <stdint.h>

namespace sorvex0 {

// A window's place in the output frame, in output pixels:
// x1 = x0 + width, y1 = y0 + height.
struct ZoomPlacement {
  int32_t x0;
  int32_t y0;
  int32_t x1;
  int32_t y1;
};

// Turns the window image into the whole output frame. On entry `image`
// holds the packed windowWidth x windowHeight window image, which lies at
// placement `a` of the frame; the buffer holds a whole frameWidth x
// frameHeight frame (RGB24: 3 bytes a pixel; YUYV: 2). Level 0 leaves the
// image untouched. Otherwise the exact zoom window (placement `b`, clipped to
// the window image and the frame) is cut out and enlarged to the frame by
// the kernel the ratio of the widths selects. The CIF widths 352 and 176, and
// ratios without a kernel, get the window at its own size at placement `b`
// in an otherwise black frame. When the window already has the frame's width
// only the cut happens. Inconsistent sizes (a window image larger than the
// frame) leave the image untouched.
void ZoomBitmap(uint32_t level, uint8_t *image, uint32_t windowWidth, uint32_t windowHeight,
                uint32_t frameWidth, uint32_t frameHeight, ZoomPlacement a, ZoomPlacement b);
void ZoomYuyv(uint32_t level, uint8_t *image, uint32_t windowWidth, uint32_t windowHeight,
              uint32_t frameWidth, uint32_t frameHeight, ZoomPlacement a, ZoomPlacement b);

// The fixed enlargement: the packed 1280 x 960 image becomes 1600 x 1200 (by
// 5/4, the level-8 kernel). The buffer must hold 1600 x 1200 pixels.
void EnlargeBitmap1280x960To1600x1200(uint8_t *image);
void EnlargeYuyv1280x960To1600x1200(uint8_t *image);

// The doubling: the packed width x height image becomes 2 width x 2 height
// (pixel, mean, pixel, ... along the rows; the first row doubled). The
// buffer must hold the doubled image. YUYV widths are even.
void DoubleBitmap(uint8_t *image, uint32_t width, uint32_t height);
void DoubleYuyv(uint8_t *image, uint32_t width, uint32_t height);

}  // namespace sorvex0
