// The 2x enlargement of a packed image in place, for both formats.

#include <stddef.h>

#include "sorvex_kernel.h"
#include "zoom/row_math.h"
#include "zoom/widen_shuffle.h"
#include "zoom/zoom.h"
#include "zoom/zoom_kernels.h"

namespace sorvex0 {

namespace {

using DoubleRowFunction = void (*)(const zoom::ZoomKernels &kernels, const uint8_t *row, uint8_t *out,
                                   uint32_t width);

// Pixel i to output pixels 2i (the pixel) and 2i + 1 (its mean with the
// next); the last pixel fills the last two.
//
// The means of a run of pixels are taken byte by byte over the run first
// (mean of byte j and byte j + 3), a loop the compiler vectorises; then each
// output pixel goes as one 4-byte store whose spare byte the next store
// overwrites. The last pixel's bytes go one by one, so nothing is written
// past the doubled row.
constexpr uint32_t kDoublingRun = 32;

void DoubleBitmapPixels(const uint8_t *__restrict row, uint8_t *__restrict out, uint32_t width) {
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

// The same as byte shuffles: a group of one pixel doubled, its mean reaching
// the next pixel.
struct DoubledPixelBytes {
  static constexpr zoom::GroupBytes kBytes = {{0, 1, 2, 0, 1, 2}, {0, 1, 2, 3, 4, 5}, 6, 3};
};
using DoublingShuffle = zoom::LevelShuffle<DoubledPixelBytes>;
static_assert(DoublingShuffle::kPlan.fits, "a doubled chunk's pixels lie within one load");

// The shuffles' whole periods first, then the rest and the last pixel.
void DoubleBitmapRow(const zoom::ZoomKernels &kernels, const uint8_t *row, uint8_t *out, uint32_t width) {
  const uint32_t done = zoom::WidenByShuffle(kernels, &DoublingShuffle::kShuffle, row, out, width, 3);
  DoubleBitmapPixels(row + 3 * static_cast<size_t>(done), out + 6 * static_cast<size_t>(done), width - done);
}

// Pair Y0 U Y1 V to (Y0, U, mean(Y0, Y1), V) and (Y1, U, mean(Y1, next Y0),
// V); the last pair of the row has no next and repeats Y1.
uint32_t DoubledPairWord(uint32_t pair, uint32_t luma, uint32_t nextLuma) {
  const uint32_t mean = (luma + nextLuma) >> 1;
  return luma | (pair & 0xFF00FF00u) | (mean << 16);
}

constexpr uint32_t kDoublingPairs = 16;

// `count` pairs whose next luma is the first of the pair after them, read
// as words into a block, doubled into words there (a loop the compiler
// vectorises in the host build) and the block copied out. Full blocks copy
// a fixed number of bytes, which the compiler does inline.
template <bool kFullBlock>
void DoubleYuyvPairBlock(const uint8_t *row, uint32_t countGiven, uint8_t *out) {
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

// All pairs but the last by the kernel, then the last, which repeats Y1.
void DoubleYuyvRow(const zoom::ZoomKernels &kernels, const uint8_t *row, uint8_t *out, uint32_t width) {
  const uint32_t pairs = width / 2;
  if (pairs == 0) return;
  kernels.doubleYuyvPairs(row, pairs - 1, out);
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
                 DoubleRowFunction doubleRow, uint32_t vectorSets) {
  if (image == nullptr || width == 0 || height == 0) return;
  const size_t rowBytes = static_cast<size_t>(width) * bytesPerPixel;
  const size_t outRowBytes = 2 * rowBytes;
  const zoom::ZoomKernels &kernels = zoom::ZoomKernelsFor(vectorSets);
  for (uint32_t r = height; r-- > 0;) {
    uint8_t *widened = image + (2 * static_cast<size_t>(r) + 1) * outRowBytes;
    doubleRow(kernels, image + r * rowBytes, widened, width);
    if (r + 1 < height) kernels.meanRows(widened + outRowBytes, widened, widened + 2 * outRowBytes, outRowBytes);
  }
  RtlCopyMemory(image, image + outRowBytes, outRowBytes);
}

}  // namespace

void DoubleBitmap(uint8_t *image, uint32_t width, uint32_t height, uint32_t vectorSets) {
  DoubleImage(image, width, height, 3, DoubleBitmapRow, vectorSets);
}

void DoubleYuyv(uint8_t *image, uint32_t width, uint32_t height, uint32_t vectorSets) {
  DoubleImage(image, width, height, 2, DoubleYuyvRow, vectorSets);
}

namespace zoom {
namespace scalar {

void DoubleYuyvPairs(const uint8_t *row, uint32_t count, uint8_t *out) {
  uint32_t p = 0;
  for (; p + kDoublingPairs <= count; p += kDoublingPairs) DoubleYuyvPairBlock<true>(row + 4 * p, 0, out + 8 * p);
  if (p < count) DoubleYuyvPairBlock<false>(row + 4 * p, count - p, out + 8 * p);
}

}  // namespace scalar
}  // namespace zoom

}  // namespace sorvex0
