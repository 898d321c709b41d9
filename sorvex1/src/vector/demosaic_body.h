// The demosaic filters of demosaic.cpp on vectors of either width: the
// pairs of a line L::kBytes / 2 at a time, in 16-bit lanes (every estimate
// lies within 16 bits), rounded and clamped to bytes by the saturating
// pack, the even and odd pixels' bytes interleaved as the planes hold them.
#pragma once

#include "lanes128.h"
#include "row_kernels.h"

namespace sorvex1 {
namespace {

// The taps of a run of pixels' 5x5 windows that the filters read.
template <typename L>
struct Window {
  typedef typename L::V V;
  V centre;
  V left, right, farLeft, farRight;  // on the pixel's line
  V up, down, farUp, farDown;        // in the pixel's column
  V diagonals;                       // the sum of the four
};

template <typename L>
struct DemosaicFilters {
  typedef typename L::V V;
  typedef Window<L> W;

  static SORVEX_VECTOR_INLINE V Add(V a, V b) { return L::Add16(a, b); }
  static SORVEX_VECTOR_INLINE V Sub(V a, V b) { return L::Sub16(a, b); }
  static SORVEX_VECTOR_INLINE V Twice(V a) { return L::Shl16(a, 1); }
  static SORVEX_VECTOR_INLINE V Four(V a) { return L::Shl16(a, 2); }
  static SORVEX_VECTOR_INLINE V Eight(V a) { return L::Shl16(a, 3); }

  // Sixteen times the estimate, as in demosaic.cpp.
  static SORVEX_VECTOR_INLINE V GreenAtRedOrBlue(const W &w) {
    const V near = Add(Add(w.up, w.down), Add(w.left, w.right));
    const V far = Add(Add(w.farUp, w.farDown), Add(w.farLeft, w.farRight));
    return Sub(Add(Eight(w.centre), Four(near)), Twice(far));
  }
  static SORVEX_VECTOR_INLINE V ColourFromRowAtGreen(const W &w) {
    const V tenCentre = Add(Eight(w.centre), Twice(w.centre));
    const V sides = Eight(Add(w.left, w.right));
    const V farSides = Twice(Add(w.farLeft, w.farRight));
    return Add(Sub(Sub(Add(tenCentre, sides), farSides), Twice(w.diagonals)), Add(w.farUp, w.farDown));
  }
  static SORVEX_VECTOR_INLINE V ColourFromColumnAtGreen(const W &w) {
    const V tenCentre = Add(Eight(w.centre), Twice(w.centre));
    const V vertical = Eight(Add(w.up, w.down));
    const V farVertical = Twice(Add(w.farUp, w.farDown));
    return Add(Sub(Sub(Add(tenCentre, vertical), farVertical), Twice(w.diagonals)), Add(w.farLeft, w.farRight));
  }
  static SORVEX_VECTOR_INLINE V ColourFromDiagonalsAtOpposite(const W &w) {
    const V far = Add(Add(w.farUp, w.farDown), Add(w.farLeft, w.farRight));
    const V twelveCentre = Add(Eight(w.centre), Four(w.centre));
    return Sub(Add(twelveCentre, Four(w.diagonals)), Add(Twice(far), far));
  }

  // Sixteenths rounded to whole code values (the pack clamps them).
  static SORVEX_VECTOR_INLINE V Rounded(V sixteenths) { return L::Sar16(Add(sixteenths, L::Set16(8)), 4); }
  // The even and the odd pixels' values clamped to bytes and interleaved as
  // the planes hold them: e0 o0 e1 o1 ...
  static SORVEX_VECTOR_INLINE V Interleaved(V even, V odd) { return L::ZipHalves8(L::PackUs16(even, odd)); }
};

// Pairs p .. p + L::kBytes / 2 - 1 of a green-blue line (kGreenBlueLine)
// or a red-green line.
template <typename L, bool kGreenBlueLine>
SORVEX_VECTOR_INLINE void DemosaicStep(const SplitWindowLines &s, int32_t p, const RgbPlanes &out) {
  typedef typename L::V V;
  typedef DemosaicFilters<L> F;
  const auto at = [p](const int16_t *samples, int32_t offset) { return L::Load(samples + p + offset); };
  const V e1 = at(s.even[1], 0), e1Next = at(s.even[1], 1), o1Before = at(s.odd[1], -1), o1 = at(s.odd[1], 0);
  const V e3 = at(s.even[3], 0), e3Next = at(s.even[3], 1), o3Before = at(s.odd[3], -1), o3 = at(s.odd[3], 0);
  const V e2Before = at(s.even[2], -1), e2 = at(s.even[2], 0), e2Next = at(s.even[2], 1);
  const V o2Before = at(s.odd[2], -1), o2 = at(s.odd[2], 0), o2Next = at(s.odd[2], 1);
  Window<L> even;
  even.centre = e2;
  even.left = o2Before;
  even.right = o2;
  even.farLeft = e2Before;
  even.farRight = e2Next;
  even.up = e1;
  even.down = e3;
  even.farUp = at(s.even[0], 0);
  even.farDown = at(s.even[4], 0);
  even.diagonals = F::Add(F::Add(o1Before, o1), F::Add(o3Before, o3));
  Window<L> odd;
  odd.centre = o2;
  odd.left = e2;
  odd.right = e2Next;
  odd.farLeft = o2Before;
  odd.farRight = o2Next;
  odd.up = o1;
  odd.down = o3;
  odd.farUp = at(s.odd[0], 0);
  odd.farDown = at(s.odd[4], 0);
  odd.diagonals = F::Add(F::Add(e1, e1Next), F::Add(e3, e3Next));

  // A sample at a site of its own colour is its own estimate.
  if (kGreenBlueLine) {  // green, blue
    L::Store(out.red + 2 * p,
             F::Interleaved(F::Rounded(F::ColourFromColumnAtGreen(even)), F::Rounded(F::ColourFromDiagonalsAtOpposite(odd))));
    L::Store(out.green + 2 * p, F::Interleaved(even.centre, F::Rounded(F::GreenAtRedOrBlue(odd))));
    L::Store(out.blue + 2 * p, F::Interleaved(F::Rounded(F::ColourFromRowAtGreen(even)), odd.centre));
  } else {  // red, green
    L::Store(out.red + 2 * p, F::Interleaved(even.centre, F::Rounded(F::ColourFromRowAtGreen(odd))));
    L::Store(out.green + 2 * p, F::Interleaved(F::Rounded(F::GreenAtRedOrBlue(even)), odd.centre));
    L::Store(out.blue + 2 * p,
             F::Interleaved(F::Rounded(F::ColourFromDiagonalsAtOpposite(even)), F::Rounded(F::ColourFromColumnAtGreen(odd))));
  }
}

// The last step ends with the last pair and may overlap the one before it.
template <typename L, bool kGreenBlueLine>
void DemosaicPairsBody(const SplitWindowLines &s, int32_t first, int32_t end, const RgbPlanes &out) {
  constexpr int32_t kPairs = L::kBytes / 2;
  static_assert(kPairs <= kDemosaicKernelMinPairs, "a line's pairs fill at least one step");
  for (int32_t p = first; p < end; p += kPairs) {
    DemosaicStep<L, kGreenBlueLine>(s, p + kPairs <= end ? p : end - kPairs, out);
  }
}

}  // namespace
}  // namespace sorvex1
