// The picture a simulated camera looks at: the built-in scene or a
// photograph, at any frame size.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "linear_scene.h"
#include "synthetic_scene.h"

namespace sorvexcam {

// An sRGB-encoded 8-bit value as linear light, 0..1: what a sensor sees of
// a picture's colour, before the camera's tone curve encodes it again.
double SrgbToLinear(uint8_t value);

class ScenePicture : public LinearScene {
 public:
  static ScenePicture BuiltIn() { return ScenePicture("built-in scene", RgbImage()); }
  // False, with a reason, when the photograph cannot be read.
  static bool FromFile(const std::string &path, ScenePicture *picture, std::string *error);

  std::string Name() const override { return name_; }
  // The picture at width x height (the built-in scene drawn at that size, a
  // photograph cut to the aspect ratio and area-scaled); kept while the size
  // stays the same.
  const RgbImage &At(uint32_t width, uint32_t height);
  // The picture's colours at width x height as linear light, sampled to the
  // camera's mosaic.
  const std::vector<float> &Mosaic(uint32_t width, uint32_t height) override;

 private:
  ScenePicture(std::string name, RgbImage photo) : name_(std::move(name)), photo_(std::move(photo)) {}

  std::string name_;
  RgbImage photo_;  // empty for the built-in scene
  RgbImage scaled_;
  std::vector<float> mosaic_;  // of scaled_
};

}  // namespace sorvexcam
