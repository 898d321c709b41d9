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

// DivideBySmallCount for the counts 1..9 of a 3x3 window, in 16-bit lanes:
// the reciprocal is picked by comparisons rather than read from the table
// (a table read per sample does not vectorise), and for every count above 1
// it fits 16 bits, so the product's upper half is one vector multiply.
inline uint16_t DivideBySmallCount16(uint16_t numerator, uint16_t count) {
  uint16_t reciprocal = static_cast<uint16_t>(kSmallCountReciprocal[2]);
  for (uint16_t d = 3; d <= kMaxSmallCount; ++d) {
    const uint16_t match = static_cast<uint16_t>(-static_cast<int32_t>(count == d));
    reciprocal = static_cast<uint16_t>((reciprocal & ~match) | (kSmallCountReciprocal[d] & match));
  }
  const uint16_t quotient = static_cast<uint16_t>((static_cast<uint32_t>(numerator) * reciprocal) >> 16);
  const uint16_t single = static_cast<uint16_t>(-static_cast<int32_t>(count == 1));
  return static_cast<uint16_t>((quotient & ~single) | (numerator & single));
}

// Each sample becomes the rounded mean of the samples of its 3x3
// neighbourhood that lie within sigma of it (itself always among them).
void SigmaMeanChunk(const ChannelChunk &chunk, int32_t sigma, uint8_t *__restrict results) {
  const int32_t samples = chunk.count;  // a local, so the byte stores cannot change it
  const int16_t limit = static_cast<int16_t>(sigma);
  int16_t sums[kChannelChunk];
  int16_t counts[kChannelChunk];
  for (int32_t i = 0; i < samples; ++i) {
    const int16_t own = chunk.rows[1][i + 1];
    int16_t sum = 0;
    int16_t count = 0;
    for (int32_t r = 0; r < 3; ++r) {
      for (int32_t k = 0; k < 3; ++k) {
        const int16_t value = chunk.rows[r][i + k];
        // -limit <= value - own <= limit, as one unsigned comparison.
        const bool near = static_cast<uint16_t>(value - own + limit) <= static_cast<uint16_t>(2 * limit);
        sum = static_cast<int16_t>(sum + (near ? value : 0));
        count = static_cast<int16_t>(count + (near ? 1 : 0));
      }
    }
    sums[i] = sum;
    counts[i] = count;
  }
  for (int32_t i = 0; i < samples; ++i) {
    const uint16_t count = static_cast<uint16_t>(counts[i]);
    const uint16_t rounded = static_cast<uint16_t>(sums[i] + count / 2);
    results[i] = static_cast<uint8_t>(DivideBySmallCount16(rounded, count));
  }
}

void DenoiseLine(const uint8_t *above, const uint8_t *centre, const uint8_t *below, int32_t width,
                 int32_t strength, uint8_t *out) {
  const int32_t lumaSigma = strength * kMaxLumaSigma / static_cast<int32_t>(kMaxFilterStrength);
  const int32_t chromaSigma = lumaSigma / 2;
  FilterChannel(above, centre, below, LumaChannel(width), SigmaMeanChunk, lumaSigma, out);
  FilterChannel(above, centre, below, UChannel(width), SigmaMeanChunk, chromaSigma, out);
  FilterChannel(above, centre, below, VChannel(width), SigmaMeanChunk, chromaSigma, out);
}

}  // namespace

void SORVEX1_CALL DenoiseFrame(void *userData, uint8_t *yuyv, int32_t width, int32_t height,
                               uint32_t strength) {
  FilterYuyvFrameInPlace(StateFromUserData(userData), yuyv, width, height, strength, DenoiseLine);
}

}  // namespace sorvex1
