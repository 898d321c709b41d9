#include "face/face_tracking.h"

#include <stddef.h>

#include "face/face_candidates.h"
#include "face/face_extents.h"
#include "face/face_grid.h"
#include "face/face_work_area.h"

namespace sorvex0 {

namespace {

constexpr uint32_t kCycleFrames = 16;
constexpr uint32_t kPhasesPerGroup = 4;
// A chosen box must cover more grid cells than this to be taken as a face.
constexpr int32_t kMinimumFaceArea = 300;
constexpr uint8_t kBoxMark = 0xFF;

void AnalyseFrame(uint8_t *workArea, const uint8_t *yuyv, uint32_t width,
                  const FaceGridGeometry &geometry, uint32_t phaseCounter) {
  SampleChromaGridYuyv(yuyv, width, geometry, FaceChromaGrid(workArea));
  BuildSkinMask(FaceChromaGrid(workArea), SkinReferenceForGroup(phaseCounter / kPhasesPerGroup),
                FaceSkinMask(workArea));
  BuildExtentMaps(workArea);
}

void ChooseTrackingBox(uint8_t *workArea, const FaceGridGeometry &geometry) {
  TrackBox *candidates = FaceCandidates(workArea);
  SortCandidatesByArea(candidates);
  TrackBox *trackBox = FaceTrackBox(workArea);
  const TrackBox &chosen =
      candidates[ChooseCandidate(candidates, FrameBoxToGrid(*trackBox, geometry))];
  if (BoxArea(chosen) > kMinimumFaceArea) {
    *FaceLockFlag(workArea) = 1;
    *trackBox = GridBoxToFrame(chosen, geometry);
  }
}

void RunPhase(uint8_t *workArea, const uint8_t *yuyv, uint32_t width,
              const FaceGridGeometry &geometry, uint32_t phaseCounter) {
  switch (phaseCounter % kPhasesPerGroup) {
    case 0:
      AnalyseFrame(workArea, yuyv, width, geometry, phaseCounter);
      break;
    case 1:
      FindFaceCandidates(workArea);
      break;
    case 2:
      ChooseTrackingBox(workArea, geometry);
      break;
    default:
      break;
  }
}

void MarkPixel(uint8_t *yuyv, int64_t width, int64_t x, int64_t y) {
  uint8_t *pixel = yuyv + 2 * static_cast<size_t>(y * width + x);
  pixel[0] = kBoxMark;
  pixel[1] = kBoxMark;
}

// Row `y` from column `first` to `last`, clipped to the frame.
void MarkRow(uint8_t *yuyv, int64_t width, int64_t height, int64_t y, int64_t first, int64_t last) {
  if (y < 0 || y >= height) return;
  if (first < 0) first = 0;
  if (last > width - 1) last = width - 1;
  for (int64_t x = first; x <= last; ++x) MarkPixel(yuyv, width, x, y);
}

// Column `x` from row `first` to `last`, clipped to the frame.
void MarkColumn(uint8_t *yuyv, int64_t width, int64_t height, int64_t x, int64_t first,
                int64_t last) {
  if (x < 0 || x >= width) return;
  if (first < 0) first = 0;
  if (last > height - 1) last = height - 1;
  for (int64_t y = first; y <= last; ++y) MarkPixel(yuyv, width, x, y);
}

}  // namespace

void FaceTrackFrame(uint8_t *workArea, const uint8_t *yuyv, uint32_t width, uint32_t height) {
  FaceGridGeometry geometry;
  if (workArea == nullptr || yuyv == nullptr) return;
  // Smaller frames have no grid; the tracker skips them entirely rather than
  // run its later phases on maps and boxes no frame of this size produced.
  if (!GetFaceGridGeometry(width, height, &geometry)) return;
  uint32_t *phaseCounter = FacePhaseSlot(workArea);
  uint32_t *lock = FaceLockFlag(workArea);
  if (*lock == 0 && *phaseCounter < kCycleFrames)
    RunPhase(workArea, yuyv, width, geometry, *phaseCounter);
  *phaseCounter += 1;
  if (*phaseCounter >= kCycleFrames) {
    *lock = 0;
    *phaseCounter = 0;
  }
}

// Nothing ties the box to this frame's size (the start box has the requested
// size, the tracker's box the size of the frames it saw) and its coordinates
// are unchecked, so every edge is clipped to the frame, in 64 bits so that
// right - 1 and bottom - 1 cannot overflow.
void DrawTrackingBox(const uint8_t *workArea, uint8_t *yuyv, uint32_t width, uint32_t height) {
  if (workArea == nullptr || yuyv == nullptr) return;
  const TrackBox &box = *FaceTrackBox(workArea);
  const int64_t w = width;
  const int64_t h = height;
  MarkRow(yuyv, w, h, box.top, box.left, static_cast<int64_t>(box.right) - 1);
  MarkRow(yuyv, w, h, box.bottom, box.left, static_cast<int64_t>(box.right) - 1);
  MarkColumn(yuyv, w, h, box.left, box.top, static_cast<int64_t>(box.bottom) - 1);
  MarkColumn(yuyv, w, h, box.right, box.top, static_cast<int64_t>(box.bottom) - 1);
}

void ResetFaceTracker(uint8_t *workArea, uint32_t requestedWidth, uint32_t requestedHeight) {
  if (workArea == nullptr) return;
  TrackBox *box = FaceTrackBox(workArea);
  box->left = 0;
  box->right = static_cast<int32_t>(requestedWidth & 0xFFFF) - 1;
  box->top = 0;
  box->bottom = static_cast<int32_t>(requestedHeight & 0xFFFF) - 1;
  *FacePhaseSlot(workArea) = 0;
  *FaceLockFlag(workArea) = 0;
  *FaceReservedFlag(workArea) = 0;
}

}  // namespace sorvex0
