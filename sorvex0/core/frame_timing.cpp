#include "core/frame_timing.h"

namespace sorvex0 {

namespace {

uint32_t LowSystemTime() {
  LARGE_INTEGER now;
  KeQuerySystemTime(&now);
  return static_cast<uint32_t>(now.QuadPart);
}

}  // namespace

void ResetFrameTiming(IspContext *context) {
  context->lastFrameTime = LowSystemTime();
  context->frameIntervalCount = -1;
  context->frameIntervalSum = 0;
  context->frameIntervalIndex = 0;
}

void RecordFrameTime(IspContext *context) {
  const uint32_t now = LowSystemTime();
  if (context->frameIntervalCount >= 0) {
    const uint32_t slot = context->frameIntervalIndex % kFrameIntervalRing;
    if (context->frameIntervalCount >= static_cast<int32_t>(kFrameIntervalRing)) {
      context->frameIntervalSum -= context->frameIntervals[slot];
    }
    const uint32_t interval = now - context->lastFrameTime;
    context->frameIntervals[slot] = interval;
    context->frameIntervalSum += interval;
    context->frameIntervalIndex = (slot + 1) % kFrameIntervalRing;
  }
  context->lastFrameTime = now;
  if (context->frameIntervalCount < static_cast<int32_t>(kFrameIntervalRing)) {
    ++context->frameIntervalCount;
  }
}

uint32_t FrameRate(const IspContext *context) {
  if (context->frameIntervalCount < 2) return 0;
  const uint32_t tenMicroseconds = (context->frameIntervalSum + 5) / 10;
  // Frames stamped within one tick of the system clock add up to nothing; a
  // division by zero would stop the machine.
  if (tenMicroseconds == 0) return 0;
  return static_cast<uint32_t>(context->frameIntervalCount) * 100000000u / tenMicroseconds;
}

}  // namespace sorvex0
