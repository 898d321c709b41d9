#include "face/face_extents.h"

#include "face/face_work_area.h"

namespace sorvex0 {

namespace {

constexpr int32_t kColumns = static_cast<int32_t>(kFaceGridWidth);
constexpr int32_t kRows = static_cast<int32_t>(kFaceGridHeight);
constexpr int32_t kOutsideMask = -1;

int32_t CellIndex(int32_t x, int32_t y) { return y * kColumns + x; }

int32_t Smaller(int32_t a, int32_t b) { return a < b ? a : b; }
int32_t Larger(int32_t a, int32_t b) { return a > b ? a : b; }

}  // namespace

void BuildLeftExtents(const uint8_t *mask, int32_t *left) {
  for (int32_t y = 0; y < kRows; ++y) {
    for (int32_t x = 0; x < kColumns; ++x) {
      const int32_t i = CellIndex(x, y);
      if (mask[i] == 0) {
        left[i] = kOutsideMask;
        continue;
      }
      int32_t reach = (x > 0 && mask[i - 1] != 0) ? left[i - 1] : x;
      if (y > 0 && mask[i - kColumns] != 0) reach = Smaller(reach, left[i - kColumns]);
      left[i] = reach;
    }
  }
}

void BuildRightExtents(const uint8_t *mask, int32_t *right) {
  for (int32_t y = 0; y < kRows; ++y) {
    for (int32_t x = kColumns - 1; x >= 0; --x) {
      const int32_t i = CellIndex(x, y);
      if (mask[i] == 0) {
        right[i] = kOutsideMask;
        continue;
      }
      int32_t reach = (x < kColumns - 1 && mask[i + 1] != 0) ? right[i + 1] : x;
      if (y > 0 && mask[i - kColumns] != 0) reach = Larger(reach, right[i - kColumns]);
      right[i] = reach;
    }
  }
}

void BuildTopExtents(const uint8_t *mask, int32_t *top) {
  for (int32_t x = 0; x < kColumns; ++x) {
    for (int32_t y = 0; y < kRows; ++y) {
      const int32_t i = CellIndex(x, y);
      if (mask[i] == 0) {
        top[i] = kOutsideMask;
        continue;
      }
      int32_t reach = (y > 0 && mask[i - kColumns] != 0) ? top[i - kColumns] : y;
      if (x > 0 && mask[i - 1] != 0) reach = Smaller(reach, top[i - 1]);
      top[i] = reach;
    }
  }
}

void BuildBottomExtents(const uint8_t *mask, int32_t *bottom) {
  for (int32_t x = 0; x < kColumns; ++x) {
    for (int32_t y = kRows - 1; y >= 0; --y) {
      const int32_t i = CellIndex(x, y);
      if (mask[i] == 0) {
        bottom[i] = kOutsideMask;
        continue;
      }
      int32_t reach = (y < kRows - 1 && mask[i + kColumns] != 0) ? bottom[i + kColumns] : y;
      if (x > 0 && mask[i - 1] != 0) reach = Larger(reach, bottom[i - 1]);
      bottom[i] = reach;
    }
  }
}

void BuildAreaMap(const uint8_t *mask, const int32_t *left, const int32_t *right,
                  const int32_t *top, const int32_t *bottom, int32_t *area) {
  for (uint32_t i = 0; i < kFaceGridCells; ++i) {
    area[i] = mask[i] != 0 ? (right[i] - left[i]) * (bottom[i] - top[i]) : 0;
  }
}

void BuildExtentMaps(uint8_t *workArea) {
  const uint8_t *mask = FaceSkinMask(workArea);
  int32_t *left = FaceLeftExtents(workArea);
  int32_t *right = FaceRightExtents(workArea);
  int32_t *top = FaceTopExtents(workArea);
  int32_t *bottom = FaceBottomExtents(workArea);
  BuildLeftExtents(mask, left);
  BuildRightExtents(mask, right);
  BuildTopExtents(mask, top);
  BuildBottomExtents(mask, bottom);
  BuildAreaMap(mask, left, right, top, bottom, FaceAreaMap(workArea));
}

}  // namespace sorvex0
