// A still picture as the camera's raw frames: the scene picture at the
// capture size, turned into linear light and mosaiced to the camera's Bayer
// layout, as a sensor would deliver it (or kept as it is and turned into
// YUYV for a sensor that processes its own frames). Every frame is the same;
// the sensor's exposure does not change it.
#pragma once

#include <string>

#include "frame_source.h"
#include "scene_picture.h"

namespace sorvexcam {

class PictureSource : public FrameSource {
 public:
  explicit PictureSource(ScenePicture picture) : picture_(std::move(picture)) {}

  std::string Describe() const override { return picture_.Name() + ", still"; }
  bool Supports(RawLayout) const override { return true; }
  bool RenderFrame(uint32_t index, const RawFrameShape &shape, std::vector<uint8_t> *frame,
                   std::string *error) override;

 private:
  ScenePicture picture_;
};

}  // namespace sorvexcam
