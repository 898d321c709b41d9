// The sigma filter of denoise.cpp over the interior of a YUYV line, sixteen
// bytes (eight luma and eight chroma samples) at a time, for the SSE2 and
// SSSE3 units (each compiles its own copy). A luma sample's neighbours in
// its channel are 2 bytes away, a chroma sample's 4; the lanes pick theirs.
//
// In byte lanes as in the scalar form: the sum of the near samples is
// count * own plus their deviations from own, each near neighbour's
// deviation offset by sigma lies in 0 .. 2 sigma (at most 60), so four of
// them add up inside a byte; two such groups and the count are widened, and
// the division by the count is a multiply by its reciprocal
// (small_counts.h), which each unit looks up in its own way.
#pragma once

#include "lanes128.h"
#include "row_kernels.h"
#include "small_counts.h"

namespace sorvex1 {
namespace {

// Adds a neighbour within `limit` of own to the count and its deviation,
// offset by `limit`, to the group.
inline void AddIfNear(V128 value, V128 own, V128 limit, V128 *count, V128 *group) {
  const V128 difference = _mm_or_si128(_mm_subs_epu8(value, own), _mm_subs_epu8(own, value));
  const V128 near = _mm_cmpeq_epi8(_mm_subs_epu8(difference, limit), _mm_setzero_si128());
  *count = _mm_sub_epi8(*count, near);
  *group = _mm_add_epi8(*group, _mm_and_si128(_mm_add_epi8(_mm_sub_epi8(value, own), limit), near));
}

// The rounded means of eight samples, 16-bit.
inline V128 RoundedMeans(V128 own, V128 count, V128 first, V128 second, V128 limit, V128 reciprocal) {
  const V128 sum = _mm_sub_epi16(_mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(count, own), first), second),
                                 _mm_mullo_epi16(_mm_sub_epi16(count, Halves(1)), limit));
  const V128 rounded = _mm_add_epi16(sum, _mm_srli_epi16(count, 1));
  const V128 single = _mm_cmpeq_epi16(count, Halves(1));
  return Select(single, rounded, _mm_mulhi_epu16(rounded, reciprocal));
}

// Reciprocals(count bytes, low bytes out, high bytes out): the reciprocal
// of each lane's count, split into bytes.
typedef void (*ReciprocalBytes)(V128 count, V128 *low, V128 *high);

template <ReciprocalBytes kReciprocals>
void DenoiseSixteen(const uint8_t *above, const uint8_t *centre, const uint8_t *below, int32_t b, V128 limit,
                    uint8_t *out) {
  const V128 lumaLanes = Halves(0x00FF);
  const V128 own = Load(centre + b);
  V128 count = Bytes(1);
  V128 first = _mm_setzero_si128();
  V128 second = _mm_setzero_si128();
  const auto before = [&](const uint8_t *line) { return Select(lumaLanes, Load(line + b - 2), Load(line + b - 4)); };
  const auto after = [&](const uint8_t *line) { return Select(lumaLanes, Load(line + b + 2), Load(line + b + 4)); };
  AddIfNear(before(above), own, limit, &count, &first);
  AddIfNear(Load(above + b), own, limit, &count, &first);
  AddIfNear(after(above), own, limit, &count, &first);
  AddIfNear(before(centre), own, limit, &count, &first);
  AddIfNear(after(centre), own, limit, &count, &second);
  AddIfNear(before(below), own, limit, &count, &second);
  AddIfNear(Load(below + b), own, limit, &count, &second);
  AddIfNear(after(below), own, limit, &count, &second);

  V128 reciprocalLow, reciprocalHigh;
  kReciprocals(count, &reciprocalLow, &reciprocalHigh);
  const V128 zero = _mm_setzero_si128();
  const V128 low = RoundedMeans(_mm_unpacklo_epi8(own, zero), _mm_unpacklo_epi8(count, zero),
                                _mm_unpacklo_epi8(first, zero), _mm_unpacklo_epi8(second, zero),
                                _mm_unpacklo_epi8(limit, zero), _mm_unpacklo_epi8(reciprocalLow, reciprocalHigh));
  const V128 high = RoundedMeans(_mm_unpackhi_epi8(own, zero), _mm_unpackhi_epi8(count, zero),
                                 _mm_unpackhi_epi8(first, zero), _mm_unpackhi_epi8(second, zero),
                                 _mm_unpackhi_epi8(limit, zero), _mm_unpackhi_epi8(reciprocalLow, reciprocalHigh));
  Store(out + b, _mm_packus_epi16(low, high));
}

// Bytes kFilterEdgeBytes .. 2 * width - kFilterEdgeBytes - 1; the last step
// ends with the interior and may overlap the one before it (the results
// depend on the unfiltered lines only).
template <ReciprocalBytes kReciprocals>
void DenoiseInteriorBody(const uint8_t *above, const uint8_t *centre, const uint8_t *below, int32_t width,
                         int32_t lumaSigma, int32_t chromaSigma, uint8_t *out) {
  const V128 limit = Select(Halves(0x00FF), Bytes(lumaSigma), Bytes(chromaSigma));
  const int32_t end = 2 * width - kFilterEdgeBytes;
  for (int32_t b = kFilterEdgeBytes; b < end; b += 16) {
    DenoiseSixteen<kReciprocals>(above, centre, below, b + 16 <= end ? b : end - 16, limit, out);
  }
}

}  // namespace
}  // namespace sorvex1
