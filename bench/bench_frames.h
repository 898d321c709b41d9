// The frames every benchmark runs on, made once: the test photograph
// (coffee.png) enlarged to the capture size and mosaiced to the sensor's
// Bayer layout, and the YUYV pictures our conversion makes of it. Without
// the photograph a synthetic scene stands in, and the program says so.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "rgb_image.h"

namespace bench {

// Where the test photographs are: $SORVEX_TESTDATA, else the source tree's testdata/.
std::string TestDataDir();

// The named photograph (empty when it cannot be read).
testsupport::RgbImage LoadPhoto(const std::string &name);

// `picture` resampled bilinearly to width x height.
testsupport::RgbImage Resized(const testsupport::RgbImage &picture, int width, int height);

// A width x height RGB picture of coffee.png, or of the synthetic scene.
const testsupport::RgbImage &ScenePicture(int width, int height);

// The scene as a raw Bayer frame.
const std::vector<uint8_t> &SceneRaw(int width, int height);

// The scene converted to YUYV by the conversion library.
const std::vector<uint8_t> &SceneYuyv(int width, int height);

// The scene as 32-bit B, G, R, A pixels (libyuv's ARGB), top-down.
const std::vector<uint8_t> &SceneArgb(int width, int height);

// astronaut.png (a face) in YUYV for the face tracker, or the scene.
const std::vector<uint8_t> &FaceYuyv(int width, int height);

size_t YuyvBytes(int width, int height);
size_t I420Bytes(int width, int height);
size_t BitmapBytes(int width, int height);

}  // namespace bench
