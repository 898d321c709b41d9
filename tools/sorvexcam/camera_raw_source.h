// A camera raw file (DNG, CR2, NEF and the other formats LibRaw reads) as
// what the camera looks at. The visible area of the sensor data is re-phased
// to the camera's Bayer layout by dropping a leading line and/or column (an
// RGGB file loses its first line) and its black level is subtracted. Then
// either:
// - CameraRawScene: the samples taken to neutral with the file's daylight
//   multipliers, as the scene the sensor model renders at the exposure the
//   camera programs, in its own colour response;
// - CameraRawSource: the samples as they are, white level scaled to 255,
//   fitted to the capture size as a fixed frame (--still).
#pragma once

#include <memory>
#include <string>

#include "bayer_fit.h"
#include "frame_source.h"
#include "linear_scene.h"

namespace sorvexcam {

struct CameraRaw {
  std::string description;  // file, make and model, size, pattern, levels, phase
  BayerImage16 linear;      // the whole visible area, camera phase, black removed
  uint32_t white = 1;       // the white level above black
  // The file's daylight multipliers as red, green, blue relative to green:
  // they take its sensor's record of a grey in daylight to equal channels.
  double daylight[3] = {1.0, 1.0, 1.0};
};

// False, with a reason, when the file cannot be decoded or is no Bayer raw.
bool ReadCameraRaw(const std::string &path, CameraRaw *raw, std::string *error);

class CameraRawScene : public LinearScene {
 public:
  explicit CameraRawScene(const CameraRaw &raw);

  std::string Name() const override { return name_; }
  const std::vector<float> &Mosaic(uint32_t width, uint32_t height) override;

 private:
  std::string name_;
  BayerImage16 neutral_;  // daylight grey has equal channels; clipped at white_
  uint32_t white_;
  std::vector<float> mosaic_;
  uint32_t mosaicWidth_ = 0;
  uint32_t mosaicHeight_ = 0;
};

class CameraRawSource : public FrameSource {
 public:
  explicit CameraRawSource(const CameraRaw &raw);

  std::string Describe() const override { return description_; }
  bool RenderFrame(uint32_t index, const RawFrameShape &shape, std::vector<uint8_t> *frame,
                   std::string *error) override;

 private:
  std::string description_;
  BayerImage image_;  // 8 bits, white at 255
};

}  // namespace sorvexcam
