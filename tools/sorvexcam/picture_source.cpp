#include "picture_source.h"

#include <cmath>

#include "image_convert.h"

namespace sorvexcam {

bool PictureSource::RenderFrame(uint32_t, const RawFrameShape &shape, std::vector<uint8_t> *frame,
                                std::string *) {
  if (shape.layout == RawLayout::kYuyv) {
    *frame = RgbToYuyv(picture_.At(shape.width, shape.height));
    return true;
  }
  const std::vector<float> &mosaic = picture_.Mosaic(shape.width, shape.height);
  frame->resize(mosaic.size());
  for (size_t i = 0; i < mosaic.size(); ++i) (*frame)[i] = static_cast<uint8_t>(std::lround(255.0 * mosaic[i]));
  return true;
}

}  // namespace sorvexcam
