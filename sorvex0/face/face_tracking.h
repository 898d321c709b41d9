// The face tracker: finds the largest face-shaped region of skin colour in
// YUYV frames and publishes it as the tracking box of the work area, in frame
// pixels, for the tracking window to follow.
#pragma once

#include <stdint.h>

namespace sorvex0 {

// Frames run through a cycle of 16 frames, four groups of four phases, each
// group looking for its own reference skin colour:
//   phase 0: chroma grid, skin mask and the extent maps;
//   phase 1: the four candidates;
//   phase 2: the choice; a candidate of more than 300 grid cells becomes the
//            tracking box and locks it for the rest of the cycle;
//   phase 3: nothing.
// While locked, frames only advance the cycle. One call runs at most one phase.
// Frames smaller than 160 x 120 are left alone: nothing runs, the cycle does
// not advance. `workArea` is the context's faceWorkArea (null does nothing);
// the frame is W x H YUYV, 2W bytes a line, and is only read.
void FaceTrackFrame(uint8_t *workArea, const uint8_t *yuyv, uint32_t width, uint32_t height);

// A new stream: the tracking box takes the whole requested frame and the
// cycle starts again, unlocked.
void ResetFaceTracker(uint8_t *workArea, uint32_t requestedWidth, uint32_t requestedHeight);

// Marks the tracking box in the W x H YUYV frame by setting both bytes of its
// edge pixels to 0xFF: rows top and bottom from column left to right - 1,
// columns left and right from row top to bottom - 1 (so the pixel at (right,
// bottom) stays unmarked). Parts of the box outside the frame are not drawn.
void DrawTrackingBox(const uint8_t *workArea, uint8_t *yuyv, uint32_t width, uint32_t height);

}  // namespace sorvex0
