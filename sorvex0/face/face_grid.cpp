#include "face/face_grid.h"

#include <stddef.h>

namespace sorvex0 {

namespace {

constexpr SkinReference kSkinReferences[4] = {
    {108, 152, 16},
    {102, 162, 12},
    {116, 144, 12},
    {120, 136, 8},
};

int32_t SignedChroma(uint8_t value) { return value < 128 ? value : value - 256; }

int32_t Distance(int32_t a, int32_t b) { return a < b ? b - a : a - b; }

int32_t ToGrid(int32_t frame, uint32_t margin, uint32_t step) {
  return static_cast<int32_t>((static_cast<uint32_t>(frame) - margin) / step);
}

int32_t ToFrame(int32_t grid, uint32_t margin, uint32_t step) {
  return static_cast<int32_t>(static_cast<uint32_t>(grid) * step + margin);
}

}  // namespace

bool GetFaceGridGeometry(uint32_t width, uint32_t height, FaceGridGeometry *geometry) {
  if (width < kFaceGridWidth || height < kFaceGridHeight) return false;
  geometry->stepX = width / kFaceGridWidth;
  geometry->stepY = height / kFaceGridHeight;
  geometry->marginX = (width % kFaceGridWidth) / 2;
  geometry->marginY = (height % kFaceGridHeight) / 2;
  return true;
}

const SkinReference &SkinReferenceForGroup(uint32_t group) {
  return kSkinReferences[group < 4 ? group : 3];
}

// A pixel's own chroma byte follows its Y; the other one of its pair is taken
// two bytes before, except in the first grid column, where two bytes before
// could lie in front of the frame and the byte two after is taken instead.
void SampleChromaGridYuyv(const uint8_t *yuyv, uint32_t width, const FaceGridGeometry &geometry,
                          uint8_t *chroma) {
  for (uint32_t y = 0; y < kFaceGridHeight; ++y) {
    const size_t line = static_cast<size_t>(geometry.marginY + y * geometry.stepY) * width;
    for (uint32_t x = 0; x < kFaceGridWidth; ++x) {
      const size_t pixel = line + geometry.marginX + x * geometry.stepX;
      const size_t own = 2 * pixel + 1;
      const size_t other = x == 0 ? own + 2 : own - 2;
      uint8_t *cell = chroma + 2 * (y * kFaceGridWidth + x);
      const bool ownIsU = pixel % 2 == 0;
      cell[0] = yuyv[ownIsU ? own : other];
      cell[1] = yuyv[ownIsU ? other : own];
    }
  }
}

int32_t SkinDistance(uint8_t u, uint8_t v, const SkinReference &reference) {
  return (Distance(SignedChroma(u), SignedChroma(reference.u)) +
          Distance(SignedChroma(v), SignedChroma(reference.v))) /
         2;
}

void BuildSkinMask(const uint8_t *chroma, const SkinReference &reference, uint8_t *mask) {
  for (uint32_t cell = 0; cell < kFaceGridCells; ++cell) {
    const uint8_t *uv = chroma + 2 * cell;
    mask[cell] = SkinDistance(uv[0], uv[1], reference) <= reference.tolerance ? 1 : 0;
  }
}

TrackBox FrameBoxToGrid(const TrackBox &box, const FaceGridGeometry &geometry) {
  return TrackBox{ToGrid(box.left, geometry.marginX, geometry.stepX),
                  ToGrid(box.right, geometry.marginX, geometry.stepX),
                  ToGrid(box.top, geometry.marginY, geometry.stepY),
                  ToGrid(box.bottom, geometry.marginY, geometry.stepY)};
}

TrackBox GridBoxToFrame(const TrackBox &box, const FaceGridGeometry &geometry) {
  return TrackBox{ToFrame(box.left, geometry.marginX, geometry.stepX),
                  ToFrame(box.right, geometry.marginX, geometry.stepX),
                  ToFrame(box.top, geometry.marginY, geometry.stepY),
                  ToFrame(box.bottom, geometry.marginY, geometry.stepY)};
}

}  // namespace sorvex0
