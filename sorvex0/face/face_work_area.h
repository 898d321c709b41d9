// Layout of the face tracker's work area: a 160 x 120 grid of chroma samples
// and the maps the tracker derives from it, then the boxes it publishes.
// Capture start allocates the area and resets its tail; the tracker and the
// framing stage read and write it through these offsets.
#pragma once

#include <stdint.h>

namespace sorvex0 {

struct TrackBox {
  int32_t left;
  int32_t right;
  int32_t top;
  int32_t bottom;
};

constexpr uint32_t kFaceGridWidth = 160;
constexpr uint32_t kFaceGridHeight = 120;
constexpr uint32_t kFaceGridCells = kFaceGridWidth * kFaceGridHeight;
constexpr uint32_t kFaceCandidateCount = 4;

constexpr uint32_t kFaceChromaOffset = 0;                                      // (U, V) per cell
constexpr uint32_t kFaceSkinMaskOffset = kFaceChromaOffset + 2 * kFaceGridCells;  // 1 byte per cell
constexpr uint32_t kFaceRightOffset = kFaceSkinMaskOffset + kFaceGridCells;    // i32 per cell
constexpr uint32_t kFaceLeftOffset = kFaceRightOffset + 4 * kFaceGridCells;
constexpr uint32_t kFaceBottomOffset = kFaceLeftOffset + 4 * kFaceGridCells;
constexpr uint32_t kFaceTopOffset = kFaceBottomOffset + 4 * kFaceGridCells;
constexpr uint32_t kFaceAreaMapOffset = kFaceTopOffset + 4 * kFaceGridCells;
constexpr uint32_t kFaceCandidatesOffset = kFaceAreaMapOffset + 4 * kFaceGridCells;
constexpr uint32_t kFaceTrackBoxOffset = kFaceCandidatesOffset + kFaceCandidateCount * sizeof(TrackBox);
constexpr uint32_t kFacePhaseOffset = kFaceTrackBoxOffset + sizeof(TrackBox);  // u8 in a 32-bit slot
constexpr uint32_t kFaceLockOffset = kFacePhaseOffset + 4;
constexpr uint32_t kFaceReservedOffset = kFaceLockOffset + 4;
constexpr uint32_t kFaceRegionsEnd = kFaceReservedOffset + 4;
// The area is allocated 4 bytes larger than its regions; the last 4 are unused.
constexpr uint32_t kFaceWorkAreaBytes = 441696;

static_assert(kFaceRegionsEnd == 441692, "face work area regions");
static_assert(kFaceRegionsEnd <= kFaceWorkAreaBytes, "face work area size");

// The regions, each in row-major grid order (index y * 160 + x).
inline uint8_t *FaceChromaGrid(uint8_t *area) { return area + kFaceChromaOffset; }
inline uint8_t *FaceSkinMask(uint8_t *area) { return area + kFaceSkinMaskOffset; }
inline int32_t *FaceRightExtents(uint8_t *area) {
  return reinterpret_cast<int32_t *>(area + kFaceRightOffset);
}
inline int32_t *FaceLeftExtents(uint8_t *area) {
  return reinterpret_cast<int32_t *>(area + kFaceLeftOffset);
}
inline int32_t *FaceBottomExtents(uint8_t *area) {
  return reinterpret_cast<int32_t *>(area + kFaceBottomOffset);
}
inline int32_t *FaceTopExtents(uint8_t *area) {
  return reinterpret_cast<int32_t *>(area + kFaceTopOffset);
}
inline int32_t *FaceAreaMap(uint8_t *area) {
  return reinterpret_cast<int32_t *>(area + kFaceAreaMapOffset);
}
inline TrackBox *FaceCandidates(uint8_t *area) {
  return reinterpret_cast<TrackBox *>(area + kFaceCandidatesOffset);
}

inline TrackBox *FaceTrackBox(uint8_t *area) {
  return reinterpret_cast<TrackBox *>(area + kFaceTrackBoxOffset);
}
inline const TrackBox *FaceTrackBox(const uint8_t *area) {
  return reinterpret_cast<const TrackBox *>(area + kFaceTrackBoxOffset);
}
inline uint32_t *FacePhaseSlot(uint8_t *area) {
  return reinterpret_cast<uint32_t *>(area + kFacePhaseOffset);
}
inline uint32_t *FaceLockFlag(uint8_t *area) {
  return reinterpret_cast<uint32_t *>(area + kFaceLockOffset);
}
inline uint32_t *FaceReservedFlag(uint8_t *area) {
  return reinterpret_cast<uint32_t *>(area + kFaceReservedOffset);
}

}  // namespace sorvex0
