#include "picture_source.h"

#include <cmath>

#include "bayer_fit.h"
#include "image_convert.h"

namespace sorvexcam {

bool PictureSource::RenderFrame(uint32_t, const RawFrameShape &shape, std::vector<uint8_t> *frame,
                                std::string *) {
  const RgbImage &picture = picture_.At(shape.width, shape.height);
  if (shape.layout == RawLayout::kYuyv) {
    *frame = RgbToYuyv(picture);
    return true;
  }
  frame->resize(RawFrameBytes(shape));
  for (uint32_t y = 0; y < shape.height; ++y) {
    for (uint32_t x = 0; x < shape.width; ++x) {
      const uint8_t value = picture.rgb[(static_cast<size_t>(y) * shape.width + x) * 3 + CameraColourAt(x, y)];
      (*frame)[static_cast<size_t>(y) * shape.width + x] = static_cast<uint8_t>(std::lround(255.0 * SrgbToLinear(value)));
    }
  }
  return true;
}

}  // namespace sorvexcam
