// What the golden-output tests share: a digest of an output's bytes and the
// pseudo-random numbers their synthetic inputs are made from. Both must stay
// exactly as they are, or every recorded digest changes.
#pragma once

#include <cstdint>
#include <vector>

namespace testsupport {

// 64-bit FNV-1a of the bytes, continuing from `hash`.
inline uint64_t Fnv1a(const std::vector<uint8_t> &bytes, uint64_t hash = 0xcbf29ce484222325u) {
  for (uint8_t b : bytes) {
    hash ^= b;
    hash *= 0x100000001b3u;
  }
  return hash;
}

// Deterministic pseudo-random numbers (24 bits each).
class Lcg {
 public:
  explicit Lcg(uint32_t seed) : state_(seed) {}
  uint32_t Next() {
    state_ = state_ * 1664525u + 1013904223u;
    return state_ >> 8;
  }

 private:
  uint32_t state_;
};

}  // namespace testsupport
