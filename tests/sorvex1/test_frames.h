// Shared pieces of the conversion tests: a fixture owning a library
// instance, and builders of synthetic frames.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "hostkernel/host_control.h"
#include "rgb_image.h"
#include "sorvex1.h"

namespace sorvex1test {

using testsupport::RgbImage;

// A library instance per test; every pool block it takes must be back by the end.
class ConversionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    blocksBefore_ = hostkernel::LivePoolBlocks().size();
    ops_ = FUNC_Init();
    ASSERT_NE(ops_, nullptr);
  }
  void TearDown() override {
    FUNC_Exit(ops_);
    EXPECT_EQ(hostkernel::LivePoolBlocks().size(), blocksBefore_);
  }
  void *UserData() const { return ops_->userData; }

  ConversionOps *ops_ = nullptr;

 private:
  size_t blocksBefore_ = 0;
};

inline RgbImage FlatImage(int32_t width, int32_t height, uint8_t r, uint8_t g, uint8_t b) {
  RgbImage image(width, height);
  for (size_t i = 0; i < image.pixels.size(); i += 3) {
    image.pixels[i] = r;
    image.pixels[i + 1] = g;
    image.pixels[i + 2] = b;
  }
  return image;
}

// A YUYV frame with every pair set to the same four bytes.
inline std::vector<uint8_t> FlatYuyv(int32_t width, int32_t height, uint8_t y, uint8_t u, uint8_t v) {
  const size_t lineBytes = static_cast<size_t>(width) * 2;
  std::vector<uint8_t> frame(lineBytes * height);
  for (size_t i = 0; i < frame.size(); ++i) {
    const size_t k = i % lineBytes;
    frame[i] = (k % 2 == 0) ? y : (k % 4 == 1 ? u : v);
  }
  return frame;
}

inline size_t YuyvBytes(int32_t width, int32_t height) { return static_cast<size_t>(width) * height * 2; }

}  // namespace sorvex1test
