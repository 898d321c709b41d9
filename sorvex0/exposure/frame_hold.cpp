#include "exposure/frame_hold.h"

#include "core/pool_buffer.h"

namespace sorvex0 {

namespace {

// width * height bytes, limited to what the hold buffer holds: a frame
// larger than the largest capture is held only in part rather than copied
// past the buffer.
uint32_t HeldBytes(const RawFrame &frame) {
  const uint64_t bytes = static_cast<uint64_t>(frame.width) * frame.height;
  return bytes < kHoldBufferBytes ? static_cast<uint32_t>(bytes) : kHoldBufferBytes;
}

// Copies the frame into the hold buffer, allocating it on first use. Without
// a buffer (the pool is exhausted) nothing is captured, and the replacement
// that follows finds no buffer and leaves the frames alone.
void CaptureFrame(IspContext *context, const RawFrame &frame) {
  if (context->holdBuffer == nullptr) context->holdBuffer = AllocatePoolBuffer(kHoldBufferBytes);
  if (context->holdBuffer != nullptr && frame.raw != nullptr) {
    RtlCopyMemory(context->holdBuffer, frame.raw, HeldBytes(frame));
  }
  context->holdCaptureAt = -1;
}

void ReplaceFrame(const IspContext *context, const RawFrame &frame) {
  if (context->holdBuffer != nullptr && frame.raw != nullptr) {
    RtlCopyMemory(frame.raw, context->holdBuffer, HeldBytes(frame));
  }
}

void HoldNextTwoFrames(IspContext *context) {
  context->holdFrames = 2;
  context->holdCaptureAt = 2;
}

}  // namespace

int32_t ServiceFrameHold(IspContext *context, const RawFrame &frame) {
  if (context->holdFrames == 0) return 0;
  if (context->holdFrames == context->holdCaptureAt) {
    CaptureFrame(context, frame);
  } else {
    ReplaceFrame(context, frame);
  }
  const int32_t before = context->holdFrames;
  --context->holdFrames;
  return before;
}

void RequestHoldAfterModeSwitch(IspContext *context, const RawFrame &frame, bool modeChanged,
                                bool indexIncreased, bool sameFirstByte) {
  if (!modeChanged) {
    if (indexIncreased && !sameFirstByte) HoldNextTwoFrames(context);
    return;
  }
  CaptureFrame(context, frame);
  context->holdFrames = indexIncreased ? 1 : 2;
}

void RequestHoldOfClass(IspContext *context, const RawFrame &frame, uint32_t holdClass, bool flag) {
  if (holdClass == 0) {
    if (flag) HoldNextTwoFrames(context);
    return;
  }
  CaptureFrame(context, frame);
  context->holdFrames = static_cast<int32_t>(holdClass);
}

}  // namespace sorvex0
