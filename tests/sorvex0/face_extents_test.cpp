// The extent maps of the skin mask and the area map.

#include "face/face_extents.h"

#include <gtest/gtest.h>

#include "face_test_support.h"

using namespace sorvex0;

namespace sorvextest {
namespace {

class FaceExtentsTest : public ::testing::Test {
 protected:
  uint8_t *Mask() { return FaceSkinMask(area_.data()); }
  uint32_t Cell(int32_t x, int32_t y) {
    return static_cast<uint32_t>(y) * kFaceGridWidth + static_cast<uint32_t>(x);
  }
  // (L, R, T, D) and the area of a cell.
  TrackBox Extents(int32_t x, int32_t y) {
    const uint32_t i = Cell(x, y);
    return TrackBox{FaceLeftExtents(area_.data())[i], FaceRightExtents(area_.data())[i],
                    FaceTopExtents(area_.data())[i], FaceBottomExtents(area_.data())[i]};
  }
  int32_t AreaAt(int32_t x, int32_t y) { return FaceAreaMap(area_.data())[Cell(x, y)]; }

  FaceWorkAreaBuffer area_;
};

TEST_F(FaceExtentsTest, RectangleCellsReachItsEdgesAndOthersHoldMinusOne) {
  MarkSkin(Mask(), 10, 19, 5, 14);
  BuildExtentMaps(area_.data());
  for (int32_t y = 0; y < 120; ++y) {
    for (int32_t x = 0; x < 160; ++x) {
      const bool inside = x >= 10 && x <= 19 && y >= 5 && y <= 14;
      const TrackBox expected = inside ? TrackBox{10, 19, 5, 14} : TrackBox{-1, -1, -1, -1};
      ASSERT_EQ(expected, Extents(x, y)) << x << "," << y;
      ASSERT_EQ(inside ? 81 : 0, AreaAt(x, y)) << x << "," << y;
    }
  }
}

// The row maps look up, the column maps look left, and nothing looks down or
// right: in an inverted L (a narrow upper part on the right of a wide lower
// part) the upper cells do not see the lower part's left reach, and the
// lower-left cells do not see the upper part's top.
TEST_F(FaceExtentsTest, ReachesSpreadDownwardsAndRightwardsOnly) {
  MarkSkin(Mask(), 20, 29, 5, 9);
  MarkSkin(Mask(), 10, 29, 10, 14);
  BuildExtentMaps(area_.data());
  EXPECT_EQ((TrackBox{20, 29, 5, 14}), Extents(20, 5));
  EXPECT_EQ((TrackBox{20, 29, 5, 14}), Extents(25, 9));
  EXPECT_EQ((TrackBox{10, 29, 10, 14}), Extents(10, 10));
  EXPECT_EQ((TrackBox{10, 29, 10, 14}), Extents(19, 14));
  EXPECT_EQ((TrackBox{10, 29, 5, 14}), Extents(20, 10));
  EXPECT_EQ((TrackBox{10, 29, 5, 14}), Extents(29, 14));
  EXPECT_EQ(81, AreaAt(20, 5));
  EXPECT_EQ(19 * 4, AreaAt(10, 10));
  EXPECT_EQ(19 * 9, AreaAt(20, 10));
}

// A T: the bar's cells left of the stem never learn how far down the stem
// goes (the bottom map looks left only), the cells from the stem on do.
TEST_F(FaceExtentsTest, BottomReachCarriesRightAlongTheBar) {
  MarkSkin(Mask(), 10, 29, 5, 5);
  MarkSkin(Mask(), 18, 21, 6, 15);
  BuildExtentMaps(area_.data());
  EXPECT_EQ((TrackBox{10, 29, 5, 5}), Extents(10, 5));
  EXPECT_EQ((TrackBox{10, 29, 5, 5}), Extents(17, 5));
  EXPECT_EQ((TrackBox{10, 29, 5, 15}), Extents(18, 5));
  EXPECT_EQ((TrackBox{10, 29, 5, 15}), Extents(29, 5));
  EXPECT_EQ((TrackBox{10, 29, 5, 15}), Extents(18, 15));
  EXPECT_EQ((TrackBox{10, 29, 5, 15}), Extents(21, 10));
  EXPECT_EQ(0, AreaAt(10, 5));
  EXPECT_EQ(19 * 10, AreaAt(21, 15));
}

TEST_F(FaceExtentsTest, SingleCellsAtTheGridCorners) {
  MarkSkin(Mask(), 0, 0, 0, 0);
  MarkSkin(Mask(), 159, 159, 119, 119);
  BuildExtentMaps(area_.data());
  EXPECT_EQ((TrackBox{0, 0, 0, 0}), Extents(0, 0));
  EXPECT_EQ((TrackBox{159, 159, 119, 119}), Extents(159, 119));
  EXPECT_EQ(0, AreaAt(0, 0));
  EXPECT_EQ(0, AreaAt(159, 119));
}

}  // namespace
}  // namespace sorvextest
