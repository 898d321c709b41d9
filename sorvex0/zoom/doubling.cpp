// The 2x enlargement of a packed image in place, for both formats.

#include <stddef.h>

#include "sorvex_kernel.h"
#include "zoom/row_math.h"
#include "zoom/zoom.h"

namespace {

using DoubleRowFunction = void (*)(const uint8_t *row, uint8_t *out, uint32_t width);

// Pixel i to output pixels 2i (the pixel) and 2i + 1 (its mean with the
// next); the last pixel fills the last two.
void DoubleBitmapRow(const uint8_t *row, uint8_t *out, uint32_t width) {
  for (uint32_t i = 0; i + 1 < width; ++i) {
    const uint8_t *pixel = row + 3 * i;
    uint8_t *o = out + 6 * i;
    RtlCopyMemory(o, pixel, 3);
    o[3] = zoom::MeanOf(pixel[0], pixel[3]);
    o[4] = zoom::MeanOf(pixel[1], pixel[4]);
    o[5] = zoom::MeanOf(pixel[2], pixel[5]);
  }
  const uint8_t *last = row + 3 * (width - 1);
  RtlCopyMemory(out + 6 * (width - 1), last, 3);
  RtlCopyMemory(out + 6 * (width - 1) + 3, last, 3);
}

// Pair Y0 U Y1 V to (Y0, U, mean(Y0, Y1), V) and (Y1, U, mean(Y1, next Y0),
// V); the last pair of the row has no next and repeats Y1.
void DoubleYuyvRow(const uint8_t *row, uint8_t *out, uint32_t width) {
  const uint32_t pairs = width / 2;
  for (uint32_t p = 0; p < pairs; ++p) {
    const uint8_t *in = row + 4 * p;
    uint8_t *o = out + 8 * p;
    const uint8_t nextY0 = p + 1 < pairs ? in[4] : in[2];
    o[0] = in[0];
    o[1] = in[1];
    o[2] = zoom::MeanOf(in[0], in[2]);
    o[3] = in[3];
    o[4] = in[2];
    o[5] = in[1];
    o[6] = zoom::MeanOf(in[2], nextY0);
    o[7] = in[3];
  }
}

// Rows bottom-up: widened row r goes to output row 2r + 1, row 2r + 2 is
// the mean of its neighbours, and row 0 repeats row 1. Output rows 2r + 1
// and 2r + 2 both lie past the end of source row r, so they cover only
// source rows already read.
void DoubleImage(uint8_t *image, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                 DoubleRowFunction doubleRow) {
  if (image == nullptr || width == 0 || height == 0) return;
  const size_t rowBytes = static_cast<size_t>(width) * bytesPerPixel;
  const size_t outRowBytes = 2 * rowBytes;
  for (uint32_t r = height; r-- > 0;) {
    uint8_t *widened = image + (2 * static_cast<size_t>(r) + 1) * outRowBytes;
    doubleRow(image + r * rowBytes, widened, width);
    if (r + 1 < height) {
      zoom::MeanRows(widened + outRowBytes, widened, widened + 2 * outRowBytes, outRowBytes);
    }
  }
  RtlCopyMemory(image, image + outRowBytes, outRowBytes);
}

bool DoubledFits(uint32_t width, uint32_t height, uint32_t targetWidth, uint32_t targetHeight) {
  return 4 * static_cast<uint64_t>(width) * height <=
         static_cast<uint64_t>(targetWidth) * targetHeight;
}

}  // namespace

void DoubleBitmap(uint8_t *image, uint32_t width, uint32_t height) {
  DoubleImage(image, width, height, 3, DoubleBitmapRow);
}

void DoubleYuyv(uint8_t *image, uint32_t width, uint32_t height) {
  DoubleImage(image, width, height, 2, DoubleYuyvRow);
}

bool DoubleBitmapInTarget(uint8_t *image, uint32_t width, uint32_t height, uint32_t targetWidth,
                          uint32_t targetHeight) {
  if (!DoubledFits(width, height, targetWidth, targetHeight)) return false;
  DoubleBitmap(image, width, height);
  return true;
}

bool DoubleYuyvInTarget(uint8_t *image, uint32_t width, uint32_t height, uint32_t targetWidth,
                        uint32_t targetHeight) {
  if (!DoubledFits(width, height, targetWidth, targetHeight)) return false;
  DoubleYuyv(image, width, height);
  return true;
}
