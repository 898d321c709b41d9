// The tracking window: the zoom window that follows the face tracker's box,
// kept in the context as trackZoomLevel, trackWindowX and trackWindowY.
#pragma once

#include <stdint.h>

#include "core/isp_context.h"
#include "frame/zoom_window.h"

namespace sorvex0 {

// At capture start: allocates the face tracker's work area on first use,
// resets the tracker to the whole requested frame and the window to level 0
// at the origin. Without a work area (the pool is exhausted) only the window
// is reset, and tracking does nothing until a later start gets one.
void ResetTrackingWindow(IspContext *context);

// Runs the face tracker on the W x H YUYV frame and, when faceDescription is
// on, draws the tracking box into it. Does nothing without a work area
// (its allocation at capture start failed). Callers run it only while
// faceTracking is on, on the frame at the output size, before the crop.
void TrackFaceInFrame(IspContext *context, uint8_t *yuyv, uint32_t width, uint32_t height);

// The tracking window of a YUYV image at the output size: the tracker runs
// on it, the tracking window is cut from it in place. Returns the cut; the
// caller reduces and enlarges it, then moves the window (below).
ZoomWindowCut CutTrackingWindow(IspContext *context, uint8_t *yuyv, uint32_t width, uint32_t height);

// Face tracking on a YUYV image at the output size, in place: the cut of
// the tracking window, reduced and enlarged back to width x height, and the
// window's step toward the face.
void TrackAndZoomYuyv(IspContext *context, uint8_t *yuyv, uint32_t width, uint32_t height);

// Moves the tracking window one step toward the tracking box, after the frame
// was cropped and zoomed: `outputWidth` x `outputHeight` is the output size,
// `windowWidth` x `windowHeight` the size of the window the crop cut this
// frame (its output-size result). The level changes by at most one (in when
// the box with a third more room fits in the window with W/12 or H/12 to
// spare, out when it does not fit even with that margin; the smaller choice
// of the two directions wins), the position by 2, 4 or 8 pixels toward the
// box's centre when it lies more than 16, 32 or 64 pixels from the window's
// centre. The position then goes down to even and into 0..W - windowWidth - 2
// (0..H - windowHeight - 2 vertically), or to 0 when that range is empty.
// Does nothing without a work area.
void UpdateTrackingWindow(IspContext *context, uint32_t outputWidth, uint32_t outputHeight,
                          uint32_t windowWidth, uint32_t windowHeight);

}  // namespace sorvex0
