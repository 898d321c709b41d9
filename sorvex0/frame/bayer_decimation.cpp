#include "frame/bayer_decimation.h"

#include <stddef.h>

#include "frame/frame_kernels.h"

namespace sorvex0 {

namespace {

// Index of line or column `want` (0..3 within a block starting at `start`),
// pulled back by two (same phase) or to the last one when the frame ends.
uint32_t Clamp(uint32_t start, uint32_t want, uint32_t limit) {
  uint32_t index = start + want;
  while (index >= limit && index >= start + 2) index -= 2;
  return index < limit ? index : limit - 1;
}

struct Block {
  const uint8_t *line[4];
  uint32_t column[4];
};

uint8_t TopLeft(const Block &b) {
  return static_cast<uint8_t>((b.line[0][b.column[0]] + b.line[1][b.column[1]]) / 2);
}
uint8_t TopRight(const Block &b) {
  return static_cast<uint8_t>((5 * b.line[0][b.column[1]] + b.line[0][b.column[3]] +
                               b.line[2][b.column[1]] + b.line[2][b.column[3]]) / 8);
}
uint8_t BottomLeft(const Block &b) {
  return static_cast<uint8_t>((5 * b.line[1][b.column[0]] + b.line[1][b.column[2]] +
                               b.line[3][b.column[0]] + b.line[3][b.column[2]]) / 8);
}
uint8_t BottomRight(const Block &b) {
  return static_cast<uint8_t>((b.line[2][b.column[2]] + b.line[3][b.column[3]]) / 2);
}

}  // namespace

void DecimateBayer(uint8_t *raw, uint32_t width, uint32_t height, uint32_t vectorSets) {
  if (raw == nullptr || width < 2 || height < 2) return;
  const uint32_t outWidth = width / 2;
  const uint32_t outHeight = height / 2;
  const FrameKernels &kernels = FrameKernelsFor(vectorSets);
  const uint32_t wholeBlocks = width / 4;
  for (uint32_t group = 0; 4 * group < height; ++group) {
    Block block;
    for (uint32_t k = 0; k < 4; ++k) {
      block.line[k] = raw + static_cast<size_t>(Clamp(4 * group, k, height)) * width;
    }
    uint8_t *top = raw + static_cast<size_t>(2 * group) * outWidth;
    uint8_t *bottom = top + outWidth;
    // The whole top row first: it is written over the group's first source
    // line, which the bottom row no longer needs. Writing both rows block by
    // block would overwrite samples of group 0 before they are read.
    for (int pass = 0; pass < 2; ++pass) {
      const bool topRow = pass == 0;
      if (!topRow && 2 * group + 1 >= outHeight) break;
      uint8_t *out = topRow ? top : bottom;
      (topRow ? kernels.decimateTopRow : kernels.decimateBottomRow)(block.line, out, wholeBlocks);
      // The block the right edge cuts, with its columns pulled back.
      for (uint32_t j = 4 * wholeBlocks; j < width; j += 4) {
        for (uint32_t k = 0; k < 4; ++k) block.column[k] = Clamp(j, k, width);
        const uint32_t x = j / 2;
        if (x < outWidth) out[x] = topRow ? TopLeft(block) : BottomLeft(block);
        if (x + 1 < outWidth) out[x + 1] = topRow ? TopRight(block) : BottomRight(block);
      }
    }
  }
}

}  // namespace sorvex0
