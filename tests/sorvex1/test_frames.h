// Shared pieces of the conversion tests: a fixture owning a library
// instance, and builders of synthetic frames.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
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

// One form of the row kernels an instance can run: the vector sets the
// host layer lets the library's probe see, and whether every save of the
// floating-point state fails (the calls then run the scalar forms).
struct KernelForm {
  std::string name;
  uint32_t vectorSets;
  bool failSaves;
};

inline void PrintTo(const KernelForm &form, std::ostream *out) { *out << form.name; }

// Every form this machine runs: the scalar forms, each vector set it has
// that brings forms of its own, and its best forms with every save failing.
std::vector<KernelForm> MachineForms();

// A ConversionTest run once per form (instantiate with SORVEX1_FOR_EVERY_FORM).
// Every save must be restored by the end.
class FormTest : public ConversionTest, public ::testing::WithParamInterface<KernelForm> {
 protected:
  void SetUp() override;
  void TearDown() override;
};

#define SORVEX1_FOR_EVERY_FORM(fixture)                                      \
  INSTANTIATE_TEST_SUITE_P(Forms, fixture, ::testing::ValuesIn(MachineForms()), \
                           [](const ::testing::TestParamInfo<KernelForm> &info) { return info.param.name; })

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
