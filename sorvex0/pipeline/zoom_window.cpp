#include "pipeline/zoom_window.h"

#include "sorvex_kernel.h"

namespace {

// Two source lines of YUYV to one target line of half the width: each group
// of two pixel pairs becomes one pair, every sample the mean of four.
void ReduceYuyvRowPair2To1(const uint8_t *above, const uint8_t *below, uint8_t *out,
                           uint32_t targetWidth) {
  for (uint32_t pair = 0; pair < targetWidth / 2; ++pair) {
    const uint8_t *a = above + 8 * pair;
    const uint8_t *b = below + 8 * pair;
    uint8_t *o = out + 4 * pair;
    o[0] = static_cast<uint8_t>((a[0] + a[2] + b[0] + b[2]) >> 2);
    o[1] = static_cast<uint8_t>((a[1] + a[5] + b[1] + b[5]) >> 2);
    o[2] = static_cast<uint8_t>((a[4] + a[6] + b[4] + b[6]) >> 2);
    o[3] = static_cast<uint8_t>((a[3] + a[7] + b[3] + b[7]) >> 2);
  }
}

// Target lines are written at or before the source lines they come from, so
// the reduction also works in place.
void ReduceYuyv2To1(const uint8_t *source, uint32_t sourceWidth, uint32_t sourceHeight,
                    uint8_t *target, uint32_t targetWidth) {
  const size_t sourceLine = static_cast<size_t>(sourceWidth) * 2;
  const size_t targetLine = static_cast<size_t>(targetWidth) * 2;
  for (uint32_t y = 0; y + 1 < sourceHeight; y += 2) {
    const uint8_t *above = source + y * sourceLine;
    ReduceYuyvRowPair2To1(above, above + sourceLine, target + (y / 2) * targetLine, targetWidth);
  }
}

}  // namespace

void ReduceYuyv(uint8_t *source, uint32_t sourceWidth, uint32_t sourceHeight, uint8_t *target,
                uint32_t targetWidth, uint32_t targetHeight) {
  if (source == nullptr || target == nullptr || targetWidth == 0) return;
  // The target never receives more lines than it has.
  if (sourceWidth == 4 * targetWidth) {
    const uint32_t lines = sourceHeight / 2 < 2 * targetHeight ? sourceHeight / 2 : 2 * targetHeight;
    ReduceYuyv2To1(source, sourceWidth, 2 * lines, source, 2 * targetWidth);
    ReduceYuyv2To1(source, 2 * targetWidth, lines, target, targetWidth);
  } else if (sourceWidth == 2 * targetWidth) {
    const uint32_t lines = sourceHeight < 2 * targetHeight ? sourceHeight : 2 * targetHeight;
    ReduceYuyv2To1(source, sourceWidth, lines, target, targetWidth);
  } else if (sourceWidth == targetWidth && sourceHeight == targetHeight && source != target) {
    RtlCopyMemory(target, source, static_cast<size_t>(targetWidth) * targetHeight * 2);
  }
}
