// What the simulated sensor looks at: the light that falls on each site of
// the camera's Bayer mosaic, linear, at any frame size. A photograph (or the
// built-in scene) and a camera raw file are the two kinds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sorvexcam {

class LinearScene {
 public:
  virtual ~LinearScene() = default;

  // One line for the summary, such as "picture a.png (640x480)".
  virtual std::string Name() const = 0;
  // The light at every site of a width x height frame in the camera's layout,
  // row by row: 0 is black, 1 the white of the scene (a neutral surface
  // gives equal values at its red, green and blue sites). Kept while the
  // size stays the same.
  virtual const std::vector<float> &Mosaic(uint32_t width, uint32_t height) = 0;
};

}  // namespace sorvexcam
