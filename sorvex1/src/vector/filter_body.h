// The 3x3 filters' line kernels (denoise.cpp, sharpen.cpp) on vectors of
// either width, L::kBytes line bytes at a time. A luma sample's neighbours
// in its channel are 2 bytes away, a chroma sample's 4; the lanes pick
// theirs. The results depend on the unfiltered lines only, so the last step
// may overlap the one before it.
#pragma once

#include "lanes128.h"
#include "row_kernels.h"
#include "small_counts.h"

namespace sorvex1 {
namespace {

// ---- The line ----
//
// The neighbours of the first and last kEdgeBytes bytes of a line lie
// partly outside it, where the channel filters repeat the line's end
// sample. Those bytes are filtered by a step over a copy of the line's end
// with the repeated samples put where the step reads the neighbours:
// before byte 0, luma at -2 is byte 0, U at -3 is byte 1, V at -1 is byte 3;
// past the end (2W bytes), luma at 2W is byte 2W - 2 and chroma at 2W + 1
// and 2W + 3 are bytes 2W - 3 and 2W - 1 (for odd widths too, whose last
// pixel has Y and U only).
constexpr int32_t kEdgeBytes = 4;

// step(above, centre, below, b, out) filters line bytes b .. b + L::kBytes - 1
// into out + b.
template <typename L, typename Step>
SORVEX_VECTOR_INLINE void FilterLineBody(const uint8_t *above, const uint8_t *centre, const uint8_t *below,
                                         int32_t width, uint8_t *out, Step step) {
  static_assert(2 * kFilterKernelMinWidth >= L::kBytes + 2 * kEdgeBytes, "a line fills a step and its edges");
  constexpr int32_t kCopy = L::kBytes + 2 * kEdgeBytes;
  const int32_t lineBytes = 2 * width;
  const int32_t end = lineBytes - kEdgeBytes;
  for (int32_t b = kEdgeBytes; b < end; b += L::kBytes) step(above, centre, below, b + L::kBytes <= end ? b : end - L::kBytes, out);

  const uint8_t *const lines[3] = {above, centre, below};
  uint8_t ends[3][static_cast<size_t>(kCopy)];
  uint8_t results[static_cast<size_t>(kCopy)];
  // The head: line bytes 0 .. kCopy - 5 at kEdgeBytes.
  for (int32_t r = 0; r < 3; ++r) {
    for (int32_t i = 0; i < kCopy - kEdgeBytes; ++i) ends[r][kEdgeBytes + i] = lines[r][i];
    ends[r][0] = 0;
    ends[r][1] = lines[r][1];
    ends[r][2] = lines[r][0];
    ends[r][3] = lines[r][3];
  }
  step(ends[0], ends[1], ends[2], kEdgeBytes, results);
  for (int32_t i = 0; i < kEdgeBytes; ++i) out[i] = results[kEdgeBytes + i];
  // The tail: the last kCopy - 4 line bytes, then the repeated samples.
  const int32_t first = lineBytes - (kCopy - kEdgeBytes);
  for (int32_t r = 0; r < 3; ++r) {
    for (int32_t i = 0; i < kCopy - kEdgeBytes; ++i) ends[r][i] = lines[r][first + i];
    ends[r][kCopy - 4] = lines[r][lineBytes - 2];
    ends[r][kCopy - 3] = lines[r][lineBytes - 3];
    ends[r][kCopy - 2] = 0;
    ends[r][kCopy - 1] = lines[r][lineBytes - 1];
  }
  step(ends[0], ends[1], ends[2], kEdgeBytes, results);
  for (int32_t i = 0; i < kEdgeBytes; ++i) out[end + i] = results[L::kBytes + i];
}

// ---- Denoise ----
//
// In byte lanes as in the scalar form: the sum of the near samples is
// count * own plus their deviations from own; each near neighbour's
// deviation offset by sigma lies in 0 .. 2 sigma (at most 60), so four of
// them add up inside a byte. Two such groups and the count are widened, and
// the division by the count is a multiply by its reciprocal
// (small_counts.h), which each unit looks up in its own way.

// Adds a neighbour within `limit` of own to the count and its deviation,
// offset by `limit`, to the group.
template <typename L>
SORVEX_VECTOR_INLINE void AddIfNear(typename L::V value, typename L::V own, typename L::V limit, typename L::V *count,
                                    typename L::V *group) {
  const typename L::V difference = L::Or(L::SubSatU8(value, own), L::SubSatU8(own, value));
  const typename L::V near = L::CmpEq8(L::SubSatU8(difference, limit), L::Zero());
  *count = L::Sub8(*count, near);
  *group = L::Add8(*group, L::And(L::Add8(L::Sub8(value, own), limit), near));
}

// The rounded means of half a vector of samples, 16-bit.
template <typename L>
SORVEX_VECTOR_INLINE typename L::V RoundedMeans(typename L::V own, typename L::V count, typename L::V first,
                                                typename L::V second, typename L::V limit, typename L::V reciprocal) {
  typedef typename L::V V;
  const V one = L::Set16(1);
  const V sum = L::Sub16(L::Add16(L::Add16(L::MulLo16(count, own), first), second), L::MulLo16(L::Sub16(count, one), limit));
  const V rounded = L::Add16(sum, L::Shr16(count, 1));
  const V single = L::CmpEq16(count, one);
  return L::Or(L::And(single, rounded), L::AndNot(single, L::MulHiU16(rounded, reciprocal)));
}

template <typename L, void (*kReciprocals)(typename L::V count, typename L::V *low, typename L::V *high)>
SORVEX_VECTOR_INLINE void DenoiseStep(const uint8_t *above, const uint8_t *centre, const uint8_t *below, int32_t b,
                                      typename L::V limit, uint8_t *out) {
  typedef typename L::V V;
  const V lumaLanes = L::Set16(0x00FF);
  const auto select = [&lumaLanes](V luma, V chroma) { return L::Or(L::And(lumaLanes, luma), L::AndNot(lumaLanes, chroma)); };
  const auto before = [&](const uint8_t *line) { return select(L::Load(line + b - 2), L::Load(line + b - 4)); };
  const auto after = [&](const uint8_t *line) { return select(L::Load(line + b + 2), L::Load(line + b + 4)); };
  const V own = L::Load(centre + b);
  V count = L::Set8(1);
  V first = L::Zero();
  V second = L::Zero();
  AddIfNear<L>(before(above), own, limit, &count, &first);
  AddIfNear<L>(L::Load(above + b), own, limit, &count, &first);
  AddIfNear<L>(after(above), own, limit, &count, &first);
  AddIfNear<L>(before(centre), own, limit, &count, &first);
  AddIfNear<L>(after(centre), own, limit, &count, &second);
  AddIfNear<L>(before(below), own, limit, &count, &second);
  AddIfNear<L>(L::Load(below + b), own, limit, &count, &second);
  AddIfNear<L>(after(below), own, limit, &count, &second);

  V reciprocalLow, reciprocalHigh;
  kReciprocals(count, &reciprocalLow, &reciprocalHigh);
  const V zero = L::Zero();
  // The low and high unpacks pair up again in the pack.
  const V low = RoundedMeans<L>(L::UnpackLo8(own, zero), L::UnpackLo8(count, zero), L::UnpackLo8(first, zero),
                                L::UnpackLo8(second, zero), L::UnpackLo8(limit, zero),
                                L::UnpackLo8(reciprocalLow, reciprocalHigh));
  const V high = RoundedMeans<L>(L::UnpackHi8(own, zero), L::UnpackHi8(count, zero), L::UnpackHi8(first, zero),
                                 L::UnpackHi8(second, zero), L::UnpackHi8(limit, zero),
                                 L::UnpackHi8(reciprocalLow, reciprocalHigh));
  L::Store(out + b, L::PackUs16(low, high));
}

template <typename L, void (*kReciprocals)(typename L::V count, typename L::V *low, typename L::V *high)>
void DenoiseLineBody(const uint8_t *above, const uint8_t *centre, const uint8_t *below, int32_t width,
                     int32_t lumaSigma, int32_t chromaSigma, uint8_t *out) {
  const typename L::V lumaLanes = L::Set16(0x00FF);
  const typename L::V limit = L::Or(L::And(lumaLanes, L::Set8(lumaSigma)), L::AndNot(lumaLanes, L::Set8(chromaSigma)));
  FilterLineBody<L>(above, centre, below, width, out,
                    [limit](const uint8_t *a, const uint8_t *c, const uint8_t *b, int32_t at, uint8_t *into) {
                      DenoiseStep<L, kReciprocals>(a, c, b, at, limit, into);
                    });
}

// Each lane's reciprocal picked by comparing its count with 2 .. 9 (SSE2).
template <typename L>
void ComparedReciprocals(typename L::V count, typename L::V *low, typename L::V *high) {
  typename L::V lowBytes = L::Zero();
  typename L::V highBytes = L::Zero();
  for (int32_t d = 2; d <= kMaxSmallCount; ++d) {
    const typename L::V match = L::CmpEq8(count, L::Set8(d));
    lowBytes = L::Or(lowBytes, L::And(match, L::Set8(static_cast<int32_t>(kSmallCountReciprocal[d] & 0xFF))));
    highBytes = L::Or(highBytes, L::And(match, L::Set8(static_cast<int32_t>(kSmallCountReciprocal[d] >> 8))));
  }
  *low = lowBytes;
  *high = highBytes;
}

#if defined(__SSSE3__)
// Each lane's reciprocal's two bytes looked up by its count (1 .. 9) with a
// byte shuffle.
inline char ReciprocalByte(int32_t count, int32_t shift) {
  return static_cast<char>(count <= kMaxSmallCount ? (kSmallCountReciprocal[count] >> shift) & 0xFF : 0);
}

template <typename L>
void LookedUpReciprocals(typename L::V count, typename L::V *low, typename L::V *high) {
  const auto table = [](int32_t shift) {
    return L::Table(_mm_setr_epi8(ReciprocalByte(0, shift), ReciprocalByte(1, shift), ReciprocalByte(2, shift),
                                  ReciprocalByte(3, shift), ReciprocalByte(4, shift), ReciprocalByte(5, shift),
                                  ReciprocalByte(6, shift), ReciprocalByte(7, shift), ReciprocalByte(8, shift),
                                  ReciprocalByte(9, shift), 0, 0, 0, 0, 0, 0));
  };
  *low = L::Shuffle8(table(0), count);
  *high = L::Shuffle8(table(8), count);
}
#endif

// ---- Sharpen ----
//
// The unsharp mask of sharpen.cpp on the luma samples of L::kBytes line
// bytes (bytes b, b + 2, ...); the chroma bytes between are written back
// unchanged.
//   detail = 16 c - (3x3 binomial sum), cored by 2 code values (32 sixteenths),
//   c + sign * ((|cored| * amount + 2048) >> 12), clamped.
// The magnitude is taken as the upper half of (16 |cored|) (16 amount),
// which is floor(|cored| amount / 256), then (that + 8) >> 4, the same
// rounded quotient: both factors fit 16 bits (|cored| <= 4048, amount <= 512).
template <typename L>
SORVEX_VECTOR_INLINE void SharpenStep(const uint8_t *above, const uint8_t *centre, const uint8_t *below, int32_t b,
                                      typename L::V amount16, uint8_t *out) {
  typedef typename L::V V;
  const V lumaLanes = L::Set16(0x00FF);
  const auto luma = [&lumaLanes](const uint8_t *at) { return L::And(L::Load(at), lumaLanes); };
  const auto rowSum = [&](const uint8_t *line) {
    return L::Add16(L::Add16(luma(line + b - 2), luma(line + b + 2)), L::Shl16(luma(line + b), 1));
  };
  const V centreBytes = L::Load(centre + b);
  const V own = L::And(centreBytes, lumaLanes);
  const V blur16 = L::Add16(L::Add16(rowSum(above), rowSum(below)), L::Shl16(rowSum(centre), 1));
  const V detail = L::Sub16(L::Shl16(own, 4), blur16);
  const V cored = L::Sub16(detail, L::Min16(L::Max16(detail, L::Set16(-32)), L::Set16(32)));
  const V sign = L::Sar16(cored, 15);
  const V size = L::Sub16(L::Xor(cored, sign), sign);
  const V quotient = L::MulHiU16(L::Shl16(size, 4), amount16);
  const V magnitude = L::Shr16(L::Add16(quotient, L::Set16(8)), 4);
  const V sharpened = L::Add16(own, L::Sub16(L::Xor(magnitude, sign), sign));
  const V clamped = L::Max16(L::Min16(sharpened, L::Set16(255)), L::Zero());
  L::Store(out + b, L::Or(clamped, L::AndNot(lumaLanes, centreBytes)));
}

template <typename L>
void SharpenLineBody(const uint8_t *above, const uint8_t *centre, const uint8_t *below, int32_t width,
                     int32_t amount256, uint8_t *out) {
  const typename L::V amount16 = L::Set16(amount256 * 16);
  FilterLineBody<L>(above, centre, below, width, out,
                    [amount16](const uint8_t *a, const uint8_t *c, const uint8_t *b, int32_t at, uint8_t *into) {
                      SharpenStep<L>(a, c, b, at, amount16, into);
                    });
}

}  // namespace
}  // namespace sorvex1
