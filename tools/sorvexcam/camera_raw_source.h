// A camera raw file (DNG, CR2, NEF and the other formats LibRaw reads) as the
// camera's raw frames. The visible area of the sensor data is re-phased to
// the camera's Bayer layout by dropping a leading line and/or column (an RGGB
// file loses its first line), its black level is subtracted and its white
// level scaled to 255 (linear, as a sensor delivers), and it is fitted to
// the capture size. Every frame is the same.
#pragma once

#include <memory>
#include <string>

#include "bayer_fit.h"
#include "frame_source.h"

namespace sorvexcam {

class CameraRawSource : public FrameSource {
 public:
  // Null, with a reason, when the file cannot be decoded or is no Bayer raw.
  static std::unique_ptr<CameraRawSource> Open(const std::string &path, std::string *error);

  std::string Describe() const override { return description_; }
  bool RenderFrame(uint32_t index, const RawFrameShape &shape, std::vector<uint8_t> *frame,
                   std::string *error) override;

  const BayerImage &Image() const { return image_; }

 private:
  CameraRawSource(std::string description, BayerImage image)
      : description_(std::move(description)), image_(std::move(image)) {}

  std::string description_;
  BayerImage image_;  // the whole visible area, camera phase, 8 bits
};

}  // namespace sorvexcam
