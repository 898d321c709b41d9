// Conversions between the camera's output layouts and top-down RGB pictures,
// with the BT.601 studio-range arithmetic the camera uses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "synthetic_scene.h"

namespace sorvexcam {

enum class OutputFormat : uint32_t { kRgb24 = 1, kYuyv = 2, kI420 = 3 };

// Bytes of one output image (I420 rounds down for odd sizes, as the camera does).
size_t OutputImageBytes(OutputFormat format, uint32_t width, uint32_t height);

// The camera's output image (bottom-up BGR bitmap, YUYV or I420) as a
// top-down RGB picture.
RgbImage OutputToRgb(OutputFormat format, const uint8_t *image, uint32_t width, uint32_t height);

// A picture as YUYV (each pixel pair shares the mean of its chroma): what a
// sensor with its own processing, such as the MI1320, sends for small frames.
std::vector<uint8_t> RgbToYuyv(const RgbImage &image);

// Whether `image` is the camera's blank image of its format: a black bitmap
// whose first pixel is grey (0xA0), YUYV black (0x00 0x80 words) or I420
// black (Y 0, chroma 0x80).
bool IsBlankImage(OutputFormat format, const std::vector<uint8_t> &image, uint32_t width,
                  uint32_t height);

}  // namespace sorvexcam
