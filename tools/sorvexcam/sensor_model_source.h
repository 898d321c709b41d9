// The simulated camera: the sensor model answers the library's register
// writes (so the exposure and white-balance loops run closed, as on a real
// camera) and renders each frame of the scene (a picture or a camera raw)
// at the exposure and gain it was programmed to, in the family's colour
// response, under an illuminant's colour cast, with shot noise. On top of the model this source adds what the lens and the silicon
// do: vignetting (the light falls off towards the corners) and a few hot
// and dead pixels at fixed places.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "frame_source.h"
#include "linear_scene.h"
#include "sensorsim/sensor_model.h"
#include "sorvex0.h"

namespace sorvexcam {

class SensorModelSource : public FrameSource {
 public:
  // Null, with a reason, for a sensor the model does not cover.
  static std::unique_ptr<SensorModelSource> Create(const std::string &sensor, SorvexDevice device,
                                                   std::unique_ptr<LinearScene> scene,
                                                   sensorsim::Illuminant illuminant, std::string *error);

  // Sets the scene's light so that, at the exposure the sensor is programmed
  // to now, the frame's mean brightness is `lightPercent` percent of
  // `target` (0..255 scale): below 100 the camera starts too dark.
  void SetLight(uint32_t lightPercent, uint32_t target, uint32_t width, uint32_t height);

  std::string Describe() const override;
  bool RenderFrame(uint32_t index, const RawFrameShape &shape, std::vector<uint8_t> *frame,
                   std::string *error) override;
  void WriteRegisters(RegisterSpace space, const uint8_t *pairs, uint32_t count) override;
  uint8_t ReadRegister(RegisterSpace space, uint8_t reg) override;
  void SelectMode(const std::string &name) override;
  SensorState LastSensorState() const override;

 private:
  SensorModelSource(sensorsim::Family family, SorvexDevice device, std::unique_ptr<LinearScene> scene,
                    sensorsim::Illuminant illuminant);
  // The reflectance the sensor sees at (x, y): the scene's linear light at
  // that site, darkened by the vignetting. Kept while the size stays the same.
  double Reflectance(uint32_t x, uint32_t y, uint32_t width, uint32_t height);
  void AddDefectPixels(std::vector<uint8_t> *frame, uint32_t width, uint32_t height) const;

  sensorsim::SensorModel model_;
  SorvexDevice device_;
  std::unique_ptr<LinearScene> picture_;
  sensorsim::Scene scene_;
  std::vector<double> reflectance_;
  uint32_t reflectanceWidth_ = 0;
  uint32_t reflectanceHeight_ = 0;
  uint32_t lightPercent_ = 100;
};

}  // namespace sorvexcam
