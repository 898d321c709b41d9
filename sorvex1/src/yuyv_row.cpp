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

// Pixel pairs converted per block: the block's loops have fixed trip counts
// and one array per channel, which the compiler vectorises; the arithmetic
// is StoreBgr's, so every byte matches it. Each pixel is then packed into a
// word (blue in the low byte) and the words are stored 3 bytes apart, each
// store's fourth byte overwritten by the next; the block's last pixel is
// stored bytewise so that nothing lands past the block.
constexpr int32_t kBgrBlockPairs = 16;
constexpr int32_t kBgrBlockPixels = 2 * kBgrBlockPairs;

void YuyvPairsToBgrBlock(const uint8_t *__restrict yuyv, uint8_t *__restrict bgr) {
  uint32_t packed[kBgrBlockPixels];
  for (int32_t p = 0; p < kBgrBlockPairs; ++p) {
    const int32_t cb = yuyv[4 * p + 1] - 128;
    const int32_t cr = yuyv[4 * p + 3] - 128;
    const int32_t blueTerm = kBlueFromU * cb;
    const int32_t greenTerm = -kGreenFromU * cb - kGreenFromV * cr;
    const int32_t redTerm = kRedFromV * cr;
    for (int32_t i = 0; i < 2; ++i) {
      const int32_t luma = kLumaGain * (yuyv[4 * p + 2 * i] - 16);
      packed[2 * p + i] = uint32_t{ClampShiftToByte(luma + blueTerm, 16)} |
                          uint32_t{ClampShiftToByte(luma + greenTerm, 16)} << 8 |
                          uint32_t{ClampShiftToByte(luma + redTerm, 16)} << 16;
    }
  }
  for (int32_t x = 0; x + 1 < kBgrBlockPixels; ++x) StoreLittleEndianWord(bgr + 3 * x, packed[x]);
  const uint32_t last = packed[kBgrBlockPixels - 1];
  uint8_t *end = bgr + 3 * (kBgrBlockPixels - 1);
  end[0] = static_cast<uint8_t>(last);
  end[1] = static_cast<uint8_t>(last >> 8);
  end[2] = static_cast<uint8_t>(last >> 16);
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
  for (; x + 2 * kBgrBlockPairs <= width; x += 2 * kBgrBlockPairs) {
    YuyvPairsToBgrBlock(yuyv + 2 * x, bgr + 3 * x);
  }
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
