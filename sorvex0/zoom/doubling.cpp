// The 2x enlargement of a packed image in place, for both formats.

#include <stddef.h>

#include "sorvex_kernel.h"
#include "zoom/row_math.h"
#include "zoom/zoom.h"

namespace sorvex0 {

namespace {

using DoubleRowFunction = void (*)(const uint8_t *row, uint8_t *out, uint32_t width);

// Pixel i to output pixels 2i (the pixel) and 2i + 1 (its mean with the
// next); the last pixel fills the last two.
//
// The means of a run of pixels are taken byte by byte over the run first
// (mean of byte j and byte j + 3), a loop the compiler vectorises; then each
// output pixel goes as one 4-byte store whose spare byte the next store
// overwrites. The last pixel's bytes go one by one, so nothing is written
// past the doubled row.
constexpr uint32_t kDoublingRun = 32;

void DoubleBitmapRow(const uint8_t *__restrict row, uint8_t *__restrict out, uint32_t width) {
  uint8_t means[3 * kDoublingRun + 1];
  for (uint32_t first = 0; first + 1 < width; first += kDoublingRun) {
    const uint32_t count = width - 1 - first < kDoublingRun ? width - 1 - first : kDoublingRun;
    const uint8_t *pixels = row + 3 * first;
    uint8_t *o = out + 6 * first;
    for (uint32_t j = 0; j < 3 * count; ++j) means[j] = zoom::MeanOf(pixels[j], pixels[j + 3]);
    means[3 * count] = 0;
    for (uint32_t i = 0; i < count; ++i) {
      zoom::StoreBytes32(zoom::LoadBytes32(pixels + 3 * i), o + 6 * i);
      zoom::StoreBytes32(zoom::LoadBytes32(means + 3 * i), o + 6 * i + 3);
    }
  }
  const uint8_t *last = row + 3 * (width - 1);
  RtlCopyMemory(out + 6 * (width - 1), last, 3);
  RtlCopyMemory(out + 6 * (width - 1) + 3, last, 3);
}

// Pair Y0 U Y1 V to (Y0, U, mean(Y0, Y1), V) and (Y1, U, mean(Y1, next Y0),
// V); the last pair of the row has no next and repeats Y1. Pairs are read
// as words into a block, doubled into words there (a loop the compiler
// vectorises) and the block copied out.
uint32_t DoubledPairWord(uint32_t pair, uint32_t luma, uint32_t nextLuma) {
  const uint32_t mean = (luma + nextLuma) >> 1;
  return luma | (pair & 0xFF00FF00u) | (mean << 16);
}

constexpr uint32_t kDoublingPairs = 16;

// `count` pairs whose next luma is the first of the pair after them. Full
// blocks copy a fixed number of bytes, which the compiler does inline.
template <bool kFullBlock>
void DoubleYuyvPairs(const uint8_t *row, uint32_t countGiven, uint8_t *out) {
  const uint32_t count = kFullBlock ? kDoublingPairs : countGiven;
  uint32_t pairs[kDoublingPairs + 1];
  uint32_t doubled[2 * kDoublingPairs];
  RtlCopyMemory(pairs, row, 4 * (count + 1));
  for (uint32_t p = 0; p < count; ++p) {
    const uint32_t y0 = pairs[p] & 0xFFu;
    const uint32_t y1 = (pairs[p] >> 16) & 0xFFu;
    doubled[2 * p] = DoubledPairWord(pairs[p], y0, y1);
    doubled[2 * p + 1] = DoubledPairWord(pairs[p], y1, pairs[p + 1] & 0xFFu);
  }
  RtlCopyMemory(out, doubled, 8 * count);
}

void DoubleYuyvRow(const uint8_t *row, uint8_t *out, uint32_t width) {
  const uint32_t pairs = width / 2;
  if (pairs == 0) return;
  uint32_t p = 0;
  for (; p + kDoublingPairs < pairs; p += kDoublingPairs) DoubleYuyvPairs<true>(row + 4 * p, 0, out + 8 * p);
  if (p + 1 < pairs) DoubleYuyvPairs<false>(row + 4 * p, pairs - 1 - p, out + 8 * p);
  const uint32_t last = zoom::LoadBytes32(row + 4 * (pairs - 1));
  const uint32_t y0 = last & 0xFFu;
  const uint32_t y1 = (last >> 16) & 0xFFu;
  zoom::StoreBytes32(DoubledPairWord(last, y0, y1), out + 8 * (pairs - 1));
  zoom::StoreBytes32(DoubledPairWord(last, y1, y1), out + 8 * (pairs - 1) + 4);
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

}  // namespace

void DoubleBitmap(uint8_t *image, uint32_t width, uint32_t height) {
  DoubleImage(image, width, height, 3, DoubleBitmapRow);
}

void DoubleYuyv(uint8_t *image, uint32_t width, uint32_t height) {
  DoubleImage(image, width, height, 2, DoubleYuyvRow);
}

}  // namespace sorvex0
