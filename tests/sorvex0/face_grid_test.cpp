// The tracker's grid: geometry, chroma sampling, skin distances and masks,
// and the box conversions between frame pixels and grid cells.

#include "face/face_grid.h"

#include <gtest/gtest.h>

#include <vector>

#include "face_test_support.h"

using namespace sorvex0;

namespace sorvextest {
namespace {

// A YUYV frame whose pixel pair k carries U = PairU(k) and V = PairV(k), so
// that each sampled byte tells which pair it came from.
uint8_t PairU(size_t pair) { return static_cast<uint8_t>(pair % 251); }
uint8_t PairV(size_t pair) { return static_cast<uint8_t>((pair * 7 + 3) % 253); }

std::vector<uint8_t> NumberedPairs(uint32_t width, uint32_t height) {
  std::vector<uint8_t> frame(static_cast<size_t>(width) * height * 2);
  for (size_t pair = 0; pair < frame.size() / 4; ++pair) {
    frame[4 * pair + 1] = PairU(pair);
    frame[4 * pair + 3] = PairV(pair);
  }
  return frame;
}

struct Chroma {
  uint8_t u, v;
};

Chroma SampledCell(uint32_t width, uint32_t height, uint32_t x, uint32_t y) {
  const std::vector<uint8_t> frame = NumberedPairs(width, height);
  FaceGridGeometry geometry;
  EXPECT_TRUE(GetFaceGridGeometry(width, height, &geometry));
  std::vector<uint8_t> chroma(2 * kFaceGridCells);
  SampleChromaGridYuyv(frame.data(), width, geometry, chroma.data());
  const uint8_t *cell = &chroma[2 * (y * kFaceGridWidth + x)];
  return Chroma{cell[0], cell[1]};
}

TEST(FaceGridTest, StepsAndMarginsFollowTheFrameSize) {
  FaceGridGeometry g;
  ASSERT_TRUE(GetFaceGridGeometry(640, 480, &g));
  EXPECT_EQ(4u, g.stepX);
  EXPECT_EQ(4u, g.stepY);
  EXPECT_EQ(0u, g.marginX);
  EXPECT_EQ(0u, g.marginY);
  ASSERT_TRUE(GetFaceGridGeometry(352, 288, &g));
  EXPECT_EQ(2u, g.stepX);
  EXPECT_EQ(16u, g.marginX);
  EXPECT_EQ(2u, g.stepY);
  EXPECT_EQ(24u, g.marginY);
  ASSERT_TRUE(GetFaceGridGeometry(160, 120, &g));
  EXPECT_EQ(1u, g.stepX);
  EXPECT_EQ(1u, g.stepY);
  EXPECT_FALSE(GetFaceGridGeometry(159, 120, &g));
  EXPECT_FALSE(GetFaceGridGeometry(160, 119, &g));
}

TEST(FaceGridTest, ReferenceColoursPerGroup) {
  const SkinReference expected[4] = {{108, 152, 16}, {102, 162, 12}, {116, 144, 12}, {120, 136, 8}};
  for (uint32_t group = 0; group < 4; ++group) {
    const SkinReference &r = SkinReferenceForGroup(group);
    EXPECT_EQ(expected[group].u, r.u) << group;
    EXPECT_EQ(expected[group].v, r.v) << group;
    EXPECT_EQ(expected[group].tolerance, r.tolerance) << group;
  }
}

TEST(FaceGridTest, EvenPixelsTakeTheVBeforeThemExceptInTheFirstColumn) {
  // 640 x 480: cell (5, 7) samples pixel (20, 28), the first of pair 8970.
  Chroma c = SampledCell(640, 480, 5, 7);
  EXPECT_EQ(PairU(8970), c.u);
  EXPECT_EQ(PairV(8969), c.v);
  // Cell (0, 7) samples pixel (0, 28), pair 8960: its own V.
  c = SampledCell(640, 480, 0, 7);
  EXPECT_EQ(PairU(8960), c.u);
  EXPECT_EQ(PairV(8960), c.v);
  // Cell (0, 0) would otherwise read before the frame.
  c = SampledCell(640, 480, 0, 0);
  EXPECT_EQ(PairU(0), c.u);
  EXPECT_EQ(PairV(0), c.v);
}

TEST(FaceGridTest, OddPixelsTakeTheirOwnPairAndTheFirstColumnTheNextU) {
  // 480 x 360 has steps of 3: cell (1, 0) samples pixel 3, the second of pair 1.
  Chroma c = SampledCell(480, 360, 1, 0);
  EXPECT_EQ(PairU(1), c.u);
  EXPECT_EQ(PairV(1), c.v);
  // 161 x 121: line 1 starts at pixel 161, the second of pair 80; the first
  // column takes the byte after its V, the U of pair 81.
  c = SampledCell(161, 121, 0, 1);
  EXPECT_EQ(PairU(81), c.u);
  EXPECT_EQ(PairV(80), c.v);
}

TEST(FaceGridTest, MarginsPlaceTheGridInTheMiddleOfTheFrame) {
  // 352 x 288: cell (0, 0) samples pixel (16, 24), cell (159, 119) pixel (334, 262).
  Chroma c = SampledCell(352, 288, 0, 0);
  EXPECT_EQ(PairU((24 * 352 + 16) / 2), c.u);
  EXPECT_EQ(PairV((24 * 352 + 16) / 2), c.v);
  c = SampledCell(352, 288, 159, 119);
  EXPECT_EQ(PairU((262 * 352 + 334) / 2), c.u);
  EXPECT_EQ(PairV((262 * 352 + 334) / 2 - 1), c.v);
}

TEST(FaceGridTest, SkinDistanceUsesSignedChroma) {
  const SkinReference &group0 = SkinReferenceForGroup(0);
  EXPECT_EQ(0, SkinDistance(108, 152, group0));
  EXPECT_EQ(8, SkinDistance(100, 160, group0));
  EXPECT_EQ(9, SkinDistance(117, 143, group0));  // (9 + 9) / 2
  // 130 is -126 as a signed byte: 234 from 108, where unsigned it would be 22.
  EXPECT_EQ(117, SkinDistance(130, 152, group0));
  // 127 and 128 lie 255 apart.
  const SkinReference edge = {127, 0, 0};
  EXPECT_EQ(127, SkinDistance(128, 0, edge));
  EXPECT_EQ(0, SkinDistance(127, 0, edge));
}

TEST(FaceGridTest, MaskKeepsDistancesUpToTheTolerance) {
  // Group 3: (120, 136), tolerance 8; the distance halves and truncates.
  const SkinReference &group3 = SkinReferenceForGroup(3);
  const uint8_t samples[][2] = {{120, 136}, {120, 152}, {120, 153}, {120, 154},
                                {128, 128}, {112, 144}, {130, 136}};
  const uint8_t expected[] = {1, 1, 1, 0, 0, 1, 0};
  std::vector<uint8_t> chroma(2 * kFaceGridCells, 0);
  for (size_t i = 0; i < sizeof(expected); ++i) {
    chroma[2 * i] = samples[i][0];
    chroma[2 * i + 1] = samples[i][1];
  }
  std::vector<uint8_t> mask(kFaceGridCells, 7);
  BuildSkinMask(chroma.data(), group3, mask.data());
  for (size_t i = 0; i < sizeof(expected); ++i) EXPECT_EQ(expected[i], mask[i]) << i;
  // The rest of the grid holds (0, 0): far from skin, and written as 0.
  for (size_t i = sizeof(expected); i < kFaceGridCells; ++i) ASSERT_EQ(0, mask[i]) << i;
}

TEST(FaceGridTest, BoxesConvertBetweenFrameAndGrid) {
  FaceGridGeometry g;
  ASSERT_TRUE(GetFaceGridGeometry(640, 480, &g));
  EXPECT_EQ((TrackBox{25, 75, 10, 50}), FrameBoxToGrid(TrackBox{100, 303, 40, 201}, g));
  EXPECT_EQ((TrackBox{100, 300, 40, 200}), GridBoxToFrame(TrackBox{25, 75, 10, 50}, g));
  ASSERT_TRUE(GetFaceGridGeometry(352, 288, &g));
  EXPECT_EQ((TrackBox{0, 159, 0, 119}), FrameBoxToGrid(TrackBox{16, 334, 24, 262}, g));
  EXPECT_EQ((TrackBox{16, 334, 24, 262}), GridBoxToFrame(TrackBox{0, 159, 0, 119}, g));
}

TEST(FaceGridTest, StartBoxInsideTheMarginsWrapsOnTheGrid) {
  FaceGridGeometry g;
  ASSERT_TRUE(GetFaceGridGeometry(352, 288, &g));
  // (0 - 16) / 2 and (0 - 24) / 2 in unsigned 32-bit arithmetic.
  const TrackBox grid = FrameBoxToGrid(TrackBox{0, 351, 0, 287}, g);
  EXPECT_EQ((TrackBox{2147483640, 167, 2147483636, 131}), grid);
}

}  // namespace
}  // namespace sorvextest
