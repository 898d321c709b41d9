// The candidate search on the grid: largest region, validation, refinement,
// clearing, sorting and the choice.

#include "face/face_candidates.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "face_test_support.h"
#include "face/face_extents.h"

using namespace sorvex0;

namespace sorvextest {
namespace {

constexpr TrackBox kZero = {0, 0, 0, 0};

class FaceCandidatesTest : public ::testing::Test {
 protected:
  uint8_t *Area() { return area_.data(); }
  uint8_t *Mask() { return FaceSkinMask(area_.data()); }
  TrackBox *Candidates() { return FaceCandidates(area_.data()); }

  FaceWorkAreaBuffer area_;
};

// The refinement's window scan written the plain way, counting every window
// cell by cell, to check the banded counting against.
TrackBox RefineByCounting(const uint8_t *mask, const TrackBox &b) {
  TrackBox result = kZero;
  int32_t hi = std::min(b.bottom - b.top - 1, (3 * (b.right - b.left - 1)) / 2);
  int32_t lo = 2;
  int32_t h = (hi + 2) / 2;
  while (hi - lo > 2) {
    const int32_t w = (2 * h) / 3;
    const int32_t need = (2 * h * w) / 3;
    bool found = false;
    for (int32_t y = b.top; !found && y < b.bottom - h; y += 2) {
      for (int32_t x = b.left; !found && x < b.right - w; x += 2) {
        int32_t count = 0;
        for (int32_t row = y; row < y + h; ++row) {
          for (int32_t col = x; col < x + w; ++col) count += mask[row * 160 + col];
        }
        if (count > need) {
          result = TrackBox{x, x + w, y, y + h};
          found = true;
        }
      }
    }
    if (found) {
      lo = h;
    } else {
      hi = h;
    }
    h = (lo + hi) / 2;
  }
  return result;
}

TEST_F(FaceCandidatesTest, LargestAreaBoxTakesTheFirstOfTheLargest) {
  EXPECT_EQ(kZero, FindLargestAreaBox(Area()));
  // Two equal squares: the one met first in row order wins.
  MarkSkin(Mask(), 100, 109, 20, 29);
  MarkSkin(Mask(), 10, 19, 40, 49);
  MarkSkin(Mask(), 50, 54, 5, 9);
  BuildExtentMaps(Area());
  EXPECT_EQ((TrackBox{100, 109, 20, 29}), FindLargestAreaBox(Area()));
  // A larger region further down takes over.
  MarkSkin(Mask(), 60, 79, 90, 109);
  BuildExtentMaps(Area());
  EXPECT_EQ((TrackBox{60, 79, 90, 109}), FindLargestAreaBox(Area()));
}

TEST_F(FaceCandidatesTest, InvalidBoxesFallBackToTheCentre) {
  const TrackBox valid[] = {{0, 159, 0, 119}, {10, 11, 20, 21}};
  for (const TrackBox &box : valid) EXPECT_EQ(box, ValidateGridBox(box));
  const TrackBox invalid[] = {{10, 10, 5, 9},  {11, 10, 5, 9},   {10, 20, 9, 9},
                              {10, 20, 9, 8},  {-1, 20, 5, 9},   {10, 160, 5, 9},
                              {10, 20, -1, 9}, {10, 20, 5, 120}, kZero};
  for (const TrackBox &box : invalid) EXPECT_EQ((TrackBox{79, 81, 59, 61}), ValidateGridBox(box));
}

TEST_F(FaceCandidatesTest, RefineFindsTheTallestFilledWindow) {
  // A full grid: the bisection settles on a 116-row window of 77 columns.
  MarkSkin(Mask(), 0, 159, 0, 119);
  EXPECT_EQ((TrackBox{0, 77, 0, 116}), RefineFaceBox(Mask(), TrackBox{0, 159, 0, 119}));
  // A filled 30 x 45 region in its own box.
  std::fill(Mask(), Mask() + kFaceGridCells, 0);
  MarkSkin(Mask(), 40, 69, 20, 64);
  EXPECT_EQ((TrackBox{40, 66, 20, 60}), RefineFaceBox(Mask(), TrackBox{40, 69, 20, 64}));
}

TEST_F(FaceCandidatesTest, RefineGivesTheZeroBoxWhenNothingFits) {
  // The fallback box is too small for any window.
  MarkSkin(Mask(), 0, 159, 0, 119);
  EXPECT_EQ(kZero, RefineFaceBox(Mask(), TrackBox{79, 81, 59, 61}));
  // A box without skin.
  std::fill(Mask(), Mask() + kFaceGridCells, 0);
  EXPECT_EQ(kZero, RefineFaceBox(Mask(), TrackBox{10, 60, 10, 90}));
  // A box that is not a grid box is not scanned.
  MarkSkin(Mask(), 0, 159, 0, 119);
  EXPECT_EQ(kZero, RefineFaceBox(Mask(), TrackBox{-20, 60, 10, 90}));
  EXPECT_EQ(kZero, RefineFaceBox(Mask(), TrackBox{10, 60, 10, 140}));
}

TEST_F(FaceCandidatesTest, RefineMatchesPlainCountingOnRandomMasks) {
  std::mt19937 random(20240611);
  for (int round = 0; round < 40; ++round) {
    std::fill(Mask(), Mask() + kFaceGridCells, 0);
    // A few random rectangles, some with holes punched in them.
    for (int blob = 0; blob < 4; ++blob) {
      const int32_t left = static_cast<int32_t>(random() % 120);
      const int32_t top = static_cast<int32_t>(random() % 85);
      const int32_t right = left + 5 + static_cast<int32_t>(random() % 35);
      const int32_t bottom = top + 5 + static_cast<int32_t>(random() % 29);
      MarkSkin(Mask(), left, right, top, bottom);
    }
    for (int hole = 0; hole < 3000; ++hole) Mask()[random() % kFaceGridCells] = 0;
    const int32_t left = static_cast<int32_t>(random() % 100);
    const int32_t top = static_cast<int32_t>(random() % 70);
    const TrackBox box = {left, left + 10 + static_cast<int32_t>(random() % (150 - left)), top,
                          top + 10 + static_cast<int32_t>(random() % (110 - top))};
    ASSERT_TRUE(IsValidGridBox(box));
    ASSERT_EQ(RefineByCounting(Mask(), box), RefineFaceBox(Mask(), box)) << "round " << round;
  }
}

TEST_F(FaceCandidatesTest, ClearingTakesTheBoxWithItsEdges) {
  MarkSkin(Mask(), 0, 159, 0, 119);
  BuildExtentMaps(Area());
  ClearBoxCells(Area(), TrackBox{10, 20, 30, 40});
  const int32_t *areaMap = FaceAreaMap(Area());
  for (int32_t y = 0; y < 120; ++y) {
    for (int32_t x = 0; x < 160; ++x) {
      const bool inside = x >= 10 && x <= 20 && y >= 30 && y <= 40;
      ASSERT_EQ(inside ? 0 : 1, Mask()[y * 160 + x]) << x << "," << y;
      ASSERT_EQ(inside ? 0 : 159 * 119, areaMap[y * 160 + x]) << x << "," << y;
    }
  }
}

TEST_F(FaceCandidatesTest, NoSkinGivesFourCentreCandidates) {
  BuildExtentMaps(Area());
  for (uint32_t i = 0; i < kFaceCandidateCount; ++i) Candidates()[i] = TrackBox{1, 2, 3, 4};
  FindFaceCandidates(Area());
  for (uint32_t i = 0; i < kFaceCandidateCount; ++i)
    EXPECT_EQ((TrackBox{79, 81, 59, 61}), Candidates()[i]);
}

TEST_F(FaceCandidatesTest, EachRoundFindsTheNextRegion) {
  MarkSkin(Mask(), 100, 129, 10, 54);  // 30 x 45
  MarkSkin(Mask(), 10, 29, 60, 89);    // 20 x 30
  BuildExtentMaps(Area());
  FindFaceCandidates(Area());
  EXPECT_EQ((TrackBox{100, 126, 10, 50}), Candidates()[0]);
  EXPECT_EQ((TrackBox{10, 26, 60, 85}), Candidates()[1]);
  EXPECT_EQ((TrackBox{79, 81, 59, 61}), Candidates()[2]);
  EXPECT_EQ((TrackBox{79, 81, 59, 61}), Candidates()[3]);
  // Both regions were cleared from the mask.
  for (uint32_t i = 0; i < kFaceGridCells; ++i) ASSERT_EQ(0, Mask()[i]) << i;
}

TEST_F(FaceCandidatesTest, SortOrdersByAreaAndRepeatsTheFirstWhenAreasRunOut) {
  const TrackBox a = {0, 2, 0, 5};    // 10
  const TrackBox b = {0, 8, 0, 5};    // 40
  const TrackBox c = {10, 15, 0, 8};  // 40
  const TrackBox d = {5, 5, 0, 8};    // 0
  TrackBox candidates[4] = {a, b, c, d};
  SortCandidatesByArea(candidates);
  EXPECT_EQ(b, candidates[0]);
  EXPECT_EQ(c, candidates[1]);
  EXPECT_EQ(a, candidates[2]);
  EXPECT_EQ(a, candidates[3]);
}

TEST_F(FaceCandidatesTest, ChoiceFollowsTheTrackedBox) {
  const TrackBox centreOfGrid = {0, 159, 0, 119};   // centre (79, 59)
  const TrackBox large = {0, 40, 0, 60};            // area 2400, centre (20, 30)
  const TrackBox nearCentre = {65, 95, 40, 80};     // area 1200, centre (80, 60)
  const TrackBox lowerRight = {120, 150, 80, 110};  // area 900, centre (135, 95)
  const TrackBox small = {70, 80, 50, 60};          // area 100 < 2400 / 4
  TrackBox sorted[4] = {large, nearCentre, lowerRight, lowerRight};
  EXPECT_EQ(1u, ChooseCandidate(sorted, centreOfGrid));
  EXPECT_EQ(2u, ChooseCandidate(sorted, TrackBox{130, 140, 90, 100}));
  EXPECT_EQ(0u, ChooseCandidate(sorted, TrackBox{10, 30, 20, 40}));
  // Nothing near the tracked box: candidate 0.
  TrackBox farAway[4] = {large, nearCentre, nearCentre, nearCentre};
  EXPECT_EQ(0u, ChooseCandidate(farAway, TrackBox{140, 159, 0, 10}));
  // A candidate under a quarter of the largest ends the search with candidate 0.
  TrackBox smallFirst[4] = {large, small, nearCentre, nearCentre};
  EXPECT_EQ(0u, ChooseCandidate(smallFirst, centreOfGrid));
}

TEST_F(FaceCandidatesTest, ChoiceNeedsTheCentreStrictlyWithinWidthAndHeight) {
  const TrackBox large = {0, 40, 0, 60};
  const TrackBox candidate = {100, 130, 40, 80};  // 30 x 40, centre (115, 60)
  TrackBox sorted[4] = {large, candidate, candidate, candidate};
  // Tracked centres 29 and 30 columns away, then 39 and 40 rows away.
  EXPECT_EQ(1u, ChooseCandidate(sorted, TrackBox{86, 86, 60, 60}));
  EXPECT_EQ(0u, ChooseCandidate(sorted, TrackBox{85, 85, 60, 60}));
  EXPECT_EQ(1u, ChooseCandidate(sorted, TrackBox{115, 115, 21, 21}));
  EXPECT_EQ(0u, ChooseCandidate(sorted, TrackBox{115, 115, 20, 20}));
}

TEST_F(FaceCandidatesTest, WrappedTrackedBoxFallsBackToTheLargest) {
  const TrackBox large = {0, 40, 0, 60};
  const TrackBox centred = {65, 95, 40, 80};
  TrackBox sorted[4] = {large, centred, centred, centred};
  // The 352 x 288 start box on the grid, wrapped and unwrapped.
  EXPECT_EQ(0u, ChooseCandidate(sorted, TrackBox{2147483640, 167, 2147483636, 131}));
  EXPECT_EQ(1u, ChooseCandidate(sorted, TrackBox{0, 159, 0, 119}));
}

}  // namespace
}  // namespace sorvextest
