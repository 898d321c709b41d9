// The face tracker's view of a frame: the 160 x 120 grid of chroma samples,
// the skin mask drawn from it, and the conversion of boxes between frame
// pixels and grid cells.
#pragma once

#include <stdint.h>

#include "face/face_work_area.h"

namespace sorvex0 {

// Where the grid lies in a frame: grid cell (x, y) samples frame pixel
// (marginX + x * stepX, marginY + y * stepY).
struct FaceGridGeometry {
  uint32_t stepX;
  uint32_t stepY;
  uint32_t marginX;
  uint32_t marginY;
};

// The skin colour one group of four frames looks for.
struct SkinReference {
  uint8_t u;
  uint8_t v;
  int32_t tolerance;
};

// False for frames smaller than the grid, which the tracker leaves alone.
bool GetFaceGridGeometry(uint32_t width, uint32_t height, FaceGridGeometry *geometry);

// The reference colour of group 0..3 of the 16-frame cycle (phase counter / 4);
// larger groups take group 3.
const SkinReference &SkinReferenceForGroup(uint32_t group);

// Fills the chroma grid, (U, V) per cell, from a YUYV frame whose size the
// geometry was made for.
void SampleChromaGridYuyv(const uint8_t *yuyv, uint32_t width, const FaceGridGeometry &geometry,
                          uint8_t *chroma);

// Half the summed distances of U and V from the reference, all four taken as
// signed 8-bit numbers (so 127 and 128 lie 255 apart).
int32_t SkinDistance(uint8_t u, uint8_t v, const SkinReference &reference);

// 1 for every cell whose chroma lies within the tolerance, else 0.
void BuildSkinMask(const uint8_t *chroma, const SkinReference &reference, uint8_t *mask);

// Frame pixels to grid cells and back, in unsigned 32-bit arithmetic: a frame
// coordinate inside the left or top margin wraps to a huge grid coordinate.
TrackBox FrameBoxToGrid(const TrackBox &box, const FaceGridGeometry &geometry);
TrackBox GridBoxToFrame(const TrackBox &box, const FaceGridGeometry &geometry);

}  // namespace sorvex0
