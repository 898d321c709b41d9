// Sharpening of the luma of a YUYV frame: an unsharp mask against a 3x3
// binomial blur. Strength 0..100 sets the amount from none to twice the
// detail; differences of up to two code values are treated as noise and
// left alone (coring), so flat areas do not turn grainy. Chroma is untouched.
#include "pixel_math.h"
#include "slots.h"
#include "yuyv_filter_window.h"

namespace sorvex1 {
namespace {

constexpr int32_t kCoring16 = 2 * 16;  // in sixteenths of a code value

int32_t BinomialBlur16(const Window3x3 &w) {
  const int32_t top = w.v[0][0] + 2 * w.v[0][1] + w.v[0][2];
  const int32_t middle = w.v[1][0] + 2 * w.v[1][1] + w.v[1][2];
  const int32_t bottom = w.v[2][0] + 2 * w.v[2][1] + w.v[2][2];
  return top + 2 * middle + bottom;
}

int32_t Cored(int32_t detail16) {
  if (detail16 > kCoring16) return detail16 - kCoring16;
  if (detail16 < -kCoring16) return detail16 + kCoring16;
  return 0;
}

void SharpenLine(const uint8_t *above, const uint8_t *centre, const uint8_t *below, int32_t width,
                 int32_t strength, uint8_t *out) {
  const int32_t amount256 = strength * 512 / static_cast<int32_t>(kMaxFilterStrength);
  const YuyvChannel luma = LumaChannel(width);
  for (int32_t x = 0; x < width; ++x) {
    const Window3x3 w = WindowAt(above, centre, below, luma, x);
    const int32_t detail16 = Cored(16 * w.v[1][1] - BinomialBlur16(w));
    const int32_t sharpened = w.v[1][1] + DivideRounded(detail16 * amount256, 16 * 256);
    out[2 * x] = static_cast<uint8_t>(ClampInt(sharpened, 0, 255));
  }
}

}  // namespace

void SORVEX1_CALL SharpenFrame(void *userData, uint8_t *yuyv, int32_t width, int32_t height,
                               uint32_t strength) {
  FilterYuyvFrameInPlace(StateFromUserData(userData), yuyv, width, height, strength, SharpenLine);
}

}  // namespace sorvex1
