// Edge-preserving noise reduction of a YUYV frame: a 3x3 sigma filter. Each
// sample becomes the mean of the samples in its 3x3 neighbourhood that lie
// within sigma of it, so noise is averaged while an edge (a jump larger than
// sigma) keeps its sides apart. Strength 0..100 sets sigma from 0 to 30 code
// values for luma. Chroma gets the same filter over neighbouring pixel pairs
// with half the sigma, a light smoothing of colour noise.
#include "pixel_math.h"
#include "slots.h"
#include "yuyv_filter_window.h"

namespace sorvex1 {
namespace {

constexpr int32_t kMaxLumaSigma = 30;
// Four near deviations, each at most 2 sigma, must add up inside a byte.
static_assert(4 * 2 * kMaxLumaSigma <= 255, "a group of deviations overflows its byte");

// The rounded mean sum / count for the counts 1..9 of a 3x3 window, in
// 16-bit lanes. DivideBySmallCount's reciprocal fits 16 bits for every count
// above 1, so the product's upper half is one vector multiply; a table read
// per sample would not vectorise, so the reciprocal is picked by
// comparisons. (Reading it once for runs that share a count measured slower:
// the test's branch goes either way in a real picture.)
// A build without vector registers (the kernel driver) reads the table: one
// load is cheaper there than eight comparisons.
inline uint16_t PickedReciprocal(uint16_t count) {
#if defined(__SSE2__)
  uint16_t reciprocal = static_cast<uint16_t>(kSmallCountReciprocal[2]);
  for (uint16_t d = 3; d <= kMaxSmallCount; ++d) {
    const uint16_t match = static_cast<uint16_t>(-static_cast<int32_t>(count == d));
    reciprocal = static_cast<uint16_t>((reciprocal & ~match) | (kSmallCountReciprocal[d] & match));
  }
  return reciprocal;
#else
  return static_cast<uint16_t>(kSmallCountReciprocal[count] & 0xFFFFu);  // count 1 is handled apart
#endif
}

inline uint8_t RoundedMean(int16_t sum, uint16_t count, uint16_t reciprocal) {
  const uint16_t rounded = static_cast<uint16_t>(sum + count / 2);
  const uint16_t quotient = static_cast<uint16_t>((static_cast<uint32_t>(rounded) * reciprocal) >> 16);
  const uint16_t single = static_cast<uint16_t>(-static_cast<int32_t>(count == 1));
  return static_cast<uint8_t>((quotient & ~single) | (rounded & single));
}

void DivideRun(const int16_t *__restrict sums, const uint16_t *__restrict counts, int32_t samples,
               uint8_t *__restrict results) {
  for (int32_t i = 0; i < samples; ++i) results[i] = RoundedMean(sums[i], counts[i], PickedReciprocal(counts[i]));
}

#if defined(__SSE2__)

inline uint8_t AbsoluteDifference(uint8_t a, uint8_t b) {
  const uint8_t higher = a > b ? a : b;
  const uint8_t lower = a > b ? b : a;
  return static_cast<uint8_t>(higher - lower);
}

// A neighbour within `limit` of own adds one to the count and its
// deviation, offset by `limit`, to the group.
inline void AddIfNear(uint8_t value, uint8_t own, uint8_t limit, uint8_t *count, uint8_t *group) {
  const uint8_t near = static_cast<uint8_t>(-static_cast<int32_t>(AbsoluteDifference(value, own) <= limit));
  *count = static_cast<uint8_t>(*count - static_cast<int8_t>(near));
  *group = static_cast<uint8_t>(*group + (static_cast<uint8_t>(value - own + limit) & near));
}

#endif

// Each sample becomes the rounded mean of the samples of its 3x3
// neighbourhood that lie within sigma of it (itself always among them).
//
// In byte lanes: the sum of the near samples is count * own plus their
// deviations from own, and each near neighbour's deviation, offset by sigma,
// lies in 0 .. 2 sigma (at most 60), so four of them add up inside a byte.
// The eight neighbours go into two such groups, and only their totals are
// widened: sum = count * own + groups - (count - 1) * sigma.
void SigmaMeanChunk(const ChannelChunk &chunk, int32_t sigma, uint8_t *__restrict results) {
  const int32_t samples = chunk.count;  // a local, so the byte stores cannot change it
  const uint8_t limit = static_cast<uint8_t>(sigma);
  const uint8_t *__restrict above = chunk.rows[0];
  const uint8_t *__restrict centre = chunk.rows[1];
  const uint8_t *__restrict below = chunk.rows[2];
  int16_t sums[kChannelChunk];
  uint16_t counts[kChannelChunk];
#if defined(__SSE2__)
  for (int32_t i = 0; i < samples; ++i) {
    const uint8_t own = centre[i + 1];
    uint8_t count = 1;
    uint8_t first = 0;
    uint8_t second = 0;
    AddIfNear(above[i], own, limit, &count, &first);
    AddIfNear(above[i + 1], own, limit, &count, &first);
    AddIfNear(above[i + 2], own, limit, &count, &first);
    AddIfNear(centre[i], own, limit, &count, &first);
    AddIfNear(centre[i + 2], own, limit, &count, &second);
    AddIfNear(below[i], own, limit, &count, &second);
    AddIfNear(below[i + 1], own, limit, &count, &second);
    AddIfNear(below[i + 2], own, limit, &count, &second);
    sums[i] = static_cast<int16_t>(count * own + first + second - (count - 1) * limit);
    counts[i] = count;
  }
#else
  // Without vector registers (the kernel driver) the plain sums take fewer
  // instructions: -limit <= value - own <= limit as one unsigned comparison.
  const uint8_t *const rows[3] = {above, centre, below};
  for (int32_t i = 0; i < samples; ++i) {
    const int32_t own = centre[i + 1];
    int32_t sum = 0;
    int32_t count = 0;
    for (int32_t r = 0; r < 3; ++r) {
      for (int32_t k = 0; k < 3; ++k) {
        const int32_t value = rows[r][i + k];
        const bool near = static_cast<uint32_t>(value - own + limit) <= static_cast<uint32_t>(2 * limit);
        sum += near ? value : 0;
        count += near ? 1 : 0;
      }
    }
    sums[i] = static_cast<int16_t>(sum);
    counts[i] = static_cast<uint16_t>(count);
  }
#endif
  DivideRun(sums, counts, samples, results);
}

void DenoiseLine(const RowKernels &kernels, const uint8_t *above, const uint8_t *centre, const uint8_t *below,
                 int32_t width, int32_t strength, uint8_t *out) {
  const int32_t lumaSigma = strength * kMaxLumaSigma / static_cast<int32_t>(kMaxFilterStrength);
  const int32_t chromaSigma = lumaSigma / 2;
  const DenoiseLineKernel kernel = width >= kFilterKernelMinWidth ? kernels.denoiseLine : scalar::DenoiseLine;
  kernel(above, centre, below, width, lumaSigma, chromaSigma, out);
}

}  // namespace

namespace scalar {

void DenoiseLine(const uint8_t *above, const uint8_t *centre, const uint8_t *below, int32_t width, int32_t lumaSigma,
                 int32_t chromaSigma, uint8_t *out) {
  FilterChannel(above, centre, below, LumaChannel(width), SigmaMeanChunk, lumaSigma, out);
  FilterChannel(above, centre, below, UChannel(width), SigmaMeanChunk, chromaSigma, out);
  FilterChannel(above, centre, below, VChannel(width), SigmaMeanChunk, chromaSigma, out);
}

}  // namespace scalar

void SORVEX1_CALL DenoiseFrame(void *userData, uint8_t *yuyv, int32_t width, int32_t height,
                               uint32_t strength) {
  FilterYuyvFrameInPlace(StateFromUserData(userData), yuyv, width, height, strength, DenoiseLine);
}

}  // namespace sorvex1
