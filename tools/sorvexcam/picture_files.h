// Reading photographs (PNG, JPEG) and writing PNG pictures.
#pragma once

#include <string>

#include "synthetic_scene.h"

namespace sorvexcam {

// Reads a PNG or JPEG file (told apart by its first bytes) as 8-bit RGB.
// False, with a reason, when the file cannot be read as either.
bool LoadPicture(const std::string &path, RgbImage *image, std::string *error);

// Writes a top-down RGB picture as an 8-bit PNG. False on an I/O error.
bool WritePng(const std::string &path, const RgbImage &image);

}  // namespace sorvexcam
