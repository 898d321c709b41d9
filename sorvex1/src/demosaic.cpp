#include "demosaic.h"

#include "bayer.h"
#include "pixel_math.h"
#include "scratch_carver.h"

namespace sorvex1 {
namespace {

// The filters below return 16 times the estimate; their weights add up to 16.
// Every estimate lies within 28 * 255 either way, so they are 16-bit values,
// which the vector units take eight at a time. A window W gives the taps:
// W.At(line, dx) is the sample dx columns right of the pixel on window line
// `line` (0..4, the pixel's own line being 2). The filters are written once
// and inlined for both windows below, so that dx is a constant in each.
using Sixteenths = int16_t;

template <typename W>
inline Sixteenths AxialNear(const W &w) {
  return static_cast<Sixteenths>(w.At(1, 0) + w.At(3, 0) + w.At(2, -1) + w.At(2, 1));
}

template <typename W>
inline Sixteenths AxialFar(const W &w) {
  return static_cast<Sixteenths>(w.At(0, 0) + w.At(4, 0) + w.At(2, -2) + w.At(2, 2));
}

template <typename W>
inline Sixteenths Diagonals(const W &w) {
  return static_cast<Sixteenths>(w.At(1, -1) + w.At(1, 1) + w.At(3, -1) + w.At(3, 1));
}

// Green at a red or blue sample.
template <typename W>
inline Sixteenths GreenAtRedOrBlue(const W &w) {
  return static_cast<Sixteenths>(8 * w.At(2, 0) + 4 * AxialNear(w) - 2 * AxialFar(w));
}

// Red or blue at a green sample whose left and right neighbours carry it.
template <typename W>
inline Sixteenths ColourFromRowAtGreen(const W &w) {
  const Sixteenths sides = static_cast<Sixteenths>(w.At(2, -1) + w.At(2, 1));
  const Sixteenths farSides = static_cast<Sixteenths>(w.At(2, -2) + w.At(2, 2));
  const Sixteenths farVertical = static_cast<Sixteenths>(w.At(0, 0) + w.At(4, 0));
  return static_cast<Sixteenths>(10 * w.At(2, 0) + 8 * sides - 2 * farSides - 2 * Diagonals(w) + farVertical);
}

// Red or blue at a green sample whose upper and lower neighbours carry it.
template <typename W>
inline Sixteenths ColourFromColumnAtGreen(const W &w) {
  const Sixteenths vertical = static_cast<Sixteenths>(w.At(1, 0) + w.At(3, 0));
  const Sixteenths farVertical = static_cast<Sixteenths>(w.At(0, 0) + w.At(4, 0));
  const Sixteenths farSides = static_cast<Sixteenths>(w.At(2, -2) + w.At(2, 2));
  return static_cast<Sixteenths>(10 * w.At(2, 0) + 8 * vertical - 2 * farVertical - 2 * Diagonals(w) + farSides);
}

// Red at a blue sample or blue at a red one: the diagonal neighbours carry it.
template <typename W>
inline Sixteenths ColourFromDiagonalsAtOpposite(const W &w) {
  return static_cast<Sixteenths>(12 * w.At(2, 0) + 4 * Diagonals(w) - 3 * AxialFar(w));
}

// The colours of one pixel, 16 times their value.
struct Rgb16 {
  Sixteenths red, green, blue;
};

// The four Bayer sites.
struct GreenOnGreenBlueLine {  // blue to the sides, red above and below
  template <typename W>
  static Rgb16 Of(const W &w) {
    return {ColourFromColumnAtGreen(w), static_cast<Sixteenths>(16 * w.At(2, 0)), ColourFromRowAtGreen(w)};
  }
};
struct BlueSite {
  template <typename W>
  static Rgb16 Of(const W &w) {
    return {ColourFromDiagonalsAtOpposite(w), GreenAtRedOrBlue(w), static_cast<Sixteenths>(16 * w.At(2, 0))};
  }
};
struct RedSite {
  template <typename W>
  static Rgb16 Of(const W &w) {
    return {static_cast<Sixteenths>(16 * w.At(2, 0)), GreenAtRedOrBlue(w), ColourFromDiagonalsAtOpposite(w)};
  }
};
struct GreenOnRedGreenLine {  // red to the sides, blue above and below
  template <typename W>
  static Rgb16 Of(const W &w) {
    return {ColourFromRowAtGreen(w), static_cast<Sixteenths>(16 * w.At(2, 0)), ColourFromColumnAtGreen(w)};
  }
};

// ClampShiftToByte(value, 4) in 16 bits: the estimate rounded, negative
// ones clamped to 0 before the shift.
inline uint8_t SixteenthsToByte(Sixteenths value) {
  const Sixteenths rounded = static_cast<Sixteenths>(value + 8);
  const Sixteenths whole = static_cast<Sixteenths>((rounded < 0 ? 0 : rounded) >> 4);
  return static_cast<uint8_t>(whole > 255 ? 255 : whole);
}

// A pixel's window on the raw lines, its columns mirrored at the line ends:
// for the pixels near the ends.
struct Columns {
  int32_t m2, m1, c, p1, p2;
};

inline Columns ColumnsAround(int32_t x, int32_t width) {
  if (x >= 2 && x + 2 < width) return {x - 2, x - 1, x, x + 1, x + 2};
  return {ReflectIndex(x - 2, width), ReflectIndex(x - 1, width), x, ReflectIndex(x + 1, width),
          ReflectIndex(x + 2, width)};
}

struct RawWindow {
  const uint8_t *const *lines;
  Columns k;
  Sixteenths At(int32_t line, int32_t dx) const {
    const int32_t column = dx == -2 ? k.m2 : dx == -1 ? k.m1 : dx == 0 ? k.c : dx == 1 ? k.p1 : k.p2;
    return lines[line][column];
  }
};

// Pixel 2p (even column) and pixel 2p + 1 (odd column) of an interior pair.
struct EvenColumnWindow {
  const SplitWindowLines &s;
  int32_t p;
  Sixteenths At(int32_t line, int32_t dx) const {
    if (dx == 0) return s.even[line][p];
    if (dx == -1) return s.odd[line][p - 1];
    if (dx == 1) return s.odd[line][p];
    return dx < 0 ? s.even[line][p - 1] : s.even[line][p + 1];
  }
};
struct OddColumnWindow {
  const SplitWindowLines &s;
  int32_t p;
  Sixteenths At(int32_t line, int32_t dx) const {
    if (dx == 0) return s.odd[line][p];
    if (dx == -1) return s.even[line][p];
    if (dx == 1) return s.even[line][p + 1];
    return dx < 0 ? s.odd[line][p - 1] : s.odd[line][p + 1];
  }
};

inline void StorePixel(const Rgb16 &pixel, int32_t x, const RgbPlanes &out) {
  out.red[x] = SixteenthsToByte(pixel.red);
  out.green[x] = SixteenthsToByte(pixel.green);
  out.blue[x] = SixteenthsToByte(pixel.blue);
}

template <typename EvenSite, typename OddSite>
void DemosaicEdgePixel(const uint8_t *const lines[kDemosaicWindowLines], int32_t width, int32_t x,
                       const RgbPlanes &out) {
  const RawWindow window = {lines, ColumnsAround(x, width)};
  StorePixel((x & 1) == 0 ? EvenSite::Of(window) : OddSite::Of(window), x, out);
}

// Pixel pairs per block of the interior.
constexpr int32_t kBlockPairs = kDemosaicKernelMinPairs;

// Even and odd results of a block to the planes' interleaved bytes.
void InterleavePairs(const uint8_t *__restrict even, const uint8_t *__restrict odd, uint8_t *__restrict out) {
  for (int32_t i = 0; i < kBlockPairs; ++i) {
    out[2 * i] = even[i];
    out[2 * i + 1] = odd[i];
  }
}

// The pairs p0 .. p0 + kBlockPairs - 1, each with its whole window inside
// the line. The Bayer site of each half of a pair is fixed and every tap is
// a plain array read, so the loop vectorises without shuffles.
template <typename EvenSite, typename OddSite>
void DemosaicPairBlock(const SplitWindowLines &s, int32_t p0, const RgbPlanes &out) {
  uint8_t red[2][kBlockPairs];
  uint8_t green[2][kBlockPairs];
  uint8_t blue[2][kBlockPairs];
  for (int32_t i = 0; i < kBlockPairs; ++i) {
    const Rgb16 even = EvenSite::Of(EvenColumnWindow{s, p0 + i});
    const Rgb16 odd = OddSite::Of(OddColumnWindow{s, p0 + i});
    red[0][i] = SixteenthsToByte(even.red);
    green[0][i] = SixteenthsToByte(even.green);
    blue[0][i] = SixteenthsToByte(even.blue);
    red[1][i] = SixteenthsToByte(odd.red);
    green[1][i] = SixteenthsToByte(odd.green);
    blue[1][i] = SixteenthsToByte(odd.blue);
  }
  InterleavePairs(red[0], red[1], out.red + 2 * p0);
  InterleavePairs(green[0], green[1], out.green + 2 * p0);
  InterleavePairs(blue[0], blue[1], out.blue + 2 * p0);
}

// The pairs first .. end - 1 a block at a time. The last block ends with
// the last pair and may overlap the block before it: a pixel written twice
// gets the same value twice.
template <typename EvenSite, typename OddSite>
void DemosaicPairBlocks(const SplitWindowLines &s, int32_t first, int32_t end, const RgbPlanes &out) {
  for (int32_t p = first; p < end; p += kBlockPairs) {
    DemosaicPairBlock<EvenSite, OddSite>(s, MinInt(p, end - kBlockPairs), out);
  }
}

// One line: the pairs whose windows lie inside the line by the kernel (pair
// p covers columns 2p - 2 .. 2p + 3), every other pixel on its own.
template <typename EvenSite, typename OddSite>
void DemosaicLineSites(const uint8_t *const lines[kDemosaicWindowLines], const SplitWindowLines &s, int32_t width,
                       DemosaicPairsKernel pairs, const RgbPlanes &out) {
  const int32_t firstPair = 1;
  const int32_t endPair = width >= 4 ? (width - 2) / 2 : firstPair;
  int32_t pairsEnd = 2 * firstPair;
  if (endPair - firstPair >= kDemosaicKernelMinPairs) {
    pairs(s, firstPair, endPair, out);
    pairsEnd = 2 * endPair;
  }
  for (int32_t x = 0; x < MinInt(2, width); ++x) DemosaicEdgePixel<EvenSite, OddSite>(lines, width, x, out);
  for (int32_t x = MaxInt(2, pairsEnd); x < width; ++x) DemosaicEdgePixel<EvenSite, OddSite>(lines, width, x, out);
}

size_t SplitHalfCount(int32_t width) { return static_cast<size_t>(width + 1) / 2; }

// Splits raw line `rawLine` into its slot, unless the slot holds it already.
int32_t SlotHolding(DemosaicWalker *walker, int32_t rawLine) {
  const int32_t slot = rawLine % kDemosaicWindowLines;
  if (walker->rawLine[slot] == rawLine) return slot;
  walker->kernels->splitRawLine(walker->raw + LineOffset(rawLine, walker->width), walker->width, walker->even[slot],
                                walker->odd[slot]);
  walker->rawLine[slot] = rawLine;
  return slot;
}

}  // namespace

namespace scalar {

void SplitRawLine(const uint8_t *__restrict line, int32_t width, int16_t *__restrict even, int16_t *__restrict odd) {
  const int32_t pairs = width / 2;
  for (int32_t j = 0; j < pairs; ++j) {
    even[j] = line[2 * j];
    odd[j] = line[2 * j + 1];
  }
  if ((width & 1) != 0) even[pairs] = line[width - 1];
}

void DemosaicGreenBluePairs(const SplitWindowLines &lines, int32_t first, int32_t end, const RgbPlanes &out) {
  DemosaicPairBlocks<GreenOnGreenBlueLine, BlueSite>(lines, first, end, out);
}

void DemosaicRedGreenPairs(const SplitWindowLines &lines, int32_t first, int32_t end, const RgbPlanes &out) {
  DemosaicPairBlocks<RedSite, GreenOnRedGreenLine>(lines, first, end, out);
}

}  // namespace scalar

size_t DemosaicWalkerBytes(int32_t width) {
  return 2 * kDemosaicWindowLines * ScratchCarver::Rounded(SplitHalfCount(width) * sizeof(int16_t));
}

DemosaicWalker StartDemosaic(const uint8_t *raw, int32_t width, int32_t height, uint8_t *scratch,
                             const RowKernels &kernels) {
  DemosaicWalker walker;
  walker.raw = raw;
  walker.width = width;
  walker.height = height;
  walker.kernels = &kernels;
  ScratchCarver carver(scratch);
  for (int32_t i = 0; i < kDemosaicWindowLines; ++i) {
    walker.even[i] = carver.Halves(SplitHalfCount(width));
    walker.odd[i] = carver.Halves(SplitHalfCount(width));
    walker.rawLine[i] = -1;
  }
  return walker;
}

void DemosaicLine(DemosaicWalker *walker, int32_t y, const RgbPlanes &out) {
  const uint8_t *lines[kDemosaicWindowLines];
  SplitWindowLines split;
  for (int32_t i = 0; i < kDemosaicWindowLines; ++i) {
    const int32_t rawLine = ReflectIndex(y + i - 2, walker->height);
    lines[i] = walker->raw + LineOffset(rawLine, walker->width);
    const int32_t slot = SlotHolding(walker, rawLine);
    split.even[i] = walker->even[slot];
    split.odd[i] = walker->odd[slot];
  }
  if (IsGreenBlueLine(y)) {
    DemosaicLineSites<GreenOnGreenBlueLine, BlueSite>(lines, split, walker->width,
                                                      walker->kernels->demosaicGreenBluePairs, out);
  } else {
    DemosaicLineSites<RedSite, GreenOnRedGreenLine>(lines, split, walker->width, walker->kernels->demosaicRedGreenPairs,
                                                    out);
  }
}

void DemosaicLineToRgb(DemosaicWalker *walker, int32_t y, const RgbPlanes &scratch, uint8_t *rgb) {
  DemosaicLine(walker, y, scratch);
  for (int32_t x = 0; x < walker->width; ++x, rgb += 3) {
    rgb[0] = scratch.red[x];
    rgb[1] = scratch.green[x];
    rgb[2] = scratch.blue[x];
  }
}

}  // namespace sorvex1
