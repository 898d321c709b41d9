// Helpers of the zoom tests: exactly sized buffers (so the sanitizer build
// catches any access past a frame) and the checks of a sequence of decoded
// samples.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace zoomtest {

// A heap buffer of exactly `size` bytes.
class Buffer {
 public:
  explicit Buffer(size_t size, uint8_t fill = 0)
      : size_(size), bytes_(new uint8_t[size == 0 ? 1 : size]) {
    std::memset(bytes_.get(), fill, size == 0 ? 1 : size);
  }
  uint8_t *data() { return bytes_.get(); }
  const uint8_t *data() const { return bytes_.get(); }
  size_t size() const { return size_; }
  uint8_t &operator[](size_t i) { return bytes_[i]; }
  uint8_t operator[](size_t i) const { return bytes_[i]; }
  std::vector<uint8_t> Copy(size_t bytes) const {
    return std::vector<uint8_t>(bytes_.get(), bytes_.get() + bytes);
  }

 private:
  size_t size_;
  std::unique_ptr<uint8_t[]> bytes_;
};

inline uint8_t Mean(uint8_t a, uint8_t b) { return static_cast<uint8_t>((a + b) >> 1); }

// A repeatable byte stream for window contents.
class Bytes {
 public:
  explicit Bytes(uint32_t seed) : state_(seed) {}
  uint8_t Next() {
    state_ = state_ * 1664525u + 1013904223u;
    return static_cast<uint8_t>(state_ >> 24);
  }

 private:
  uint32_t state_;
};

// 0, 1, ..., 255, 254, ..., 0, 1, ...: changes by at most one per step, so a
// sample taken d positions away differs by at most d.
inline int Triangle(int x) {
  const int phase = x % 510;
  return phase <= 255 ? phase : 510 - phase;
}

// Checks the samples of one group of a kernel's output, each given as a
// position in half samples relative to the group's first source sample: 2k
// is a copy of sample k, 2k + 1 the mean of samples k and k + 1. A sound
// pattern starts with sample 0, moves on by at most a sample and a half a
// step, never goes back, never repeats a mean, uses every one of the group's
// `in` samples, and inserts exactly `means` means.
inline void CheckGroupSamples(const std::vector<int> &positions, int in, int means,
                              const std::string &what) {
  SCOPED_TRACE(what);
  ASSERT_FALSE(positions.empty());
  EXPECT_EQ(0, positions.front()) << "the group starts with its first sample";
  int meanCount = 0;
  std::vector<bool> used(static_cast<size_t>(in) + 1, false);
  for (size_t i = 0; i < positions.size(); ++i) {
    const int p = positions[i];
    ASSERT_GE(p, 0) << "sample " << i;
    ASSERT_LT(p / 2, in) << "sample " << i << " reads past the group";
    used[static_cast<size_t>(p / 2)] = true;
    if (p % 2 == 1) {
      ++meanCount;
      used[static_cast<size_t>(p / 2 + 1)] = true;
    }
    if (i == 0) continue;
    const int step = p - positions[i - 1];
    EXPECT_GE(step, 0) << "sample " << i << " goes back";
    EXPECT_LE(step, 3) << "sample " << i << " skips a source sample";
    if (p % 2 == 1) {
      EXPECT_NE(0, step) << "sample " << i << " repeats a mean";
    }
  }
  EXPECT_EQ(means, meanCount);
  for (int k = 0; k < in; ++k)
    EXPECT_TRUE(used[static_cast<size_t>(k)]) << "source sample " << k << " unused";
}

}  // namespace zoomtest
