// Helpers of the face-tracker tests: a work area of the tracker's size, YUYV
// frames with patches of chosen chroma, and skin masks drawn on the grid.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <vector>

#include "face/face_work_area.h"

using namespace sorvex0;

namespace sorvextest {

// A zero-filled work area, aligned for its 32-bit regions.
class FaceWorkAreaBuffer {
 public:
  FaceWorkAreaBuffer() : words_(kFaceWorkAreaBytes / 4, 0) {}
  uint8_t *data() { return reinterpret_cast<uint8_t *>(words_.data()); }

 private:
  std::vector<uint32_t> words_;
};

// A W x H YUYV frame of one colour.
inline std::vector<uint8_t> UniformYuyv(uint32_t width, uint32_t height, uint8_t y, uint8_t u,
                                        uint8_t v) {
  std::vector<uint8_t> frame(static_cast<size_t>(width) * height * 2);
  for (size_t pair = 0; pair < frame.size() / 4; ++pair) {
    frame[4 * pair + 0] = y;
    frame[4 * pair + 1] = u;
    frame[4 * pair + 2] = y;
    frame[4 * pair + 3] = v;
  }
  return frame;
}

// Sets U and V of every pixel pair that starts in columns [left, right) of
// rows [top, bottom) (left and right even).
inline void PaintChroma(std::vector<uint8_t> *frame, uint32_t width, uint32_t left, uint32_t right,
                        uint32_t top, uint32_t bottom, uint8_t u, uint8_t v) {
  for (uint32_t row = top; row < bottom; ++row) {
    for (uint32_t x = left; x < right; x += 2) {
      uint8_t *pair = frame->data() + (static_cast<size_t>(row) * width + x) * 2;
      pair[1] = u;
      pair[3] = v;
    }
  }
}

// Marks grid cells [left, right] x [top, bottom], edges included, as skin.
inline void MarkSkin(uint8_t *mask, int32_t left, int32_t right, int32_t top, int32_t bottom) {
  for (int32_t y = top; y <= bottom; ++y) {
    for (int32_t x = left; x <= right; ++x) mask[y * static_cast<int32_t>(kFaceGridWidth) + x] = 1;
  }
}

}  // namespace sorvextest

// Boxes compared and printed by gtest: (left, right, top, bottom), beside
// the type so that argument lookup finds them.
namespace sorvex0 {
inline bool operator==(const TrackBox &a, const TrackBox &b) {
  return a.left == b.left && a.right == b.right && a.top == b.top && a.bottom == b.bottom;
}
inline void PrintTo(const TrackBox &box, std::ostream *out) {
  *out << "(" << box.left << ", " << box.right << ", " << box.top << ", " << box.bottom << ")";
}
}  // namespace sorvex0
