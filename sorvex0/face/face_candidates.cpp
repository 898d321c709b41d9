#include "face/face_candidates.h"

namespace sorvex0 {

namespace {

constexpr int32_t kColumns = static_cast<int32_t>(kFaceGridWidth);
constexpr int32_t kRows = static_cast<int32_t>(kFaceGridHeight);
constexpr TrackBox kZeroBox = {0, 0, 0, 0};

int32_t Smaller(int32_t a, int32_t b) { return a < b ? a : b; }

int64_t Distance(int64_t a, int64_t b) { return a < b ? b - a : a - b; }

// Mask cells of each column of the box in the band of rows [top, top + height).
void CountColumnCells(const uint8_t *mask, const TrackBox &box, int32_t top, int32_t height,
                      int32_t *counts) {
  for (int32_t x = box.left; x <= box.right; ++x) counts[x] = 0;
  for (int32_t y = top; y < top + height; ++y) {
    const uint8_t *row = mask + y * kColumns;
    for (int32_t x = box.left; x <= box.right; ++x) counts[x] += row[x] != 0 ? 1 : 0;
  }
}

// Moves the band of rows counted in `counts` from [top - 2, top - 2 + height)
// down to [top, top + height).
void ShiftColumnCellsDownTwo(const uint8_t *mask, const TrackBox &box, int32_t top, int32_t height,
                             int32_t *counts) {
  for (int32_t x = box.left; x <= box.right; ++x) {
    const int32_t leaving = (mask[(top - 2) * kColumns + x] != 0 ? 1 : 0) +
                            (mask[(top - 1) * kColumns + x] != 0 ? 1 : 0);
    const int32_t entering = (mask[(top + height - 2) * kColumns + x] != 0 ? 1 : 0) +
                             (mask[(top + height - 1) * kColumns + x] != 0 ? 1 : 0);
    counts[x] += entering - leaving;
  }
}

// Scans windows of height x width at even steps from the box's top-left
// corner, row band by row band, for the first one holding more than `need`
// mask cells. Windows stay strictly inside the box's right and bottom edges.
// Each band keeps per-column counts that slide down two rows at a time, and
// each window's count slides right two columns at a time: the same counts as
// counting every window cell by cell, at a small fraction of the work.
bool FindFilledWindow(const uint8_t *mask, const TrackBox &box, int32_t height, int32_t width,
                      int32_t need, TrackBox *found) {
  int32_t counts[kFaceGridWidth];
  for (int32_t y = box.top; y < box.bottom - height; y += 2) {
    if (y == box.top) {
      CountColumnCells(mask, box, y, height, counts);
    } else {
      ShiftColumnCellsDownTwo(mask, box, y, height, counts);
    }
    int32_t cells = 0;
    for (int32_t x = box.left; x < box.right - width; x += 2) {
      if (x == box.left) {
        for (int32_t c = x; c < x + width; ++c) cells += counts[c];
      } else {
        cells += counts[x + width - 2] + counts[x + width - 1] - counts[x - 2] - counts[x - 1];
      }
      if (cells > need) {
        *found = TrackBox{x, x + width, y, y + height};
        return true;
      }
    }
  }
  return false;
}

int32_t CentreOf(int64_t low, int64_t high) { return static_cast<int32_t>((low + high) / 2); }

}  // namespace

int32_t BoxArea(const TrackBox &box) { return (box.right - box.left) * (box.bottom - box.top); }

TrackBox FindLargestAreaBox(uint8_t *workArea) {
  const int32_t *area = FaceAreaMap(workArea);
  const int32_t *left = FaceLeftExtents(workArea);
  const int32_t *right = FaceRightExtents(workArea);
  const int32_t *top = FaceTopExtents(workArea);
  const int32_t *bottom = FaceBottomExtents(workArea);
  TrackBox box = kZeroBox;
  int32_t best = 0;
  for (uint32_t i = 0; i < kFaceGridCells; ++i) {
    if (area[i] > best) {
      best = area[i];
      box = TrackBox{left[i], right[i], top[i], bottom[i]};
    }
  }
  return box;
}

bool IsValidGridBox(const TrackBox &box) {
  return box.left < box.right && box.top < box.bottom && box.left >= 0 && box.right < kColumns &&
         box.top >= 0 && box.bottom < kRows;
}

TrackBox ValidateGridBox(const TrackBox &box) {
  return IsValidGridBox(box) ? box : kFallbackGridBox;
}

// A window of height h is w = 2h/3 wide and must hold more than 2hw/3 skin
// cells. The search keeps lo as the last height that fitted and hi as the
// last that did not, and stops when they are within 2 of each other.
TrackBox RefineFaceBox(const uint8_t *mask, const TrackBox &box) {
  TrackBox result = kZeroBox;
  if (!IsValidGridBox(box)) return result;
  int32_t high = Smaller(box.bottom - box.top - 1, (3 * (box.right - box.left - 1)) / 2);
  int32_t low = 2;
  int32_t height = (high + 2) / 2;
  while (high - low > 2) {
    const int32_t width = (2 * height) / 3;
    const int32_t need = (2 * height * width) / 3;
    if (FindFilledWindow(mask, box, height, width, need, &result)) {
      low = height;
    } else {
      high = height;
    }
    height = (low + high) / 2;
  }
  return result;
}

void ClearBoxCells(uint8_t *workArea, const TrackBox &box) {
  if (!IsValidGridBox(box)) return;
  int32_t *area = FaceAreaMap(workArea);
  uint8_t *mask = FaceSkinMask(workArea);
  for (int32_t y = box.top; y <= box.bottom; ++y) {
    for (int32_t x = box.left; x <= box.right; ++x) {
      area[y * kColumns + x] = 0;
      mask[y * kColumns + x] = 0;
    }
  }
}

void FindFaceCandidates(uint8_t *workArea) {
  TrackBox *candidates = FaceCandidates(workArea);
  for (uint32_t i = 0; i < kFaceCandidateCount; ++i) {
    const TrackBox region = ValidateGridBox(FindLargestAreaBox(workArea));
    candidates[i] = ValidateGridBox(RefineFaceBox(FaceSkinMask(workArea), region));
    ClearBoxCells(workArea, region);
  }
}

void SortCandidatesByArea(TrackBox *candidates) {
  int32_t remaining[kFaceCandidateCount];
  TrackBox sorted[kFaceCandidateCount];
  for (uint32_t i = 0; i < kFaceCandidateCount; ++i) remaining[i] = BoxArea(candidates[i]);
  for (uint32_t n = 0; n < kFaceCandidateCount; ++n) {
    uint32_t pick = 0;
    int32_t best = 0;
    for (uint32_t i = 0; i < kFaceCandidateCount; ++i) {
      if (remaining[i] > best) {
        best = remaining[i];
        pick = i;
      }
    }
    sorted[n] = candidates[pick];
    remaining[pick] = 0;
  }
  for (uint32_t i = 0; i < kFaceCandidateCount; ++i) candidates[i] = sorted[i];
}

// The tracked box may hold wrapped coordinates near 2^31 (a start box inside
// the grid margins); its centre is taken in 64 bits so the sum cannot
// overflow, and it then lies far from every candidate.
uint32_t ChooseCandidate(const TrackBox *sortedCandidates, const TrackBox &trackedGridBox) {
  const int64_t centreX = (static_cast<int64_t>(trackedGridBox.left) + trackedGridBox.right) / 2;
  const int64_t centreY = (static_cast<int64_t>(trackedGridBox.top) + trackedGridBox.bottom) / 2;
  const int32_t largest = BoxArea(sortedCandidates[0]);
  for (uint32_t i = 0; i < kFaceCandidateCount; ++i) {
    const TrackBox &box = sortedCandidates[i];
    const int32_t width = box.right - box.left;
    const int32_t height = box.bottom - box.top;
    if (4 * width * height < largest) return 0;
    if (Distance(CentreOf(box.left, box.right), centreX) < width &&
        Distance(CentreOf(box.top, box.bottom), centreY) < height) {
      return i;
    }
  }
  return 0;
}

}  // namespace sorvex0
