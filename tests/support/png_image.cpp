#include "png_image.h"

#include <png.h>

#include <cstring>

namespace testsupport {

bool LoadPngRgb(const std::string &path, RgbImage *image, std::string *error) {
  png_image png;
  std::memset(&png, 0, sizeof(png));
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&png, path.c_str())) {
    *error = path + ": " + png.message;
    return false;
  }
  png.format = PNG_FORMAT_RGB;
  RgbImage loaded(static_cast<int32_t>(png.width), static_cast<int32_t>(png.height));
  if (!png_image_finish_read(&png, nullptr, loaded.pixels.data(), 0, nullptr)) {
    *error = path + ": " + png.message;
    png_image_free(&png);
    return false;
  }
  *image = std::move(loaded);
  return true;
}

}  // namespace testsupport
