#include "exposure/colour_matrix.h"

#include "exposure/white_balance.h"

namespace sorvex0 {

namespace {

constexpr CorrectionMatrix kCorrectionMi1320 = {{
    {5724, -1116, -512}, {-1731, 7175, -1348}, {-1067, -2339, 7502}}};
constexpr CorrectionMatrix kCorrectionS5k = {{
    {5533, -843, -594}, {-2868, 9241, -2277}, {-882, -5155, 10133}}};
constexpr CorrectionMatrix kCorrectionOv96 = {{
    {6355, -1723, -536}, {-504, 4652, -52}, {-1142, -3520, 8758}}};
constexpr CorrectionMatrix kCorrectionOthers = {{
    {5946, -2004, 58}, {-822, 5412, -394}, {-638, -1492, 6104}}};

constexpr CorrectionMatrix kWarmOv96 = {{
    {2351, 916, 235}, {-1553, 4751, 644}, {-1558, -2352, 8590}}};
constexpr CorrectionMatrix kWarmS5k = {{
    {4275, -276, -416}, {-1874, 7911, -1941}, {-842, -4810, 9749}}};

// How a sensor family moves toward its warm-light matrix: the red-to-blue
// reference ratio (in hundredths) is taken within [ratioLow, ratioHigh] and
// the weight runs from 0 to fullWeight.
struct WarmLightBlend {
  const CorrectionMatrix *warm;
  uint32_t ratioLow;
  uint32_t ratioHigh;
  int32_t fullWeight;
};

constexpr WarmLightBlend kBlendOv96 = {&kWarmOv96, 128, 152, 24};
constexpr WarmLightBlend kBlendS5k = {&kWarmS5k, 90, 120, 30};

// Picture values are percentages; these bounds keep every 32-bit product of
// the YUV matrix in range whatever the caller passes (the MI1320's large
// frames pass ten times the saturation).
constexpr uint32_t kMaxSaturation = 10000;
constexpr uint32_t kMaxBalance = 100;
constexpr uint32_t kMaxLightLevel = 100;
constexpr uint32_t kBlendStartLevel = 40;
constexpr int32_t kBlendSlew = 2;

const CorrectionMatrix &CorrectionFor(ColourGroup group) {
  switch (group) {
    case ColourGroup::kMi1320:
      return kCorrectionMi1320;
    case ColourGroup::kS5k:
      return kCorrectionS5k;
    case ColourGroup::kOv96:
      return kCorrectionOv96;
    default:
      return kCorrectionOthers;
  }
}

const WarmLightBlend *BlendFor(ColourGroup group) {
  switch (group) {
    case ColourGroup::kOv96:
      return &kBlendOv96;
    case ColourGroup::kS5k:
      return &kBlendS5k;
    default:
      return nullptr;
  }
}

uint32_t LimitUnsigned(uint32_t value, uint32_t low, uint32_t high) {
  if (value < low) return low;
  if (value > high) return high;
  return value;
}

// The warm-light weight for this run: from the reference ratio and the
// light above level 40, moved at most kBlendSlew from the last run's weight.
int32_t NextBlendWeight(IspContext *context, const WarmLightBlend &blend, uint32_t lightLevel) {
  const uint32_t level = lightLevel > kMaxLightLevel ? kMaxLightLevel : lightLevel;
  const uint32_t above = level > kBlendStartLevel ? level - kBlendStartLevel : 0;
  const uint32_t blue = context->awbRefB == 0 ? 1 : context->awbRefB;
  const uint32_t ratio =
      LimitUnsigned(context->awbRefR * 100 / blue, blend.ratioLow, blend.ratioHigh);
  int32_t weight = static_cast<int32_t>((ratio - blend.ratioLow) * above / 60);
  if (weight < context->ccmBlend - kBlendSlew) weight = context->ccmBlend - kBlendSlew;
  if (weight > context->ccmBlend + kBlendSlew) weight = context->ccmBlend + kBlendSlew;
  context->ccmBlend = weight;
  return weight;
}

}  // namespace

CorrectionMatrix BlendedCorrectionMatrix(IspContext *context, uint32_t lightLevel) {
  const ColourGroup group = SensorOf(context).colour;
  CorrectionMatrix m = CorrectionFor(group);
  const WarmLightBlend *blend = BlendFor(group);
  if (blend == nullptr) return m;
  const int32_t t = NextBlendWeight(context, *blend, lightLevel);
  const int32_t full = blend->fullWeight;
  for (uint32_t row = 0; row < 3; ++row) {
    for (uint32_t column = 0; column < 3; ++column) {
      m.m[row][column] =
          (m.m[row][column] * (full - t) + blend->warm->m[row][column] * t) / full;
    }
  }
  return m;
}

LibraryMatrix YuvMatrixFrom(const CorrectionMatrix &correction, uint32_t saturation,
                            uint32_t balance) {
  const int32_t s = static_cast<int32_t>(saturation > kMaxSaturation ? kMaxSaturation : saturation);
  const int32_t p5 = static_cast<int32_t>(balance > kMaxBalance ? kMaxBalance : balance);
  const int32_t k = (50 - p5) / 4;
  const int32_t su = (50 - k) * s;
  const int32_t sv = (k + 50) * s;
  const int32_t yRow[3] = {66, 129, 25};
  const int32_t uRow[3] = {su * -38 / 2500, su * -74 / 2500, su * 112 / 2500};
  const int32_t vRow[3] = {sv * 112 / 2500, sv * -94 / 2500, sv * -18 / 2500};
  const int32_t *rows[3] = {yRow, uRow, vRow};
  LibraryMatrix yuv{};
  for (uint32_t out = 0; out < 3; ++out) {
    for (uint32_t j = 0; j < 3; ++j) {
      const int32_t *c = rows[out];
      yuv.v[out * 4 + j] =
          (c[0] * correction.m[0][j] + c[1] * correction.m[1][j] + c[2] * correction.m[2][j]) /
          4096;
    }
  }
  return yuv;
}

LibraryMatrix ColourMatrixFromYuv(const LibraryMatrix &yuv) {
  LibraryMatrix colour{};
  for (uint32_t j = 0; j < 3; ++j) {
    // 64-bit: with the MI1320's tenfold saturation the V coefficients pass
    // 1,000 and 2,102,442 * V no longer fits in 32 bits.
    const int64_t y = yuv.v[j];
    const int64_t u = yuv.v[4 + j];
    const int64_t v = yuv.v[8 + j];
    const int64_t a = -38 * y - 66 * u;
    const int64_t b = 112 * y - 66 * v;
    colour.v[j] = static_cast<int32_t>((3612 * u - 2102442 * v - 1529940 * y) / -1314792);
    colour.v[4 + j] = static_cast<int32_t>((3988 * a + 8342 * b) / 672684);
    colour.v[8 + j] = static_cast<int32_t>((20652 * a + 18 * b) / -672684);
  }
  return colour;
}

void SendColourMatrices(IspContext *context, uint32_t saturation, uint32_t balance,
                        uint32_t lightLevel) {
  const CorrectionMatrix correction = BlendedCorrectionMatrix(context, lightLevel);
  const LibraryMatrix yuv = YuvMatrixFrom(correction, saturation, balance);
  const LibraryMatrix colour = ColourMatrixFromYuv(yuv);
  ConversionOps *ops = context->conversionOps;
  // A context whose conversion library did not start has nowhere to send.
  if (ops == nullptr) return;
  ops->setYuvMatrix(ops->userData, yuv.v);
  ops->setColorMatrix(ops->userData, colour.v);
}

}  // namespace sorvex0
