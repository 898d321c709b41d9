// The raw line kernels on vectors of either width (lanes128.h, lanes256.h):
// the split into even and odd columns, the 2:1 reduction, the defect screen
// and the lens-shading gains. Same arithmetic as their scalar forms in
// demosaic.cpp, resample_row.cpp, bad_pixels.cpp and shading.cpp.
#pragma once

#include "lanes128.h"
#include "row_kernels.h"

namespace sorvex1 {
namespace {

template <typename L>
void SplitRawLineBody(const uint8_t *line, int32_t width, int16_t *even, int16_t *odd) {
  const int32_t pairs = width / 2;
  constexpr int32_t kPairs = L::kBytes / 2;
  int32_t j = 0;
  for (; j + kPairs <= pairs; j += kPairs) {
    const typename L::V bytes = L::Load(line + 2 * j);
    L::Store(even + j, L::And(bytes, L::Set16(0x00FF)));
    L::Store(odd + j, L::Shr16(bytes, 8));
  }
  for (; j < pairs; ++j) {
    even[j] = line[2 * j];
    odd[j] = line[2 * j + 1];
  }
  if ((width & 1) != 0) even[pairs] = line[width - 1];
}

// out[x] = (u[2x] + u[2x + 1] + l[2x] + l[2x + 1] + 2) >> 2.
template <typename L>
void HalvePlaneBody(const uint8_t *upper, const uint8_t *lower, int32_t width, uint8_t *out) {
  typedef typename L::V V;
  const V lowBytes = L::Set16(0x00FF);
  const V two = L::Set16(2);
  const auto pairSums = [&](const uint8_t *u, const uint8_t *l) {
    const V a = L::Load(u);
    const V b = L::Load(l);
    const V sum = L::Add16(L::Add16(L::And(a, lowBytes), L::Shr16(a, 8)), L::Add16(L::And(b, lowBytes), L::Shr16(b, 8)));
    return L::Shr16(L::Add16(sum, two), 2);
  };
  int32_t x = 0;
  for (; x + L::kBytes <= width; x += L::kBytes) {
    const V first = pairSums(upper + 2 * x, lower + 2 * x);
    const V second = pairSums(upper + 2 * x + L::kBytes, lower + 2 * x + L::kBytes);
    L::Store(out + x, L::InOrder(L::PackUs16(first, second)));
  }
  for (; x < width; ++x) {
    const int32_t sum = upper[2 * x] + upper[2 * x + 1] + lower[2 * x] + lower[2 * x + 1];
    out[x] = static_cast<uint8_t>((sum + 2) >> 2);
  }
}

template <typename L>
void HalveRgbLinePairBody(const RgbPlanes &upper, const RgbPlanes &lower, int32_t width, const RgbPlanes &out) {
  HalvePlaneBody<L>(upper.red, lower.red, width, out.red);
  HalvePlaneBody<L>(upper.green, lower.green, width, out.green);
  HalvePlaneBody<L>(upper.blue, lower.blue, width, out.blue);
}

// Samples c .. c + L::kBytes - 1: each lane 1 when the sample lies outside
// its eight neighbours' range widened by base plus their spread >>
// spreadShift, else 0. In byte lanes with saturation: value > hi + t is
// value - hi > t with the difference saturating at 0, and t saturating at
// 255 changes nothing.
template <typename L>
SORVEX_VECTOR_INLINE typename L::V ScreenStep(const uint8_t *above, const uint8_t *line, const uint8_t *below,
                                              int32_t c, typename L::V base, int32_t spreadShift) {
  typedef typename L::V V;
  const V left = L::Load(line + c - 2);
  const V right = L::Load(line + c + 2);
  const V aboveLeft = L::Load(above + c - 2), aboveCentre = L::Load(above + c), aboveRight = L::Load(above + c + 2);
  const V belowLeft = L::Load(below + c - 2), belowCentre = L::Load(below + c), belowRight = L::Load(below + c + 2);
  const V lo = L::MinU8(L::MinU8(L::MinU8(L::MinU8(aboveLeft, aboveCentre), aboveRight),
                                 L::MinU8(L::MinU8(belowLeft, belowCentre), belowRight)),
                        L::MinU8(left, right));
  const V hi = L::MaxU8(L::MaxU8(L::MaxU8(L::MaxU8(aboveLeft, aboveCentre), aboveRight),
                                 L::MaxU8(L::MaxU8(belowLeft, belowCentre), belowRight)),
                        L::MaxU8(left, right));
  const V spread = L::SubSatU8(hi, lo);
  // A byte shift: the 16-bit shift with the bit from the byte above cleared.
  const V share = spreadShift == 0 ? spread : L::And(L::Shr16(spread, 1), L::Set8(0x7F));
  const V threshold = L::AddSatU8(base, share);
  const V value = L::Load(line + c);
  const V tooHigh = L::SubSatU8(L::SubSatU8(value, hi), threshold);
  const V tooLow = L::SubSatU8(L::SubSatU8(lo, value), threshold);
  return L::MinU8(L::Or(tooHigh, tooLow), L::Set8(1));
}

template <typename L>
bool ScreenDefectsBody(const uint8_t *above, const uint8_t *line, const uint8_t *below, int32_t x, uint8_t base,
                       int32_t spreadShift, uint8_t *marks) {
  static_assert(kScreenBlock % L::kBytes == 0, "the screen's block is whole vectors");
  const typename L::V baseBytes = L::Set8(base);
  typename L::V any = L::Zero();
  for (int32_t i = 0; i < kScreenBlock; i += L::kBytes) {
    const typename L::V marked = ScreenStep<L>(above, line, below, x + i, baseBytes, spreadShift);
    L::Store(marks + i, marked);
    any = L::Or(any, marked);
  }
  return L::AnyNonZero(any);
}

// line[x] = min(255, v + (v * gain + 64) >> 7); v * gain + 64 fits 16 bits.
template <typename L>
void ShadingGainsBody(uint8_t *line, const uint8_t *gains, int32_t width) {
  typedef typename L::V V;
  const V zero = L::Zero();
  const V rounding = L::Set16(64);
  const auto scaled = [&](V values, V factors) {
    return L::Add16(values, L::Shr16(L::Add16(L::MulLo16(values, factors), rounding), 7));
  };
  int32_t x = 0;
  for (; x + L::kBytes <= width; x += L::kBytes) {
    const V values = L::Load(line + x);
    const V factors = L::Load(gains + x);
    L::Store(line + x, L::PackUs16(scaled(L::UnpackLo8(values, zero), L::UnpackLo8(factors, zero)),
                                   scaled(L::UnpackHi8(values, zero), L::UnpackHi8(factors, zero))));
  }
  for (; x < width; ++x) {
    const int32_t value = line[x];
    const int32_t result = value + ((value * gains[x] + 64) >> 7);
    line[x] = static_cast<uint8_t>(result > 255 ? 255 : result);
  }
}

}  // namespace
}  // namespace sorvex1
