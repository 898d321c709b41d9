// Carving one scratch block into 16-byte aligned pieces.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace sorvex1 {

// Carves consecutive arrays out of one scratch block, each starting on a
// 16-byte boundary relative to the block.
class ScratchCarver {
 public:
  explicit ScratchCarver(uint8_t *base) : base_(base), used_(0) {}
  static size_t Rounded(size_t bytes) { return (bytes + 15) / 16 * 16; }
  uint8_t *Bytes(size_t count) { return static_cast<uint8_t *>(Take(count)); }
  uint32_t *Words(size_t count) { return static_cast<uint32_t *>(Take(count * sizeof(uint32_t))); }
  int16_t *Halves(size_t count) { return static_cast<int16_t *>(Take(count * sizeof(int16_t))); }

 private:
  void *Take(size_t bytes) {
    void *p = base_ + used_;
    used_ += Rounded(bytes);
    return p;
  }
  uint8_t *base_;
  size_t used_;
};

}  // namespace sorvex1
