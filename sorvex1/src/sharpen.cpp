// Sharpening of the luma of a YUYV frame: an unsharp mask against a 3x3
// binomial blur. Strength 0..100 sets the amount from none to twice the
// detail; differences of up to two code values are treated as noise and
// left alone (coring), so flat areas do not turn grainy. Chroma is untouched.
#include "pixel_math.h"
#include "slots.h"
#include "yuyv_filter_window.h"

namespace sorvex1 {
namespace {

constexpr int16_t kCoring16 = 2 * 16;  // in sixteenths of a code value

// The detail (sixteen times the sample minus its 3x3 binomial blur) is at
// most 16 * 255 either way, so it and the blur fit 16 bits; the amount
// makes it at most 2^21, inside 32 bits. The division by 16 * 256 rounds
// half away from zero, as a shift of the magnitude.
void SharpenChunk(const ChannelChunk &chunk, int32_t amount256, uint8_t *__restrict results) {
  const int32_t count = chunk.count;  // a local, so the byte stores cannot change it
  const uint8_t *__restrict a = chunk.rows[0];
  const uint8_t *__restrict c = chunk.rows[1];
  const uint8_t *__restrict b = chunk.rows[2];
  for (int32_t i = 0; i < count; ++i) {
    const int16_t top = static_cast<int16_t>(a[i] + 2 * a[i + 1] + a[i + 2]);
    const int16_t middle = static_cast<int16_t>(c[i] + 2 * c[i + 1] + c[i + 2]);
    const int16_t bottom = static_cast<int16_t>(b[i] + 2 * b[i + 1] + b[i + 2]);
    const int16_t detail16 = static_cast<int16_t>(16 * c[i + 1] - (top + 2 * middle + bottom));
    const int16_t cored = detail16 > kCoring16    ? static_cast<int16_t>(detail16 - kCoring16)
                          : detail16 < -kCoring16 ? static_cast<int16_t>(detail16 + kCoring16)
                                                  : int16_t{0};
    const int32_t scaled = cored * amount256;
    const int32_t magnitude = ((scaled < 0 ? -scaled : scaled) + 2048) >> 12;
    const int32_t sharpened = c[i + 1] + (scaled < 0 ? -magnitude : magnitude);
    results[i] = static_cast<uint8_t>(ClampInt(sharpened, 0, 255));
  }
}

void SharpenLine(const RowKernels &kernels, const uint8_t *above, const uint8_t *centre, const uint8_t *below,
                 int32_t width, int32_t strength, uint8_t *out) {
  const int32_t amount256 = strength * 512 / static_cast<int32_t>(kMaxFilterStrength);
  const SharpenLineKernel kernel = width >= kFilterKernelMinWidth ? kernels.sharpenLine : scalar::SharpenLine;
  kernel(above, centre, below, width, amount256, out);
}

}  // namespace

namespace scalar {

void SharpenLine(const uint8_t *above, const uint8_t *centre, const uint8_t *below, int32_t width, int32_t amount256,
                 uint8_t *out) {
  FilterChannel(above, centre, below, LumaChannel(width), SharpenChunk, amount256, out);
}

}  // namespace scalar

void SORVEX1_CALL SharpenFrame(void *userData, uint8_t *yuyv, int32_t width, int32_t height,
                               uint32_t strength) {
  FilterYuyvFrameInPlace(StateFromUserData(userData), yuyv, width, height, strength, SharpenLine);
}

}  // namespace sorvex1
