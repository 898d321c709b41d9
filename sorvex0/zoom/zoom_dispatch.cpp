#include "zoom/zoom_dispatch.h"

#include <stddef.h>

#include "sorvex_kernel.h"
#include "zoom/step_kernel.h"
#include "zoom/zoom_levels.h"

namespace sorvex0 {

namespace {

constexpr uint32_t kDoublingLevel = 20;
constexpr uint32_t kDoubleDoublingLevel = 30;

struct ZoomFormat {
  uint32_t bytesPerPixel;
  const zoom::StepKernel *(*stepKernel)(uint32_t level);
  void (*doubleImage)(uint8_t *image, uint32_t width, uint32_t height);
};

constexpr ZoomFormat kBitmapFormat = {3, zoom::BitmapStepKernel, DoubleBitmap};
constexpr ZoomFormat kYuyvFormat = {2, zoom::YuyvStepKernel, DoubleYuyv};

int64_t Larger(int64_t a, int64_t b) { return a > b ? a : b; }
int64_t Smaller(int64_t a, int64_t b) { return a < b ? a : b; }

// Clips b to the window image (placement a's corner, windowWidth x
// windowHeight) and to the frame, so that the cut reads only the window image
// and the placement writes only the frame. False when nothing is left.
bool ClipZoomWindow(ZoomPlacement &b, const ZoomPlacement &a, uint32_t windowWidth,
                    uint32_t windowHeight, uint32_t frameWidth, uint32_t frameHeight) {
  const int64_t x0 = Larger(Larger(b.x0, a.x0), 0);
  const int64_t y0 = Larger(Larger(b.y0, a.y0), 0);
  const int64_t x1 = Smaller(Smaller(b.x1, static_cast<int64_t>(a.x0) + windowWidth), frameWidth);
  const int64_t y1 = Smaller(Smaller(b.y1, static_cast<int64_t>(a.y0) + windowHeight), frameHeight);
  if (x1 <= x0 || y1 <= y0) return false;
  b = {static_cast<int32_t>(x0), static_cast<int32_t>(y0), static_cast<int32_t>(x1),
       static_cast<int32_t>(y1)};
  return true;
}

// Enlarges the packed window with the kernel of `level`, or places it in a
// black frame when the kernel's result would not fit the frame.
void EnlargeWindow(const ZoomFormat &format, uint32_t level, uint8_t *image, uint32_t width,
                   uint32_t height, uint32_t frameWidth, uint32_t frameHeight,
                   const ZoomPlacement &b) {
  if (level == kDoublingLevel || level == kDoubleDoublingLevel) {
    // The doublings ignore the frame height; they run only when the doubled
    // rows fit in it.
    const uint32_t factor = level == kDoublingLevel ? 2 : 4;
    if (static_cast<uint64_t>(height) * factor <= frameHeight) {
      format.doubleImage(image, width, height);
      if (factor == 4) format.doubleImage(image, 2 * width, 2 * height);
      return;
    }
  } else if (const zoom::StepKernel *kernel = format.stepKernel(level)) {
    zoom::RunStepKernel(*kernel, image, width, height, frameWidth, frameHeight);
    return;
  }
  PlaceWindowInFrame(format.bytesPerPixel, image, width, height, frameWidth, frameHeight, b);
}

void ZoomFrame(const ZoomFormat &format, uint32_t level, uint8_t *image, uint32_t windowWidth,
               uint32_t windowHeight, uint32_t frameWidth, uint32_t frameHeight, ZoomPlacement a,
               ZoomPlacement b) {
  if (level == 0 || image == nullptr || frameWidth == 0 || frameHeight == 0) return;
  // The window image must lie within the frame's buffer.
  if (windowWidth == 0 || windowHeight == 0 ||
      static_cast<uint64_t>(windowWidth) * windowHeight >
          static_cast<uint64_t>(frameWidth) * frameHeight) {
    return;
  }
  if (!ClipZoomWindow(b, a, windowWidth, windowHeight, frameWidth, frameHeight)) {
    RtlZeroMemory(image, static_cast<size_t>(frameWidth) * frameHeight * format.bytesPerPixel);
    return;
  }
  CutZoomWindow(format.bytesPerPixel, image, windowWidth, windowHeight, a, b);
  const uint32_t width = static_cast<uint32_t>(b.x1 - b.x0);
  const uint32_t height = static_cast<uint32_t>(b.y1 - b.y0);
  // The CIF widths are never enlarged.
  if (frameWidth == 352 || frameWidth == 176) {
    PlaceWindowInFrame(format.bytesPerPixel, image, width, height, frameWidth, frameHeight, b);
    return;
  }
  if (frameWidth == width) return;
  const uint32_t kernelLevel = ZoomLevelOfWidths(frameWidth, width);
  if (kernelLevel == 0) {
    PlaceWindowInFrame(format.bytesPerPixel, image, width, height, frameWidth, frameHeight, b);
    return;
  }
  EnlargeWindow(format, kernelLevel, image, width, height, frameWidth, frameHeight, b);
}

}  // namespace

uint32_t ZoomLevelOfWidths(uint32_t frameWidth, uint32_t windowWidth) {
  for (uint32_t level = 1; level <= zoom::kHighestLevel; ++level) {
    if (static_cast<uint64_t>(frameWidth) * (80 - 2 * level) ==
        static_cast<uint64_t>(windowWidth) * 80) {
      return level;
    }
  }
  return 0;
}

void CutZoomWindow(uint32_t bytesPerPixel, uint8_t *image, uint32_t windowWidth,
                   uint32_t windowHeight, const ZoomPlacement &a, const ZoomPlacement &b) {
  const uint32_t width = static_cast<uint32_t>(b.x1 - b.x0);
  const uint32_t height = static_cast<uint32_t>(b.y1 - b.y0);
  if (width == windowWidth && height == windowHeight) return;
  const size_t rowBytes = static_cast<size_t>(width) * bytesPerPixel;
  const size_t windowRowBytes = static_cast<size_t>(windowWidth) * bytesPerPixel;
  const uint8_t *source = image + static_cast<size_t>(b.y0 - a.y0) * windowRowBytes +
                          static_cast<size_t>(b.x0 - a.x0) * bytesPerPixel;
  uint8_t *target = image;
  // The target never passes the source; a row may overlap its own source.
  for (uint32_t row = 0; row < height; ++row) {
    RtlMoveMemory(target, source, rowBytes);
    target += rowBytes;
    source += windowRowBytes;
  }
}

void PlaceWindowInFrame(uint32_t bytesPerPixel, uint8_t *image, uint32_t width, uint32_t height,
                        uint32_t frameWidth, uint32_t frameHeight, const ZoomPlacement &b) {
  const size_t frameRowBytes = static_cast<size_t>(frameWidth) * bytesPerPixel;
  const size_t rowBytes = static_cast<size_t>(width) * bytesPerPixel;
  const size_t left = static_cast<size_t>(b.x0) * bytesPerPixel;
  const uint32_t top = static_cast<uint32_t>(b.y0);
  // Last row first: a row's place lies past every window row above it. A row
  // that does not move clear of itself is moved whole, not smeared.
  for (uint32_t k = height; k-- > 0;) {
    RtlMoveMemory(image + (top + k) * frameRowBytes + left, image + k * rowBytes, rowBytes);
  }
  const uint32_t bottom = top + height;
  RtlZeroMemory(image + bottom * frameRowBytes, (frameHeight - bottom) * frameRowBytes);
  // The right margin is cleared to the end of the row, whatever the left
  // margin's width: for a window off centre the two differ.
  const size_t right = left + rowBytes;
  for (uint32_t y = bottom; y-- > top;) {
    uint8_t *row = image + y * frameRowBytes;
    RtlZeroMemory(row, left);
    RtlZeroMemory(row + right, frameRowBytes - right);
  }
  RtlZeroMemory(image, top * frameRowBytes);
}

void ZoomBitmap(uint32_t level, uint8_t *image, uint32_t windowWidth, uint32_t windowHeight,
                uint32_t frameWidth, uint32_t frameHeight, ZoomPlacement a, ZoomPlacement b) {
  ZoomFrame(kBitmapFormat, level, image, windowWidth, windowHeight, frameWidth, frameHeight, a, b);
}

void ZoomYuyv(uint32_t level, uint8_t *image, uint32_t windowWidth, uint32_t windowHeight,
              uint32_t frameWidth, uint32_t frameHeight, ZoomPlacement a, ZoomPlacement b) {
  ZoomFrame(kYuyvFormat, level, image, windowWidth, windowHeight, frameWidth, frameHeight, a, b);
}

void EnlargeBitmap1280x960To1600x1200(uint8_t *image) {
  zoom::RunStepKernel(*zoom::BitmapStepKernel(8), image, 1280, 960, 1600, 1200);
}

void EnlargeYuyv1280x960To1600x1200(uint8_t *image) {
  zoom::RunStepKernel(*zoom::YuyvStepKernel(8), image, 1280, 960, 1600, 1200);
}

}  // namespace sorvex0
