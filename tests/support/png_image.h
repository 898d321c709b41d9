// Loads PNG files for tests (via libpng), converted to 8-bit RGB.
#pragma once

#include <string>

#include "rgb_image.h"

namespace testsupport {

// False, with a reason in *error, when the file cannot be read as a PNG.
bool LoadPngRgb(const std::string &path, RgbImage *image, std::string *error);

}  // namespace testsupport
