// The exact divisions the row kernels use in place of a division per sample.
#include "pixel_math.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace sorvex1test {
namespace {

using sorvex1::DivideBySmallCount;
using sorvex1::DivideFixed;
using sorvex1::FixedDivisor;
using sorvex1::MakeFixedDivisor;

// Every numerator a 3x3 filter can produce (nine samples of 255 plus the
// rounding), for every count.
TEST(PixelMathTest, SmallCountDivisionIsExactForEveryFilterSum) {
  for (uint32_t count = 1; count <= static_cast<uint32_t>(sorvex1::kMaxSmallCount); ++count) {
    for (uint32_t n = 0; n <= 9 * 255 + 4; ++n) ASSERT_EQ(n / count, DivideBySmallCount(n, count)) << n << " / " << count;
  }
}

// The divisors of the resampler (4-bit fractions of weight sums from 1 to
// 2 * 8192) and others, each at numerators on both sides of its multiples,
// up to the bound.
TEST(PixelMathTest, FixedDivisionIsExactBelowTheBound) {
  const uint32_t limit = uint32_t{1} << sorvex1::kFixedDivisionBits;
  const uint32_t divisors[] = {1, 2, 3, 5, 7, 16, 48, 4096, 956 * 16, 958 * 16, 1283 * 16, 8192 * 16, 16384 * 16,
                               65535, 262143};
  for (uint32_t divisor : divisors) {
    const FixedDivisor fixed = MakeFixedDivisor(divisor);
    const uint32_t step = limit / divisor / 4096 + 1;
    for (uint32_t k = 0; static_cast<uint64_t>(k) * divisor < limit; k += step) {
      for (uint32_t n : {k * divisor, k * divisor + divisor - 1, k * divisor + divisor / 2}) {
        if (n >= limit) continue;
        ASSERT_EQ(n / divisor, DivideFixed(n, fixed)) << n << " / " << divisor;
      }
    }
    for (uint32_t n = limit - 2000; n < limit; ++n) ASSERT_EQ(n / divisor, DivideFixed(n, fixed)) << n << " / " << divisor;
  }
}

}  // namespace
}  // namespace sorvex1test
