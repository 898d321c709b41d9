#include "demosaic.h"

#include "bayer.h"
#include "pixel_math.h"

namespace sorvex1 {
namespace {

// Column indices of the 5x5 window around one pixel.
struct Columns {
  int32_t m2, m1, c, p1, p2;
};

Columns ColumnsAround(int32_t x, int32_t width) {
  if (x >= 2 && x + 2 < width) return {x - 2, x - 1, x, x + 1, x + 2};
  return {ReflectIndex(x - 2, width), ReflectIndex(x - 1, width), x, ReflectIndex(x + 1, width),
          ReflectIndex(x + 2, width)};
}

// The filters below return 16 times the estimate; their weights add up to 16.
using Lines = const uint8_t *const *;

int32_t Sample(Lines l, int32_t line, int32_t column) { return l[line][column]; }

int32_t AxialNear(Lines l, Columns k) {
  return Sample(l, 1, k.c) + Sample(l, 3, k.c) + Sample(l, 2, k.m1) + Sample(l, 2, k.p1);
}

int32_t AxialFar(Lines l, Columns k) {
  return Sample(l, 0, k.c) + Sample(l, 4, k.c) + Sample(l, 2, k.m2) + Sample(l, 2, k.p2);
}

int32_t Diagonals(Lines l, Columns k) {
  return Sample(l, 1, k.m1) + Sample(l, 1, k.p1) + Sample(l, 3, k.m1) + Sample(l, 3, k.p1);
}

// Green at a red or blue sample.
int32_t GreenAtRedOrBlue(Lines l, Columns k) {
  return 8 * Sample(l, 2, k.c) + 4 * AxialNear(l, k) - 2 * AxialFar(l, k);
}

// Red or blue at a green sample whose left and right neighbours carry it.
int32_t ColourFromRowAtGreen(Lines l, Columns k) {
  const int32_t sides = Sample(l, 2, k.m1) + Sample(l, 2, k.p1);
  const int32_t farSides = Sample(l, 2, k.m2) + Sample(l, 2, k.p2);
  const int32_t farVertical = Sample(l, 0, k.c) + Sample(l, 4, k.c);
  return 10 * Sample(l, 2, k.c) + 8 * sides - 2 * farSides - 2 * Diagonals(l, k) + farVertical;
}

// Red or blue at a green sample whose upper and lower neighbours carry it.
int32_t ColourFromColumnAtGreen(Lines l, Columns k) {
  const int32_t vertical = Sample(l, 1, k.c) + Sample(l, 3, k.c);
  const int32_t farVertical = Sample(l, 0, k.c) + Sample(l, 4, k.c);
  const int32_t farSides = Sample(l, 2, k.m2) + Sample(l, 2, k.p2);
  return 10 * Sample(l, 2, k.c) + 8 * vertical - 2 * farVertical - 2 * Diagonals(l, k) + farSides;
}

// Red at a blue sample or blue at a red one: the diagonal neighbours carry it.
int32_t ColourFromDiagonalsAtOpposite(Lines l, Columns k) {
  return 12 * Sample(l, 2, k.c) + 4 * Diagonals(l, k) - 3 * AxialFar(l, k);
}

void StoreRgb(uint8_t *rgb, int32_t red16, int32_t green16, int32_t blue16) {
  rgb[0] = ClampShiftToByte(red16, 4);
  rgb[1] = ClampShiftToByte(green16, 4);
  rgb[2] = ClampShiftToByte(blue16, 4);
}

}  // namespace

void DemosaicLineToRgb(const uint8_t *const lines[5], int32_t width, bool greenBlueLine, uint8_t *rgb) {
  for (int32_t x = 0; x < width; ++x, rgb += 3) {
    const Columns k = ColumnsAround(x, width);
    const int32_t own16 = 16 * Sample(lines, 2, x);
    const bool evenColumn = (x & 1) == 0;
    if (greenBlueLine && evenColumn) {  // green; blue to the sides, red above and below
      StoreRgb(rgb, ColourFromColumnAtGreen(lines, k), own16, ColourFromRowAtGreen(lines, k));
    } else if (greenBlueLine) {  // blue
      StoreRgb(rgb, ColourFromDiagonalsAtOpposite(lines, k), GreenAtRedOrBlue(lines, k), own16);
    } else if (evenColumn) {  // red
      StoreRgb(rgb, own16, GreenAtRedOrBlue(lines, k), ColourFromDiagonalsAtOpposite(lines, k));
    } else {  // green; red to the sides, blue above and below
      StoreRgb(rgb, ColourFromRowAtGreen(lines, k), own16, ColourFromColumnAtGreen(lines, k));
    }
  }
}

void DemosaicFrameLine(const uint8_t *raw, int32_t width, int32_t height, int32_t y, uint8_t *rgb) {
  const uint8_t *lines[5];
  for (int32_t i = 0; i < 5; ++i) {
    lines[i] = raw + LineOffset(ReflectIndex(y + i - 2, height), width);
  }
  DemosaicLineToRgb(lines, width, IsGreenBlueLine(y), rgb);
}

}  // namespace sorvex1
