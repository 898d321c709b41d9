#include "resample_row.h"

#include <gtest/gtest.h>

#include <vector>

namespace sorvex1test {
namespace {

using sorvex1::ResampleAxis;
using sorvex1::TapSpan;

int32_t WeightTotal(ResampleAxis axis, int32_t output) {
  const TapSpan span = sorvex1::TapSpanFor(axis, output);
  int32_t total = 0;
  for (int32_t i = span.first; i <= span.last; ++i) total += sorvex1::TapWeight(axis, output, i);
  return total;
}

TEST(ResampleRowTest, TapsStayInsideTheSourceAndWeightsAddUp) {
  const ResampleAxis axes[] = {{640, 320}, {640, 352}, {478, 478}, {7, 3},
                               {3, 7},     {1, 5},     {5, 1},     {320, 1280}};
  for (const ResampleAxis axis : axes) {
    for (int32_t o = 0; o < axis.destination; ++o) {
      const TapSpan span = sorvex1::TapSpanFor(axis, o);
      ASSERT_GE(span.first, 0) << axis.source << "->" << axis.destination << " at " << o;
      ASSERT_LE(span.first, span.last);
      ASSERT_LT(span.last, axis.source);
      ASSERT_EQ(WeightTotal(axis, o), span.weightSum)
          << axis.source << "->" << axis.destination << " at " << o;
    }
  }
}

TEST(ResampleRowTest, ReductionAveragesTheFootprint) {
  // Three pixels into one: the mean of 30, 60 and 120 for every channel.
  const std::vector<uint8_t> rgb = {30, 30, 30, 60, 60, 60, 120, 120, 120};
  std::vector<uint32_t> out(3);
  sorvex1::ResampleRgbLineAcross(rgb.data(), {3, 1}, out.data());
  EXPECT_EQ(out[0], 70u << sorvex1::kResampleFractionBits);

  // Three into two: each output takes one input whole and half of the middle one.
  const std::vector<uint8_t> three = {0, 0, 0, 45, 45, 45, 90, 90, 90};
  std::vector<uint32_t> fromThree(6);
  sorvex1::ResampleRgbLineAcross(three.data(), {3, 2}, fromThree.data());
  // Output 0 covers input 0 fully and half of input 1: (0 + 0.5*45) / 1.5 = 15.
  EXPECT_EQ(fromThree[0], 15u << sorvex1::kResampleFractionBits);
  EXPECT_EQ(fromThree[3], 75u << sorvex1::kResampleFractionBits);
}

TEST(ResampleRowTest, EqualSizesAndEnlargementKeepValues) {
  const std::vector<uint8_t> rgb = {10, 20, 30, 200, 100, 0};
  std::vector<uint32_t> same(6);
  sorvex1::ResampleRgbLineAcross(rgb.data(), {2, 2}, same.data());
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(same[i], uint32_t{rgb[i]} << sorvex1::kResampleFractionBits);

  // 2 -> 4: outer outputs sit beyond the source centres and repeat them,
  // inner ones interpolate at a quarter and three quarters.
  std::vector<uint32_t> wide(12);
  sorvex1::ResampleRgbLineAcross(rgb.data(), {2, 4}, wide.data());
  EXPECT_EQ(wide[0] >> sorvex1::kResampleFractionBits, 10u);
  EXPECT_EQ(wide[3], (10u * 3 + 200u) * 16 / 4);
  EXPECT_EQ(wide[6], (10u + 200u * 3) * 16 / 4);
  EXPECT_EQ(wide[9] >> sorvex1::kResampleFractionBits, 200u);
}

}  // namespace
}  // namespace sorvex1test
