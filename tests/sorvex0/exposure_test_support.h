// A stream for the exposure tests: a started capture on the recording
// minidriver, a frozen clock the test steps, and uniform grey frames whose
// measured brightness is their value.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "exposure/exposure_loop.h"
#include "exposure/exposure_tables.h"
#include "exposure/light_level.h"
#include "fake_minidriver.h"
#include "core/isp_context.h"

using namespace sorvex0;

namespace sorvextest {

class ExposureTest : public MinidriverTest {
 protected:
  static constexpr int64_t kStartTime = 132000000000000000LL;
  static constexpr int64_t kQuarterSecond = 2500000;

  // Init, flicker setting, a YUYV stream of the requested size (the capture
  // size follows), the blank frames taken as passed, the callback log
  // cleared.
  void StartStream(const std::string &sensor, uint32_t highSpeed = 1, uint32_t flicker = 1,
                   uint32_t width = 320, uint32_t height = 240) {
    ASSERT_EQ(0, Init(sensor, highSpeed));
    context_->flickerMode = flicker;
    hostkernel::SetSystemTime(kStartTime);
    ISPFunc_StartCapture(context_, kDevice, SORVEX_FORMAT_YUYV, width, height, &width_, &height_);
    frame_.assign(static_cast<size_t>(width_) * height_, 72);
    context_->blankFrameCount = 0;
    Log().Clear();
  }

  // One frame of uniform value through the exposure step, `advance` after
  // the previous one.
  bool Step(uint8_t value, int64_t advance = kQuarterSecond) {
    hostkernel::AdvanceSystemTime(advance);
    frame_.assign(frame_.size(), value);
    return RunExposureStep(context_, kDevice, values_, frame_.data(), width_, height_);
  }

  // Sets the index from outside and lets the next run program it, as the
  // custom property does; the frame hold it asks for is dropped unless kept.
  void ProgramIndex(int32_t index, bool keepHold = false) {
    context_->aeType = 1;
    context_->aeIndex = index;
    for (int frame = 0; frame < 4 && !Step(72); ++frame) {
    }
    context_->aeType = 0;
    if (!keepHold) {
      context_->holdFrames = 0;
      context_->holdCaptureAt = -1;
    }
  }

  // Register pairs of the last write to space A.
  std::vector<std::pair<uint8_t, uint8_t>> LastPairsA() const {
    for (auto write = Log().writes.rbegin(); write != Log().writes.rend(); ++write) {
      if (write->space == CallbackLog::kSpaceA) return write->pairs;
    }
    return {};
  }

  PictureValues values_ = {50, 50, 50, 50, 50, 50, 50, 50, 50};
  uint32_t width_ = 0;
  uint32_t height_ = 0;
  std::vector<uint8_t> frame_;
};

}  // namespace sorvextest
