// SSE2 forms of the 3x3 filters' interior kernels (denoise.cpp,
// sharpen.cpp): the same bytes, sixteen line bytes at a time.
#include "denoise_body.h"
#include "lanes128.h"
#include "row_kernels.h"

namespace sorvex1 {
namespace {

// Each lane's reciprocal picked by comparing its count with 2 .. 9.
void ComparedReciprocals(V128 count, V128 *low, V128 *high) {
  V128 lowBytes = _mm_setzero_si128();
  V128 highBytes = _mm_setzero_si128();
  for (int32_t d = 2; d <= kMaxSmallCount; ++d) {
    const V128 match = _mm_cmpeq_epi8(count, Bytes(d));
    lowBytes = _mm_or_si128(lowBytes, _mm_and_si128(match, Bytes(static_cast<int32_t>(kSmallCountReciprocal[d] & 0xFF))));
    highBytes = _mm_or_si128(highBytes, _mm_and_si128(match, Bytes(static_cast<int32_t>(kSmallCountReciprocal[d] >> 8))));
  }
  *low = lowBytes;
  *high = highBytes;
}

// The unsharp mask of sharpen.cpp on eight luma samples (bytes b, b + 2,
// ..., b + 14); the chroma bytes between are written back unchanged.
//   detail = 16 c - (3x3 binomial sum), cored by 2 code values (32 sixteenths),
//   c + sign * ((|cored| * amount + 2048) >> 12), clamped.
// The magnitude is taken as the upper half of (16 |cored|) (16 amount),
// which is floor(|cored| amount / 256), then (that + 8) >> 4, the same
// rounded quotient: both factors fit 16 bits (|cored| <= 4048, amount <= 512).
void SharpenSixteen(const uint8_t *above, const uint8_t *centre, const uint8_t *below, int32_t b, V128 amount16,
                    uint8_t *out) {
  const auto rowSum = [b](const uint8_t *line) {
    const V128 middle = LowBytes(Load(line + b));
    return _mm_add_epi16(_mm_add_epi16(LowBytes(Load(line + b - 2)), LowBytes(Load(line + b + 2))),
                         _mm_slli_epi16(middle, 1));
  };
  const V128 centreBytes = Load(centre + b);
  const V128 own = LowBytes(centreBytes);
  const V128 blur16 = _mm_add_epi16(_mm_add_epi16(rowSum(above), rowSum(below)), _mm_slli_epi16(rowSum(centre), 1));
  const V128 detail = _mm_sub_epi16(_mm_slli_epi16(own, 4), blur16);
  const V128 cored = _mm_sub_epi16(detail, _mm_min_epi16(_mm_max_epi16(detail, Halves(-32)), Halves(32)));
  const V128 sign = _mm_srai_epi16(cored, 15);
  const V128 size = _mm_sub_epi16(_mm_xor_si128(cored, sign), sign);
  const V128 quotient = _mm_mulhi_epu16(_mm_slli_epi16(size, 4), amount16);
  const V128 magnitude = _mm_srli_epi16(_mm_add_epi16(quotient, Halves(8)), 4);
  const V128 sharpened = _mm_add_epi16(own, _mm_sub_epi16(_mm_xor_si128(magnitude, sign), sign));
  const V128 clamped = _mm_max_epi16(_mm_min_epi16(sharpened, Halves(255)), _mm_setzero_si128());
  Store(out + b, _mm_or_si128(clamped, _mm_andnot_si128(Halves(0x00FF), centreBytes)));
}

}  // namespace

namespace sse2 {

void DenoiseInterior(const uint8_t *above, const uint8_t *centre, const uint8_t *below, int32_t width,
                     int32_t lumaSigma, int32_t chromaSigma, uint8_t *out) {
  DenoiseInteriorBody<ComparedReciprocals>(above, centre, below, width, lumaSigma, chromaSigma, out);
}

void SharpenInterior(const uint8_t *above, const uint8_t *centre, const uint8_t *below, int32_t width,
                     int32_t amount256, uint8_t *out) {
  const V128 amount16 = Halves(amount256 * 16);
  const int32_t end = 2 * width - kFilterEdgeBytes;
  for (int32_t b = kFilterEdgeBytes; b < end; b += 16) {
    SharpenSixteen(above, centre, below, b + 16 <= end ? b : end - 16, amount16, out);
  }
}

}  // namespace sse2
}  // namespace sorvex1
