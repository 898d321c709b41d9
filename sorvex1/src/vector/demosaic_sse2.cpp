// SSE2 forms of the raw line kernels: the split into even and odd columns,
// the demosaic filters eight pixel pairs at a time, and the 2:1 reduction.
// Same arithmetic as the scalar forms in demosaic.cpp and resample_row.cpp:
// the filters' sums in 16-bit lanes (every estimate lies within 16 bits),
// rounded and clamped to bytes by the saturating pack.
#include "lanes128.h"
#include "row_kernels.h"

namespace sorvex1 {
namespace {

constexpr int32_t kPairsPerStep = 8;

// The taps of eight pixels' 5x5 windows that the filters read.
struct Window {
  V128 centre;
  V128 left, right, farLeft, farRight;  // on the pixel's line
  V128 up, down, farUp, farDown;        // in the pixel's column
  V128 diagonals;                       // the sum of the four
};

// The windows of the even and the odd pixel of pairs p .. p + 7.
struct PairWindows {
  Window even;
  Window odd;
};

PairWindows WindowsAt(const SplitWindowLines &s, int32_t p) {
  const auto at = [p](const int16_t *samples, int32_t offset) { return Load(samples + p + offset); };
  PairWindows w;
  const V128 e1 = at(s.even[1], 0), e1Next = at(s.even[1], 1), o1Before = at(s.odd[1], -1), o1 = at(s.odd[1], 0);
  const V128 e3 = at(s.even[3], 0), e3Next = at(s.even[3], 1), o3Before = at(s.odd[3], -1), o3 = at(s.odd[3], 0);
  const V128 e2Before = at(s.even[2], -1), e2 = at(s.even[2], 0), e2Next = at(s.even[2], 1);
  const V128 o2Before = at(s.odd[2], -1), o2 = at(s.odd[2], 0), o2Next = at(s.odd[2], 1);

  w.even.centre = e2;
  w.even.left = o2Before;
  w.even.right = o2;
  w.even.farLeft = e2Before;
  w.even.farRight = e2Next;
  w.even.up = e1;
  w.even.down = e3;
  w.even.farUp = at(s.even[0], 0);
  w.even.farDown = at(s.even[4], 0);
  w.even.diagonals = _mm_add_epi16(_mm_add_epi16(o1Before, o1), _mm_add_epi16(o3Before, o3));

  w.odd.centre = o2;
  w.odd.left = e2;
  w.odd.right = e2Next;
  w.odd.farLeft = o2Before;
  w.odd.farRight = o2Next;
  w.odd.up = o1;
  w.odd.down = o3;
  w.odd.farUp = at(s.odd[0], 0);
  w.odd.farDown = at(s.odd[4], 0);
  w.odd.diagonals = _mm_add_epi16(_mm_add_epi16(e1, e1Next), _mm_add_epi16(e3, e3Next));
  return w;
}

inline V128 Add(V128 a, V128 b) { return _mm_add_epi16(a, b); }
inline V128 Sub(V128 a, V128 b) { return _mm_sub_epi16(a, b); }
inline V128 Twice(V128 a) { return _mm_slli_epi16(a, 1); }
inline V128 Four(V128 a) { return _mm_slli_epi16(a, 2); }
inline V128 Eight(V128 a) { return _mm_slli_epi16(a, 3); }
inline V128 Sixteen(V128 a) { return _mm_slli_epi16(a, 4); }

// The filters of demosaic.cpp, sixteen times the estimate.
V128 GreenAtRedOrBlue(const Window &w) {
  const V128 near = Add(Add(w.up, w.down), Add(w.left, w.right));
  const V128 far = Add(Add(w.farUp, w.farDown), Add(w.farLeft, w.farRight));
  return Sub(Add(Eight(w.centre), Four(near)), Twice(far));
}

V128 ColourFromRowAtGreen(const Window &w) {
  const V128 tenCentre = Add(Eight(w.centre), Twice(w.centre));
  const V128 sides = Eight(Add(w.left, w.right));
  const V128 farSides = Twice(Add(w.farLeft, w.farRight));
  return Add(Sub(Sub(Add(tenCentre, sides), farSides), Twice(w.diagonals)), Add(w.farUp, w.farDown));
}

V128 ColourFromColumnAtGreen(const Window &w) {
  const V128 tenCentre = Add(Eight(w.centre), Twice(w.centre));
  const V128 vertical = Eight(Add(w.up, w.down));
  const V128 farVertical = Twice(Add(w.farUp, w.farDown));
  return Add(Sub(Sub(Add(tenCentre, vertical), farVertical), Twice(w.diagonals)), Add(w.farLeft, w.farRight));
}

V128 ColourFromDiagonalsAtOpposite(const Window &w) {
  const V128 far = Add(Add(w.farUp, w.farDown), Add(w.farLeft, w.farRight));
  const V128 twelveCentre = Add(Eight(w.centre), Four(w.centre));
  return Sub(Add(twelveCentre, Four(w.diagonals)), Add(Twice(far), far));
}

// Sixteenths rounded and clamped to bytes, the even pixels' and the odd
// pixels' interleaved: e0 o0 e1 o1 ...
V128 PairBytes(V128 even16, V128 odd16) {
  const V128 rounding = Halves(8);
  const V128 packed = _mm_packus_epi16(_mm_srai_epi16(Add(even16, rounding), 4), _mm_srai_epi16(Add(odd16, rounding), 4));
  return _mm_unpacklo_epi8(packed, _mm_srli_si128(packed, 8));
}

template <bool kGreenBlueLine>
void DemosaicStep(const SplitWindowLines &s, int32_t p, const RgbPlanes &out) {
  const PairWindows w = WindowsAt(s, p);
  V128 red, green, blue;
  if (kGreenBlueLine) {  // green, blue
    red = PairBytes(ColourFromColumnAtGreen(w.even), ColourFromDiagonalsAtOpposite(w.odd));
    green = PairBytes(Sixteen(w.even.centre), GreenAtRedOrBlue(w.odd));
    blue = PairBytes(ColourFromRowAtGreen(w.even), Sixteen(w.odd.centre));
  } else {  // red, green
    red = PairBytes(Sixteen(w.even.centre), ColourFromRowAtGreen(w.odd));
    green = PairBytes(GreenAtRedOrBlue(w.even), Sixteen(w.odd.centre));
    blue = PairBytes(ColourFromDiagonalsAtOpposite(w.even), ColourFromColumnAtGreen(w.odd));
  }
  Store(out.red + 2 * p, red);
  Store(out.green + 2 * p, green);
  Store(out.blue + 2 * p, blue);
}

// The last step ends with the last pair and may overlap the one before it.
template <bool kGreenBlueLine>
void DemosaicPairs(const SplitWindowLines &s, int32_t first, int32_t end, const RgbPlanes &out) {
  for (int32_t p = first; p < end; p += kPairsPerStep) {
    DemosaicStep<kGreenBlueLine>(s, p + kPairsPerStep <= end ? p : end - kPairsPerStep, out);
  }
}

void HalvePlane(const uint8_t *upper, const uint8_t *lower, int32_t width, uint8_t *out) {
  const V128 two = Halves(2);
  int32_t x = 0;
  for (; x + 16 <= width; x += 16) {
    const V128 u0 = Load(upper + 2 * x), u1 = Load(upper + 2 * x + 16);
    const V128 l0 = Load(lower + 2 * x), l1 = Load(lower + 2 * x + 16);
    const V128 sum0 = Add(Add(LowBytes(u0), HighBytes(u0)), Add(LowBytes(l0), HighBytes(l0)));
    const V128 sum1 = Add(Add(LowBytes(u1), HighBytes(u1)), Add(LowBytes(l1), HighBytes(l1)));
    Store(out + x, _mm_packus_epi16(_mm_srli_epi16(Add(sum0, two), 2), _mm_srli_epi16(Add(sum1, two), 2)));
  }
  for (; x < width; ++x) {
    const int32_t sum = upper[2 * x] + upper[2 * x + 1] + lower[2 * x] + lower[2 * x + 1];
    out[x] = static_cast<uint8_t>((sum + 2) >> 2);
  }
}

}  // namespace

namespace sse2 {

void SplitRawLine(const uint8_t *line, int32_t width, int16_t *even, int16_t *odd) {
  const int32_t pairs = width / 2;
  int32_t j = 0;
  for (; j + 8 <= pairs; j += 8) {
    const V128 bytes = Load(line + 2 * j);
    Store(even + j, LowBytes(bytes));
    Store(odd + j, HighBytes(bytes));
  }
  for (; j < pairs; ++j) {
    even[j] = line[2 * j];
    odd[j] = line[2 * j + 1];
  }
  if ((width & 1) != 0) even[pairs] = line[width - 1];
}

void DemosaicGreenBluePairs(const SplitWindowLines &lines, int32_t first, int32_t end, const RgbPlanes &out) {
  DemosaicPairs<true>(lines, first, end, out);
}

void DemosaicRedGreenPairs(const SplitWindowLines &lines, int32_t first, int32_t end, const RgbPlanes &out) {
  DemosaicPairs<false>(lines, first, end, out);
}

void HalveRgbLinePair(const RgbPlanes &upper, const RgbPlanes &lower, int32_t width, const RgbPlanes &out) {
  HalvePlane(upper.red, lower.red, width, out.red);
  HalvePlane(upper.green, lower.green, width, out.green);
  HalvePlane(upper.blue, lower.blue, width, out.blue);
}

}  // namespace sse2
}  // namespace sorvex1
