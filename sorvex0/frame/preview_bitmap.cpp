#include "frame/preview_bitmap.h"

#include "core/bayer_layout.h"
#include "frame/bayer_decimation.h"
#include "frame/frame_kernels.h"
#include "sorvex_kernel.h"

namespace sorvex0 {

namespace {

struct Raw {
  const uint8_t *data;
  uint32_t width;
  uint32_t height;
  uint32_t at(uint32_t x, uint32_t y) const { return data[static_cast<size_t>(y) * width + x]; }
};

void PutBgr(uint8_t *pixel, uint32_t r, uint32_t g, uint32_t b) {
  pixel[0] = static_cast<uint8_t>(b);
  pixel[1] = static_cast<uint8_t>(g);
  pixel[2] = static_cast<uint8_t>(r);
}

// Mean of the samples of `colour` among the eight neighbours that exist; the
// nearest ones of that colour (the diagonals, or the pair on the line or the
// column). Sums of two and four shift, so the means truncate like the
// interior ones. With no such neighbour (frames one sample thick), the
// nearest sample of that colour on the line or column two away, else 0.
uint32_t NearestMean(const Raw &raw, uint32_t x, uint32_t y, BayerColour colour) {
  uint32_t sum = 0;
  uint32_t count = 0;
  for (int dy = -1; dy <= 1; ++dy) {
    for (int dx = -1; dx <= 1; ++dx) {
      if (dx == 0 && dy == 0) continue;
      const int64_t nx = static_cast<int64_t>(x) + dx;
      const int64_t ny = static_cast<int64_t>(y) + dy;
      if (nx < 0 || ny < 0 || nx >= raw.width || ny >= raw.height) continue;
      const uint32_t ux = static_cast<uint32_t>(nx);
      const uint32_t uy = static_cast<uint32_t>(ny);
      if (BayerColourAt(ux, uy) != colour) continue;
      sum += raw.at(ux, uy);
      ++count;
    }
  }
  if (count == 0) return 0;
  if (count == 4) return sum >> 2;
  if (count == 2) return sum >> 1;
  return sum / count;
}

void FullSizePixelAtBorder(const Raw &raw, uint32_t x, uint32_t y, uint8_t *pixel) {
  uint32_t value[3];
  const BayerColour own = BayerColourAt(x, y);
  for (int c = 0; c < 3; ++c) {
    value[c] = c == own ? raw.at(x, y) : NearestMean(raw, x, y, static_cast<BayerColour>(c));
  }
  PutBgr(pixel, value[kBayerRed], value[kBayerGreen], value[kBayerBlue]);
}

// The last line of an even-height frame is a red-green line: each pair of
// pixels takes red and green from its own pair and blue from the line above.
bool BottomLinePair(const Raw &raw, uint32_t x, uint32_t y, uint8_t *pixel) {
  if (y + 1 != raw.height || (raw.height & 1) != 0 || raw.height < 2) return false;
  const uint32_t c = x & ~1u;
  if (c + 1 >= raw.width) return false;
  PutBgr(pixel, raw.at(c, y), raw.at(c + 1, y), raw.at(c + 1, y - 1));
  return true;
}

}  // namespace

void BayerToBgrFullSize(const uint8_t *data, uint32_t width, uint32_t height, uint8_t *bgr,
                        uint32_t stride, uint32_t lines, uint32_t vectorSets) {
  const Raw raw{data, width, height};
  const uint32_t columns = width < stride ? width : stride;
  const FrameKernels &kernels = FrameKernelsFor(vectorSets);
  for (uint32_t out = 0; out < lines && out < height; ++out) {
    const uint32_t y = height - 1 - out;
    uint8_t *line = bgr + static_cast<size_t>(out) * stride * 3;
    const bool borderLine = y < 2 || y + 2 >= height;
    // Inside: columns 2 .. width - 3 of the lines two or more from the edges.
    const uint32_t insideEnd = width - 2 < columns ? width - 2 : columns;
    const bool inside = !borderLine && width >= 2 && insideEnd > 2;
    if (inside) {
      const uint8_t *centre = data + static_cast<size_t>(y) * width;
      kernels.bayerLineToBgr(centre - width, centre, centre + width, 2, insideEnd, IsGreenBlueLine(y), line);
    }
    for (uint32_t x = 0; x < columns; ++x) {
      if (inside && x == 2) x = insideEnd;  // past the row kernel's pixels
      if (x >= columns) break;
      uint8_t *pixel = line + static_cast<size_t>(x) * 3;
      if (BottomLinePair(raw, x, y, pixel)) continue;
      FullSizePixelAtBorder(raw, x, y, pixel);
    }
  }
}

void BayerToBgrHalfSize(const uint8_t *data, uint32_t width, uint32_t height, uint8_t *bgr,
                        uint32_t stride, uint32_t lines, uint32_t vectorSets) {
  const uint32_t cells = width / 2 < stride ? width / 2 : stride;
  const FrameKernels &kernels = FrameKernelsFor(vectorSets);
  // Cell lines from the bottom of the frame up; k and k + 1 are one cell.
  for (uint32_t out = 0; out < lines && out < height / 2; ++out) {
    const uint32_t k = (height & ~1u) - 2 - 2 * out;
    const uint8_t *upper = data + static_cast<size_t>(k) * width;
    kernels.bayerCellsToBgr(upper, upper + width, cells, bgr + static_cast<size_t>(out) * stride * 3);
  }
}

void ConvertRawToPreviewBitmap(uint8_t *destination, uint8_t *raw, uint32_t outputWidth,
                               uint32_t outputHeight, uint32_t captureWidth, uint32_t captureHeight,
                               uint32_t vectorSets) {
  if (destination == nullptr || outputWidth == 0 || outputHeight == 0) return;
  // 1: full size, 2: half size, 4: half size of the decimated frame.
  uint32_t reduction = 1;
  if (outputWidth != captureWidth) reduction = outputWidth >= captureWidth / 2 ? 2 : 4;
  if (raw == nullptr || captureWidth / reduction < outputWidth ||
      captureHeight / reduction < outputHeight) {
    RtlZeroMemory(destination, static_cast<size_t>(outputWidth) * outputHeight * 3);
  }
  if (raw == nullptr || captureWidth == 0 || captureHeight == 0) return;
  switch (reduction) {
    case 1:
      BayerToBgrFullSize(raw, captureWidth, captureHeight, destination, outputWidth, outputHeight, vectorSets);
      break;
    case 2:
      BayerToBgrHalfSize(raw, captureWidth, captureHeight, destination, outputWidth, outputHeight, vectorSets);
      break;
    default:
      DecimateBayer(raw, captureWidth, captureHeight, vectorSets);
      BayerToBgrHalfSize(raw, captureWidth / 2, captureHeight / 2, destination, outputWidth,
                         outputHeight, vectorSets);
      break;
  }
}

}  // namespace sorvex0
