#include "resample_row.h"

#include <gtest/gtest.h>

#include <vector>

namespace sorvex1test {
namespace {

using sorvex1::ResampleAxis;
using sorvex1::TapSpan;

// A line of RGB triplets as the planes the resampler reads.
struct Planes {
  explicit Planes(const std::vector<uint8_t> &rgb) {
    for (size_t i = 0; i < rgb.size(); i += 3) {
      red.push_back(rgb[i]);
      green.push_back(rgb[i + 1]);
      blue.push_back(rgb[i + 2]);
    }
  }
  sorvex1::RgbPlanes planes() { return {red.data(), green.data(), blue.data()}; }
  std::vector<uint8_t> red, green, blue;
};

void ResampleAcross(const std::vector<uint8_t> &rgb, ResampleAxis axis, uint32_t *out) {
  Planes planes(rgb);
  sorvex1::ResampleRgbLineAcross(planes.planes(), axis, out);
}

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
  ResampleAcross(rgb, {3, 1}, out.data());
  EXPECT_EQ(out[0], 70u << sorvex1::kResampleFractionBits);

  // Three into two: each output takes one input whole and half of the middle one.
  const std::vector<uint8_t> three = {0, 0, 0, 45, 45, 45, 90, 90, 90};
  std::vector<uint32_t> fromThree(6);
  ResampleAcross(three, {3, 2}, fromThree.data());
  // Output 0 covers input 0 fully and half of input 1: (0 + 0.5*45) / 1.5 = 15.
  EXPECT_EQ(fromThree[0], 15u << sorvex1::kResampleFractionBits);
  EXPECT_EQ(fromThree[3], 75u << sorvex1::kResampleFractionBits);
}

TEST(ResampleRowTest, EqualSizesAndEnlargementKeepValues) {
  const std::vector<uint8_t> rgb = {10, 20, 30, 200, 100, 0};
  std::vector<uint32_t> same(6);
  ResampleAcross(rgb, {2, 2}, same.data());
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(same[i], uint32_t{rgb[i]} << sorvex1::kResampleFractionBits);

  // 2 -> 4: outer outputs sit beyond the source centres and repeat them,
  // inner ones interpolate at a quarter and three quarters.
  std::vector<uint32_t> wide(12);
  ResampleAcross(rgb, {2, 4}, wide.data());
  EXPECT_EQ(wide[0] >> sorvex1::kResampleFractionBits, 10u);
  EXPECT_EQ(wide[3], (10u * 3 + 200u) * 16 / 4);
  EXPECT_EQ(wide[6], (10u + 200u * 3) * 16 / 4);
  EXPECT_EQ(wide[9] >> sorvex1::kResampleFractionBits, 200u);
}

// The common factor divides every weight and the sum for whole reductions,
// and is 1 wherever it would not.
TEST(ResampleRowTest, CommonWeightFactorDividesEveryWeight) {
  const ResampleAxis whole[] = {{1280, 640}, {956, 478}, {90, 45}, {960, 240}, {8, 8}, {21, 7}};
  for (const ResampleAxis axis : whole) {
    const int32_t factor = sorvex1::CommonWeightFactor(axis);
    EXPECT_EQ(axis.destination, factor) << axis.source << "->" << axis.destination;
    for (int32_t o = 0; o < axis.destination; ++o) {
      const TapSpan span = sorvex1::TapSpanFor(axis, o);
      ASSERT_EQ(0, span.weightSum % factor);
      for (int32_t i = span.first; i <= span.last; ++i) ASSERT_EQ(0, sorvex1::TapWeight(axis, o, i) % factor);
    }
  }
  const ResampleAxis other[] = {{640, 352}, {1283, 400}, {3, 7}, {320, 640}};
  for (const ResampleAxis axis : other) EXPECT_EQ(1, sorvex1::CommonWeightFactor(axis)) << axis.source << "->" << axis.destination;
}

// Reductions by a power of two take a shortcut (sums instead of weighted
// taps); it must agree with the weighted area average of any other ratio.
TEST(ResampleRowTest, PowerOfTwoReductionsEqualTheWeightedAverage) {
  std::vector<uint8_t> rgb(3 * 96);
  uint32_t state = 7;
  for (uint8_t &b : rgb) {
    state = state * 1664525u + 1013904223u;
    b = static_cast<uint8_t>(state >> 24);
  }
  for (int32_t ratio : {2, 4, 8, 16}) {
    const ResampleAxis axis = {96, 96 / ratio};
    std::vector<uint32_t> out(3 * static_cast<size_t>(axis.destination));
    ResampleAcross(rgb, axis, out.data());
    for (int32_t o = 0; o < axis.destination; ++o) {
      for (int32_t c = 0; c < 3; ++c) {
        uint32_t weighted = 0;
        for (int32_t i = o * ratio; i < (o + 1) * ratio; ++i) {
          weighted += rgb[3 * static_cast<size_t>(i) + static_cast<size_t>(c)] * static_cast<uint32_t>(sorvex1::TapWeight(axis, o, i));
        }
        const uint32_t divisor = static_cast<uint32_t>(axis.source);
        ASSERT_EQ(out[3 * static_cast<size_t>(o) + static_cast<size_t>(c)], ((weighted << 4) + divisor / 2) / divisor)
            << "ratio " << ratio << " output " << o << " channel " << c;
      }
    }
  }
}

}  // namespace
}  // namespace sorvex1test
