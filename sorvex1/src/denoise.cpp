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

uint8_t SigmaMean(const Window3x3 &w, int32_t sigma) {
  const int32_t own = w.v[1][1];
  int32_t sum = 0;
  int32_t count = 0;
  for (int32_t r = 0; r < 3; ++r) {
    for (int32_t c = 0; c < 3; ++c) {
      const int32_t difference = w.v[r][c] - own;
      if (difference > sigma || difference < -sigma) continue;
      sum += w.v[r][c];
      ++count;
    }
  }
  return static_cast<uint8_t>((sum + count / 2) / count);
}

void SigmaFilterChannel(const uint8_t *above, const uint8_t *centre, const uint8_t *below,
                        YuyvChannel channel, int32_t sigma, uint8_t *out) {
  for (int32_t i = 0; i < channel.count; ++i) {
    out[channel.offset + channel.step * i] = SigmaMean(WindowAt(above, centre, below, channel, i), sigma);
  }
}

void DenoiseLine(const uint8_t *above, const uint8_t *centre, const uint8_t *below, int32_t width,
                 int32_t strength, uint8_t *out) {
  const int32_t lumaSigma = strength * kMaxLumaSigma / static_cast<int32_t>(kMaxFilterStrength);
  const int32_t chromaSigma = lumaSigma / 2;
  SigmaFilterChannel(above, centre, below, LumaChannel(width), lumaSigma, out);
  SigmaFilterChannel(above, centre, below, UChannel(width), chromaSigma, out);
  SigmaFilterChannel(above, centre, below, VChannel(width), chromaSigma, out);
}

}  // namespace

void SORVEX1_CALL DenoiseFrame(void *userData, uint8_t *yuyv, int32_t width, int32_t height,
                               uint32_t strength) {
  FilterYuyvFrameInPlace(StateFromUserData(userData), yuyv, width, height, strength, DenoiseLine);
}

}  // namespace sorvex1
