#include "frame/zoom_window.h"

#include <stddef.h>

#include "sorvex_kernel.h"

namespace sorvex0 {

namespace {

constexpr uint32_t kYuyvBytesPerPixel = 2;

int64_t Smaller(int64_t a, int64_t b) { return a < b ? a : b; }
int64_t Larger(int64_t a, int64_t b) { return a > b ? a : b; }

// The start of an extent `size` long at `position`, pulled back (never below
// `low`) so that it ends by `high`.
int64_t FitWithin(int64_t position, int64_t size, int64_t low, int64_t high) {
  return Larger(Smaller(position, high - size), low);
}

// A positioned window's start: the position, at most ((room - 2) / 2) * 2,
// rounded down to a multiple of 4 (as the divisions truncate, a negative
// limit gives 0).
int64_t PositionedStart(int64_t position, int64_t room) {
  return Larger(Smaller(position, (room - 2) / 2 * 2) / 4 * 4, 0);
}

ZoomPlacement Placement(int64_t x0, int64_t y0, int64_t width, int64_t height) {
  return {static_cast<int32_t>(x0), static_cast<int32_t>(y0), static_cast<int32_t>(x0 + width),
          static_cast<int32_t>(y0 + height)};
}

ZoomWindowCut WholeFrame(uint32_t sourceWidth, uint32_t sourceHeight, uint32_t outputWidth,
                         uint32_t outputHeight) {
  const ZoomPlacement whole = Placement(0, 0, outputWidth, outputHeight);
  return {sourceWidth, sourceHeight, outputWidth, outputHeight, whole, whole};
}

// Packs `lines` lines of `width` pixels from (column, firstLine) of the
// source frame at its start. Each line lands at or before its source, so the
// forward moves are safe in place.
void PackCut(uint8_t *image, uint32_t bytesPerPixel, int64_t sourceWidth, int64_t column,
             int64_t firstLine, int64_t width, int64_t lines) {
  const size_t lineBytes = static_cast<size_t>(width) * bytesPerPixel;
  for (int64_t line = 0; line < lines; ++line) {
    const uint8_t *from =
        image + static_cast<size_t>((firstLine + line) * sourceWidth + column) * bytesPerPixel;
    uint8_t *to = image + static_cast<size_t>(line) * lineBytes;
    if (from != to) RtlMoveMemory(to, from, lineBytes);
  }
}

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

ZoomWindowCut CropZoomWindow(uint32_t level, int32_t x, int32_t y, uint32_t bytesPerPixel,
                             uint8_t *image, uint32_t sourceWidth, uint32_t sourceHeight,
                             uint32_t outputWidth, uint32_t outputHeight) {
  const int64_t W = outputWidth;
  const int64_t H = outputHeight;
  const int64_t Ws = sourceWidth;
  const int64_t Hs = sourceHeight;
  int64_t h = W - W * level / 40;  // the zoom window's width
  if (level == 0 || image == nullptr || bytesPerPixel == 0 || W == 0 || H == 0 || Ws == 0 ||
      Hs == 0 || h <= 0) {
    return WholeFrame(sourceWidth, sourceHeight, outputWidth, outputHeight);
  }
  // The window image: h rounded up to a multiple of 16, never wider than the
  // frame (which only a width off the multiples of 16 could make it).
  int64_t m = Smaller((h + 15) / 16 * 16, W);
  int64_t o = H * m / W;         // and its height
  const int64_t t = Ws * m / W;  // the cut, in source pixels
  const int64_t u = Hs * m / W;
  int64_t v = H * h / W;  // the zoom window's height
  if (h % 2 != 0) ++h;
  if (v % 2 != 0) v += Hs == 1024 ? -1 : 1;
  // Rounding h and v up must not take the zoom window out of the window image.
  h = Smaller(h, m);
  v = Smaller(v, o);
  if (Ws == 2 * W && t <= W) {
    m *= 2;
    o *= 2;
    h *= 2;
    v *= 2;
  }

  // The corners of placements a and b, and the cut's first column and line.
  int64_t ax = 0;
  int64_t ay = 0;
  int64_t bx = 0;
  int64_t by = 0;
  int64_t column = 0;
  int64_t line = 0;
  if (x == kCentredWindow && y == kCentredWindow) {
    bx = (W - h + 1) / 2;
    by = (H - v + 3) / 4 * 2;
    ax = (W - m + 1) / 2;
    ay = (H - o + 3) / 4 * 2;
    line = (Hs - u + 3) / 4 * 2;
    column = (Ws - t + 1) / 2;
  } else {
    int64_t px = Larger(x, 0);
    int64_t py = Larger(y, 0);
    bx = PositionedStart(px, W - h);
    by = PositionedStart(py, H - v);
    ax = PositionedStart(px, W - m);
    ay = PositionedStart(py, H - o);
    if (t >= 2 * h) {
      px *= 2;
      py *= 2;
    }
    line = PositionedStart(py, Hs - u);
    column = PositionedStart(px, Ws - t);
  }
  // The rounding of the starts can leave a window poking out by a line or a
  // few pixels (the window image past the frame's bottom, b past a's edge, the
  // cut past the source's last line); pull them back in.
  ax = FitWithin(ax, m, 0, W);
  ay = FitWithin(ay, o, 0, H);
  bx = FitWithin(bx, h, ax, ax + m);
  by = FitWithin(by, v, ay, ay + o);
  line = FitWithin(line, u, 0, Hs);
  column = FitWithin(column, t, 0, Ws);

  PackCut(image, bytesPerPixel, Ws, column, line, t, u);
  return {static_cast<uint32_t>(t), static_cast<uint32_t>(u), static_cast<uint32_t>(m),
          static_cast<uint32_t>(o), Placement(ax, ay, m, o), Placement(bx, by, h, v)};
}

ZoomWindowCut ZoomYuyvWindow(uint32_t level, int32_t x, int32_t y, uint8_t *source,
                             uint32_t sourceWidth, uint32_t sourceHeight, uint8_t *target,
                             uint32_t width, uint32_t height) {
  const ZoomWindowCut cut =
      CropZoomWindow(level, x, y, kYuyvBytesPerPixel, source, sourceWidth, sourceHeight, width, height);
  ReduceYuyv(source, cut.cutWidth, cut.cutHeight, target, cut.windowWidth, cut.windowHeight);
  ZoomYuyv(level, target, cut.windowWidth, cut.windowHeight, width, height, cut.a, cut.b);
  return cut;
}

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
  } else if (sourceWidth == targetWidth && source != target) {
    // Heights that differ by a rounding still give the lines both have.
    const uint32_t lines = sourceHeight < targetHeight ? sourceHeight : targetHeight;
    RtlCopyMemory(target, source, static_cast<size_t>(targetWidth) * lines * 2);
  }
}

}  // namespace sorvex0
