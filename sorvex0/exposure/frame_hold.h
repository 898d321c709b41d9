// The frame hold: some sensors deliver one or two damaged frames right after
// an exposure change. The hold captures a good frame and shows it in their
// place; no exposure run takes place on a held frame.
#pragma once

#include "core/frame_request.h"

namespace sorvex0 {

// The hold buffer holds the largest capture, 1280 x 1024, and 10 bytes more.
constexpr uint32_t kHoldBufferBytes = 1280 * 1024 + 10;

// Once per frame before the run test: captures or replaces the frame as the
// hold asks. Returns the hold count before this frame (0: no hold).
int32_t ServiceFrameHold(IspContext *context, const RawFrame &frame);

// Request of the ES2216, after it chose the new entry: `modeChanged` when
// the light mode switched, `indexIncreased` when the index went up,
// `sameFirstByte` when the first bytes of the old and new entries are equal.
void RequestHoldAfterModeSwitch(IspContext *context, const RawFrame &frame, bool modeChanged,
                                bool indexIncreased, bool sameFirstByte);

// Request of the OV9650, OV9655 and S5K4AA with hold class 0, 1 or 2: a
// nonzero class captures the current frame and holds that many frames; class
// 0 with the flag captures the next frame and replaces the one after it.
void RequestHoldOfClass(IspContext *context, const RawFrame &frame, uint32_t holdClass, bool flag);

}  // namespace sorvex0
