#include "frame/nearest_resize.h"

#include <stddef.h>

namespace sorvex0 {

namespace {

uint32_t SourceIndex(uint32_t target, uint32_t sourceSize, uint32_t targetSize) {
  return static_cast<uint32_t>(static_cast<uint64_t>(target) * sourceSize / targetSize);
}

// The pair holding a pixel; the last pixel of an odd-width line has no
// partner and borrows the chroma of the pair before it.
uint32_t PairStart(uint32_t pixel, uint32_t width) {
  const uint32_t start = pixel & ~1u;
  return start + 1 < width ? start : start - 2;
}

}  // namespace

void ResizeYuyvNearest(const uint8_t *source, uint32_t sourceWidth, uint32_t sourceHeight,
                       uint8_t *target, uint32_t targetWidth, uint32_t targetHeight) {
  if (source == nullptr || target == nullptr || sourceWidth < 2 || sourceHeight == 0) return;
  const size_t sourceLine = static_cast<size_t>(sourceWidth) * 2;
  const size_t targetLine = static_cast<size_t>(targetWidth) * 2;
  for (uint32_t y = 0; y < targetHeight; ++y) {
    const uint8_t *from = source + SourceIndex(y, sourceHeight, targetHeight) * sourceLine;
    uint8_t *to = target + y * targetLine;
    for (uint32_t x = 0; x + 1 < targetWidth; x += 2) {
      const uint32_t first = SourceIndex(x, sourceWidth, targetWidth);
      const uint32_t second = SourceIndex(x + 1, sourceWidth, targetWidth);
      const uint8_t *pair = from + PairStart(first, sourceWidth) * 2;
      to[2 * x] = from[2 * first];
      to[2 * x + 1] = pair[1];
      to[2 * x + 2] = from[2 * second];
      to[2 * x + 3] = pair[3];
    }
    if ((targetWidth & 1) != 0) {
      // A last unpaired pixel keeps its luma and the chroma it sits on.
      const uint32_t x = targetWidth - 1;
      const uint32_t first = SourceIndex(x, sourceWidth, targetWidth);
      to[2 * x] = from[2 * first];
      to[2 * x + 1] = from[PairStart(first, sourceWidth) * 2 + 1];
    }
  }
}

void ResizeBgrNearest(const uint8_t *source, uint32_t sourceWidth, uint32_t sourceHeight,
                      uint8_t *target, uint32_t targetWidth, uint32_t targetHeight) {
  if (source == nullptr || target == nullptr || sourceWidth == 0 || sourceHeight == 0) return;
  const size_t sourceLine = static_cast<size_t>(sourceWidth) * 3;
  const size_t targetLine = static_cast<size_t>(targetWidth) * 3;
  for (uint32_t y = 0; y < targetHeight; ++y) {
    const uint8_t *from = source + SourceIndex(y, sourceHeight, targetHeight) * sourceLine;
    uint8_t *to = target + y * targetLine;
    for (uint32_t x = 0; x < targetWidth; ++x) {
      const uint8_t *pixel = from + SourceIndex(x, sourceWidth, targetWidth) * 3;
      to[3 * x] = pixel[0];
      to[3 * x + 1] = pixel[1];
      to[3 * x + 2] = pixel[2];
    }
  }
}

}  // namespace sorvex0
