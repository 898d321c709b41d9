// A built-in test scene, so the camera can be exercised with no input files:
// colour patches, grey steps, a sweep of fine lines and a smooth gradient.
#pragma once

#include <cstdint>
#include <vector>

namespace sorvexcam {

struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;  // top-down, R G B per pixel
};

RgbImage RenderTestScene(int width, int height);

// Samples an RGB image to the sensor's Bayer mosaic: green-blue on even
// lines (green at even columns), red-green on odd lines.
std::vector<uint8_t> MosaicToBayer(const RgbImage &image);

}  // namespace sorvexcam
