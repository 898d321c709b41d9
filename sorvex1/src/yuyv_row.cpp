#include "yuyv_row.h"

#include "pixel_math.h"
#include "sorvex_kernel.h"

namespace sorvex1 {
namespace {

// BT.601 studio-range inverse scaled by 65536: 255/219 for Y, and for the
// colour differences 1.402, 0.344, 0.714 and 1.772, each times 255/224.
//
// Each channel is (luma + chroma + 32768) >> 16 with luma = 76309 (y - 16),
// clamped to a byte. The gains' whole multiples of 65536 pass the shift
// unchanged (76309 = 65536 + 10773, 132201 = 2 * 65536 + 1129, 53279 =
// 65536 - 12257, 104597 = 2 * 65536 - 26475), leaving
//   blue  = L + 2U + floor((10773 L + 1129 U + 32768) / 65536)
//   green = L - V + floor((10773 L - 25675 U + 12257 V + 32768) / 65536)
//   red   = L + 2V + floor((10773 L - 26475 V + 32768) / 65536)
// with L = y - 16, U = u - 128, V = v - 128. Two exact forms of these sums
// follow: one in 16-bit lanes for builds with vector registers, one in
// 32-bit sums for the kernel driver, which has none (there the 16-bit form
// takes more instructions). The output tests run against both builds.

// The three bytes of one pixel; a result below 0 clamps to 0.
struct Bgr {
  uint8_t blue, green, red;
};

#if defined(__SSE2__)

// Each remaining gain is split at 256 (10773 = 42 * 256 + 21, 1129 =
// 4 * 256 + 105, 25675 = 100 * 256 + 75, 12257 = 48 * 256 - 31, 26475 =
// 103 * 256 + 107), so a sum N = 256 P + Q with P the sum of the high parts'
// products and Q that of the low parts' plus 32768. Then floor(N / 65536) =
// floor((P + floor(Q / 256)) / 256): Q < 256 more can not carry past a
// multiple of 256. For every L, U and V, Q lies in 18843..51483 and P within
// +-28934, so both are 16-bit values; P + Q / 256, offset by a whole number
// of 256s that makes it positive (kBlueOffset and so on), fits 16 unsigned
// bits and takes a plain shift. The offset comes off afterwards.
constexpr uint16_t kHalf = 32768;
constexpr int16_t kBlueOffset = 5;    // P + Q / 256 >= -1110 for blue
constexpr int16_t kGreenOffset = 80;  // >= -19442
constexpr int16_t kRedOffset = 54;    // >= -13680

inline uint8_t ClampToByte(int16_t value) { return static_cast<uint8_t>(value < 0 ? 0 : (value > 255 ? 255 : value)); }

// floor((p + floor(q / 256)) / 256), with p + q / 256 + 256 * offset >= 0.
inline int16_t SplitQuotient(int16_t p, uint16_t q, int16_t offset) {
  const uint16_t shifted = static_cast<uint16_t>(p + (q >> 8) + offset * 256);
  return static_cast<int16_t>((shifted >> 8) - offset);
}

inline Bgr StudioRangeToBgr(int16_t luma, int16_t cb, int16_t cr) {
  const int16_t lumaHigh = static_cast<int16_t>(42 * luma);
  const int16_t lumaLow = static_cast<int16_t>(21 * luma);
  const int16_t blueQuotient =
      SplitQuotient(static_cast<int16_t>(lumaHigh + 4 * cb), static_cast<uint16_t>(lumaLow + 105 * cb + kHalf),
                    kBlueOffset);
  const int16_t greenQuotient = SplitQuotient(static_cast<int16_t>(lumaHigh - 100 * cb + 48 * cr),
                                              static_cast<uint16_t>(lumaLow - 75 * cb - 31 * cr + kHalf), kGreenOffset);
  const int16_t redQuotient = SplitQuotient(static_cast<int16_t>(lumaHigh - 103 * cr),
                                            static_cast<uint16_t>(lumaLow - 107 * cr + kHalf), kRedOffset);
  return {ClampToByte(static_cast<int16_t>(luma + 2 * cb + blueQuotient)),
          ClampToByte(static_cast<int16_t>(luma - cr + greenQuotient)),
          ClampToByte(static_cast<int16_t>(luma + 2 * cr + redQuotient))};
}

#else

constexpr int32_t kLumaGainRest = 10773;
constexpr int32_t kBlueFromURest = 1129;
constexpr int32_t kGreenFromU = 25675;
constexpr int32_t kGreenFromVRest = 12257;
constexpr int32_t kRedFromVRest = 26475;
// Half a step for the rounding, and 128 whole steps that keep every shifted
// sum positive (the remainder products stay within +-2^23), so that nothing
// depends on how negative numbers shift; the 128 steps come off afterwards.
constexpr int32_t kBiasSteps = 128;
constexpr int32_t kRoundingAndBias = (1 << 15) + (kBiasSteps << 16);

inline uint8_t ClampToByte(int32_t value) { return static_cast<uint8_t>(ClampInt(value, 0, 255)); }

inline Bgr StudioRangeToBgr(int16_t luma, int16_t cb, int16_t cr) {
  const int32_t lumaRest = kLumaGainRest * luma + kRoundingAndBias;
  const int32_t blue = luma + 2 * cb - kBiasSteps + ((lumaRest + kBlueFromURest * cb) >> 16);
  const int32_t green =
      luma - cr - kBiasSteps + ((lumaRest - kGreenFromU * cb + kGreenFromVRest * cr) >> 16);
  const int32_t red = luma + 2 * cr - kBiasSteps + ((lumaRest - kRedFromVRest * cr) >> 16);
  return {ClampToByte(blue), ClampToByte(green), ClampToByte(red)};
}

#endif

void StoreBgr(int32_t y, int32_t u, int32_t v, uint8_t *bgr) {
  const Bgr pixel = StudioRangeToBgr(static_cast<int16_t>(y - 16), static_cast<int16_t>(u - 128),
                                     static_cast<int16_t>(v - 128));
  bgr[0] = pixel.blue;
  bgr[1] = pixel.green;
  bgr[2] = pixel.red;
}

// The pixels' words are stored as they lie in memory: the drivers run on
// little-endian processors only (x86), where byte k of a word is bits
// 8k..8k+7.
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "the bitmap's word stores assume a little-endian processor"
#endif

// Pixel pairs converted per block: the block's loops have fixed trip counts
// and one array per channel, which the compiler vectorises (the two pixels
// of a pair share their chroma terms); then the three channel arrays are
// interleaved into the block's BGR bytes.
constexpr int32_t kBgrBlockPairs = 16;
constexpr int32_t kBgrBlockPixels = 2 * kBgrBlockPairs;

void YuyvPairsToBgrBlock(const uint8_t *__restrict yuyv, uint8_t *__restrict bgr) {
  uint8_t blue[kBgrBlockPixels];
  uint8_t green[kBgrBlockPixels];
  uint8_t red[kBgrBlockPixels];
  for (int32_t p = 0; p < kBgrBlockPairs; ++p) {
    const int16_t cb = static_cast<int16_t>(yuyv[4 * p + 1] - 128);
    const int16_t cr = static_cast<int16_t>(yuyv[4 * p + 3] - 128);
    const Bgr first = StudioRangeToBgr(static_cast<int16_t>(yuyv[4 * p] - 16), cb, cr);
    const Bgr second = StudioRangeToBgr(static_cast<int16_t>(yuyv[4 * p + 2] - 16), cb, cr);
    blue[2 * p] = first.blue;
    green[2 * p] = first.green;
    red[2 * p] = first.red;
    blue[2 * p + 1] = second.blue;
    green[2 * p + 1] = second.green;
    red[2 * p + 1] = second.red;
  }
  // Each pixel as one 32-bit word (blue, green, red, and a spare byte that
  // the next pixel's store overwrites): a store a pixel instead of three.
  // The block's last pixel goes byte by byte, so nothing is written past it.
  uint32_t words[kBgrBlockPixels];
  for (int32_t x = 0; x < kBgrBlockPixels; ++x) {
    words[x] = uint32_t{blue[x]} | (uint32_t{green[x]} << 8) | (uint32_t{red[x]} << 16);
  }
  for (int32_t x = 0; x + 1 < kBgrBlockPixels; ++x) RtlCopyMemory(bgr + 3 * x, &words[x], 4);
  constexpr int32_t kLast = kBgrBlockPixels - 1;
  RtlCopyMemory(bgr + 3 * kLast, &words[kLast], 3);
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

void YuyvToBgrLine(const RowKernels &kernels, const uint8_t *yuyv, int32_t width, uint8_t *bgr) {
  int32_t x = kernels.yuyvToBgr(yuyv, width, bgr);
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

namespace scalar {

int32_t YuyvToBgr(const uint8_t *yuyv, int32_t width, uint8_t *bgr) {
  int32_t x = 0;
  for (; x + 2 * kBgrBlockPairs <= width; x += 2 * kBgrBlockPairs) {
    YuyvPairsToBgrBlock(yuyv + 2 * x, bgr + 3 * x);
  }
  return x;
}

}  // namespace scalar

void YuyvToLumaLine(const uint8_t *yuyv, int32_t width, uint8_t *luma) {
  for (int32_t x = 0; x < width; ++x) luma[x] = yuyv[2 * x];
}

namespace {

uint8_t RoundedMean(uint8_t a, uint8_t b) { return static_cast<uint8_t>((a + b + 1) >> 1); }

// The loop over the pairs, with every pointer its own, so that it vectorises.
void PairsToI420(const uint8_t *__restrict above, const uint8_t *__restrict below, int32_t pairs,
                 uint8_t *__restrict upperLuma, uint8_t *__restrict lowerLuma, uint8_t *__restrict u,
                 uint8_t *__restrict v) {
  for (int32_t p = 0; p < pairs; ++p) {
    upperLuma[2 * p] = above[4 * p];
    upperLuma[2 * p + 1] = above[4 * p + 2];
    lowerLuma[2 * p] = below[4 * p];
    lowerLuma[2 * p + 1] = below[4 * p + 2];
    u[p] = RoundedMean(above[4 * p + 1], below[4 * p + 1]);
    v[p] = RoundedMean(above[4 * p + 3], below[4 * p + 3]);
  }
}

}  // namespace

void YuyvLinePairToI420(const RowKernels &kernels, const uint8_t *upper, const uint8_t *lower, int32_t width,
                        const I420LinePair &out) {
  const int32_t pairs = width / 2;
  const int32_t done = kernels.yuyvToI420(upper, lower, pairs, out);
  PairsToI420(upper + 4 * done, lower + 4 * done, pairs - done, out.upperLuma + 2 * done, out.lowerLuma + 2 * done,
              out.u + done, out.v + done);
  if (2 * pairs < width) {
    out.upperLuma[2 * pairs] = upper[4 * pairs];
    out.lowerLuma[2 * pairs] = lower[4 * pairs];
  }
}

namespace scalar {

int32_t YuyvToI420(const uint8_t *upper, const uint8_t *lower, int32_t pairs, const I420LinePair &out) {
  PairsToI420(upper, lower, pairs, out.upperLuma, out.lowerLuma, out.u, out.v);
  return pairs;
}

}  // namespace scalar

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
