// What watches a stream as it runs, such as the live view: the run loop
// hands it every frame once the frame is made, and sends the property
// requests it answers with just before the next frame, as it does those of
// --set.
#pragma once

#include <vector>

#include "frame_log.h"
#include "property_actions.h"
#include "sorvex0.h"
#include "synthetic_scene.h"

namespace sorvexcam {

struct WatcherAnswer {
  std::vector<PropertyAction> actions;  // sets for the next frame
  bool stop = false;                    // end the stream after this frame
};

class FrameWatcher {
 public:
  virtual ~FrameWatcher() = default;
  // `picture` is the output image as top-down RGB; `context` may be read
  // through the property exports.
  virtual WatcherAnswer AfterFrame(IspContext *context, const FrameRecord &record, const RgbImage &picture) = 0;
};

}  // namespace sorvexcam
