#include "demosaic.h"

#include "bayer.h"
#include "pixel_math.h"
#include "sorvex_kernel.h"

namespace sorvex1 {
namespace {

// Column indices of the 5x5 window around one pixel.
struct Columns {
  int32_t m2, m1, c, p1, p2;
};

inline Columns ColumnsAround(int32_t x, int32_t width) {
  if (x >= 2 && x + 2 < width) return {x - 2, x - 1, x, x + 1, x + 2};
  return {ReflectIndex(x - 2, width), ReflectIndex(x - 1, width), x, ReflectIndex(x + 1, width),
          ReflectIndex(x + 2, width)};
}

// The filters below return 16 times the estimate; their weights add up to 16.
// They are declared inline so that the row loops get them inlined and
// vectorise. Every estimate lies within 28 * 255 either way, so they are
// 16-bit values, which the vector units take eight at a time.
using Lines = const uint8_t *const *;
using Sixteenths = int16_t;

inline Sixteenths Sample(Lines l, int32_t line, int32_t column) { return l[line][column]; }

inline Sixteenths AxialNear(Lines l, Columns k) {
  return static_cast<Sixteenths>(Sample(l, 1, k.c) + Sample(l, 3, k.c) + Sample(l, 2, k.m1) + Sample(l, 2, k.p1));
}

inline Sixteenths AxialFar(Lines l, Columns k) {
  return static_cast<Sixteenths>(Sample(l, 0, k.c) + Sample(l, 4, k.c) + Sample(l, 2, k.m2) + Sample(l, 2, k.p2));
}

inline Sixteenths Diagonals(Lines l, Columns k) {
  return static_cast<Sixteenths>(Sample(l, 1, k.m1) + Sample(l, 1, k.p1) + Sample(l, 3, k.m1) + Sample(l, 3, k.p1));
}

// Green at a red or blue sample.
inline Sixteenths GreenAtRedOrBlue(Lines l, Columns k) {
  return static_cast<Sixteenths>(8 * Sample(l, 2, k.c) + 4 * AxialNear(l, k) - 2 * AxialFar(l, k));
}

// Red or blue at a green sample whose left and right neighbours carry it.
inline Sixteenths ColourFromRowAtGreen(Lines l, Columns k) {
  const Sixteenths sides = static_cast<Sixteenths>(Sample(l, 2, k.m1) + Sample(l, 2, k.p1));
  const Sixteenths farSides = static_cast<Sixteenths>(Sample(l, 2, k.m2) + Sample(l, 2, k.p2));
  const Sixteenths farVertical = static_cast<Sixteenths>(Sample(l, 0, k.c) + Sample(l, 4, k.c));
  return static_cast<Sixteenths>(10 * Sample(l, 2, k.c) + 8 * sides - 2 * farSides - 2 * Diagonals(l, k) + farVertical);
}

// Red or blue at a green sample whose upper and lower neighbours carry it.
inline Sixteenths ColourFromColumnAtGreen(Lines l, Columns k) {
  const Sixteenths vertical = static_cast<Sixteenths>(Sample(l, 1, k.c) + Sample(l, 3, k.c));
  const Sixteenths farVertical = static_cast<Sixteenths>(Sample(l, 0, k.c) + Sample(l, 4, k.c));
  const Sixteenths farSides = static_cast<Sixteenths>(Sample(l, 2, k.m2) + Sample(l, 2, k.p2));
  return static_cast<Sixteenths>(10 * Sample(l, 2, k.c) + 8 * vertical - 2 * farVertical - 2 * Diagonals(l, k) + farSides);
}

// Red at a blue sample or blue at a red one: the diagonal neighbours carry it.
inline Sixteenths ColourFromDiagonalsAtOpposite(Lines l, Columns k) {
  return static_cast<Sixteenths>(12 * Sample(l, 2, k.c) + 4 * Diagonals(l, k) - 3 * AxialFar(l, k));
}

// The colours of one pixel, 16 times their value.
struct Rgb16 {
  Sixteenths red, green, blue;
};

// The four Bayer sites; k holds the columns around the pixel.
inline Rgb16 GreenOnGreenBlueLine(Lines l, Columns k) {  // blue to the sides, red above and below
  return {ColourFromColumnAtGreen(l, k), static_cast<Sixteenths>(16 * Sample(l, 2, k.c)), ColourFromRowAtGreen(l, k)};
}
inline Rgb16 BlueSite(Lines l, Columns k) {
  return {ColourFromDiagonalsAtOpposite(l, k), GreenAtRedOrBlue(l, k), static_cast<Sixteenths>(16 * Sample(l, 2, k.c))};
}
inline Rgb16 RedSite(Lines l, Columns k) {
  return {static_cast<Sixteenths>(16 * Sample(l, 2, k.c)), GreenAtRedOrBlue(l, k), ColourFromDiagonalsAtOpposite(l, k)};
}
inline Rgb16 GreenOnRedGreenLine(Lines l, Columns k) {  // red to the sides, blue above and below
  return {ColourFromRowAtGreen(l, k), static_cast<Sixteenths>(16 * Sample(l, 2, k.c)), ColourFromColumnAtGreen(l, k)};
}

// ClampShiftToByte(value, 4) in 16 bits: the estimate rounded, negative
// ones clamped to 0 before the shift.
inline uint8_t SixteenthsToByte(Sixteenths value) {
  const Sixteenths rounded = static_cast<Sixteenths>(value + 8);
  const Sixteenths whole = static_cast<Sixteenths>((rounded < 0 ? 0 : rounded) >> 4);
  return static_cast<uint8_t>(whole > 255 ? 255 : whole);
}

inline void StorePixel(const Rgb16 &pixel, int32_t x, const RgbPlanes &out) {
  out.red[x] = SixteenthsToByte(pixel.red);
  out.green[x] = SixteenthsToByte(pixel.green);
  out.blue[x] = SixteenthsToByte(pixel.blue);
}

// One pixel with its columns mirrored at the line ends.
inline void DemosaicPixel(Lines l, int32_t width, bool greenBlueLine, int32_t x, const RgbPlanes &out) {
  const Columns k = ColumnsAround(x, width);
  const bool evenColumn = (x & 1) == 0;
  if (greenBlueLine) {
    StorePixel(evenColumn ? GreenOnGreenBlueLine(l, k) : BlueSite(l, k), x, out);
  } else {
    StorePixel(evenColumn ? RedSite(l, k) : GreenOnRedGreenLine(l, k), x, out);
  }
}

inline Columns ColumnsAt(int32_t x) { return {x - 2, x - 1, x, x + 1, x + 2}; }

// Pixels demosaiced per block of the interior, in pairs.
constexpr int32_t kBlockPixels = 32;

// The pixels from column 2 to width - 3, whose 5x5 windows lie inside the
// line, a block of pairs (even column, odd column) at a time: the Bayer site
// of each is fixed, so the block's loop has no branches, and its results go
// to local arrays that cannot overlap the lines, so it vectorises. Returns
// the first column it left over.
template <Rgb16 (*EvenSite)(Lines, Columns), Rgb16 (*OddSite)(Lines, Columns)>
int32_t DemosaicInteriorBlocks(Lines l, int32_t width, const RgbPlanes &out) {
  int32_t x = 2;
  for (; x + kBlockPixels + 2 <= width; x += kBlockPixels) {
    uint8_t red[kBlockPixels];
    uint8_t green[kBlockPixels];
    uint8_t blue[kBlockPixels];
    for (int32_t i = 0; i < kBlockPixels; i += 2) {
      const Rgb16 even = EvenSite(l, ColumnsAt(x + i));
      const Rgb16 odd = OddSite(l, ColumnsAt(x + i + 1));
      red[i] = SixteenthsToByte(even.red);
      green[i] = SixteenthsToByte(even.green);
      blue[i] = SixteenthsToByte(even.blue);
      red[i + 1] = SixteenthsToByte(odd.red);
      green[i + 1] = SixteenthsToByte(odd.green);
      blue[i + 1] = SixteenthsToByte(odd.blue);
    }
    RtlCopyMemory(out.red + x, red, kBlockPixels);
    RtlCopyMemory(out.green + x, green, kBlockPixels);
    RtlCopyMemory(out.blue + x, blue, kBlockPixels);
  }
  return x;
}

}  // namespace

void DemosaicLineToPlanes(const uint8_t *const l[5], int32_t width, bool greenBlueLine, const RgbPlanes &out) {
  const int32_t edge = MinInt(2, width);
  for (int32_t x = 0; x < edge; ++x) DemosaicPixel(l, width, greenBlueLine, x, out);
  int32_t rest = edge;
  if (width > 4) {
    rest = greenBlueLine ? DemosaicInteriorBlocks<GreenOnGreenBlueLine, BlueSite>(l, width, out)
                         : DemosaicInteriorBlocks<RedSite, GreenOnRedGreenLine>(l, width, out);
  }
  for (int32_t x = rest; x < width; ++x) DemosaicPixel(l, width, greenBlueLine, x, out);
}

void DemosaicFrameLine(const uint8_t *raw, int32_t width, int32_t height, int32_t y, const RgbPlanes &out) {
  const uint8_t *lines[5];
  for (int32_t i = 0; i < 5; ++i) lines[i] = raw + LineOffset(ReflectIndex(y + i - 2, height), width);
  DemosaicLineToPlanes(lines, width, IsGreenBlueLine(y), out);
}

void DemosaicFrameLineToRgb(const uint8_t *raw, int32_t width, int32_t height, int32_t y, const RgbPlanes &scratch,
                            uint8_t *rgb) {
  DemosaicFrameLine(raw, width, height, y, scratch);
  for (int32_t x = 0; x < width; ++x, rgb += 3) {
    rgb[0] = scratch.red[x];
    rgb[1] = scratch.green[x];
    rgb[2] = scratch.blue[x];
  }
}

}  // namespace sorvex1
