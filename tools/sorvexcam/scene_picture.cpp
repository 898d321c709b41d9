#include "scene_picture.h"

#include <array>
#include <cmath>

#include "area_resample.h"
#include "bayer_fit.h"
#include "picture_files.h"

namespace sorvexcam {

double SrgbToLinear(uint8_t value) {
  static const std::array<double, 256> kTable = [] {
    std::array<double, 256> table{};
    for (size_t i = 0; i < table.size(); ++i) {
      const double v = static_cast<double>(i) / 255.0;
      table[i] = v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    }
    return table;
  }();
  return kTable[value];
}

bool ScenePicture::FromFile(const std::string &path, ScenePicture *picture, std::string *error) {
  RgbImage photo;
  if (!LoadPicture(path, &photo, error)) {
    *error = path + ": " + *error;
    return false;
  }
  const std::string name =
      "picture " + path + " (" + std::to_string(photo.width) + "x" + std::to_string(photo.height) + ")";
  *picture = ScenePicture(name, std::move(photo));
  return true;
}

const RgbImage &ScenePicture::At(uint32_t width, uint32_t height) {
  if (scaled_.width != static_cast<int>(width) || scaled_.height != static_cast<int>(height)) {
    scaled_ = photo_.rgb.empty() ? RenderTestScene(static_cast<int>(width), static_cast<int>(height))
                                 : ResizeRgb(photo_, width, height);
    mosaic_.clear();
  }
  return scaled_;
}

const std::vector<float> &ScenePicture::Mosaic(uint32_t width, uint32_t height) {
  const RgbImage &picture = At(width, height);
  if (mosaic_.empty()) {
    mosaic_.resize(static_cast<size_t>(width) * height);
    for (uint32_t y = 0; y < height; ++y) {
      for (uint32_t x = 0; x < width; ++x) {
        const size_t at = static_cast<size_t>(y) * width + x;
        mosaic_[at] = static_cast<float>(SrgbToLinear(picture.rgb[at * 3 + CameraColourAt(x, y)]));
      }
    }
  }
  return mosaic_;
}

}  // namespace sorvexcam
