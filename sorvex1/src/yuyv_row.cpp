#include "yuyv_row.h"

#include "pixel_math.h"

namespace sorvex1 {
namespace {

// BT.601 studio-range inverse scaled by 65536: 255/219 for Y, and for the
// colour differences 1.402, 0.344, 0.714 and 1.772, each times 255/224.
constexpr int32_t kLumaGain = 76309;
constexpr int32_t kRedFromV = 104597;
constexpr int32_t kGreenFromU = 25675;
constexpr int32_t kGreenFromV = 53279;
constexpr int32_t kBlueFromU = 132201;

void StoreBgr(int32_t y, int32_t u, int32_t v, uint8_t *bgr) {
  const int32_t luma = kLumaGain * (y - 16);
  const int32_t cb = u - 128;
  const int32_t cr = v - 128;
  bgr[0] = ClampShiftToByte(luma + kBlueFromU * cb, 16);
  bgr[1] = ClampShiftToByte(luma - kGreenFromU * cb - kGreenFromV * cr, 16);
  bgr[2] = ClampShiftToByte(luma + kRedFromV * cr, 16);
}

}  // namespace

void YuyvChromaAt(const uint8_t *yuyv, int32_t width, int32_t x, uint8_t *u, uint8_t *v) {
  const int32_t pair = x / 2;
  *u = yuyv[4 * pair + 1];
  if (4 * pair + 3 < 2 * width) {
    *v = yuyv[4 * pair + 3];
  } else {
    *v = pair > 0 ? yuyv[4 * pair - 1] : 128;
  }
}

void YuyvToBgrLine(const uint8_t *yuyv, int32_t width, uint8_t *bgr) {
  int32_t x = 0;
  for (; x + 1 < width; x += 2) {
    const uint8_t *pair = yuyv + 2 * x;
    StoreBgr(pair[0], pair[1], pair[3], bgr + 3 * x);
    StoreBgr(pair[2], pair[1], pair[3], bgr + 3 * x + 3);
  }
  if (x < width) {
    uint8_t u;
    uint8_t v;
    YuyvChromaAt(yuyv, width, x, &u, &v);
    StoreBgr(yuyv[2 * x], u, v, bgr + 3 * x);
  }
}

void YuyvToLumaLine(const uint8_t *yuyv, int32_t width, uint8_t *luma) {
  for (int32_t x = 0; x < width; ++x) luma[x] = yuyv[2 * x];
}

void YuyvLinesToChroma(const uint8_t *upper, const uint8_t *lower, int32_t pairs, uint8_t *u, uint8_t *v) {
  for (int32_t p = 0; p < pairs; ++p) {
    u[p] = static_cast<uint8_t>((upper[4 * p + 1] + lower[4 * p + 1] + 1) >> 1);
    v[p] = static_cast<uint8_t>((upper[4 * p + 3] + lower[4 * p + 3] + 1) >> 1);
  }
}

int32_t NearestSourceIndex(int32_t output, int32_t sourceSize, int32_t destinationSize) {
  return (2 * output + 1) * sourceSize / (2 * destinationSize);
}

void SampleYuyvLine(const uint8_t *source, int32_t sourceWidth, uint8_t *destination, int32_t width) {
  for (int32_t x = 0; x < width; ++x) {
    const int32_t sourceX = NearestSourceIndex(x, sourceWidth, width);
    destination[2 * x] = source[2 * sourceX];
    if ((x & 1) != 0) continue;
    uint8_t u;
    uint8_t v;
    YuyvChromaAt(source, sourceWidth, sourceX, &u, &v);
    destination[2 * x + 1] = u;
    if (x + 1 < width) destination[2 * x + 3] = v;
  }
}

}  // namespace sorvex1
