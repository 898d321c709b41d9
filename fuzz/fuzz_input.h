// The fuzz input read front to back as little-endian numbers, so that seed
// files can be written by hand or by fuzz/make_seeds.py. Past the end every
// read gives zeros.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace sorvexfuzz {

class FuzzInput {
 public:
  FuzzInput(const uint8_t *data, size_t size) : data_(data), size_(size) {}

  size_t Remaining() const { return size_ - pos_; }

  uint8_t U8() { return pos_ < size_ ? data_[pos_++] : 0; }
  uint16_t U16() { return static_cast<uint16_t>(U8() | (U8() << 8)); }
  uint32_t U32() { return static_cast<uint32_t>(U16()) | (static_cast<uint32_t>(U16()) << 16); }
  bool Bool() { return (U8() & 1) != 0; }

  // A value in [low, high] from one 32-bit word.
  uint32_t Range(uint32_t low, uint32_t high) {
    const uint64_t span = static_cast<uint64_t>(high) - low + 1;
    return static_cast<uint32_t>(low + U32() % span);
  }

  // One of the array's values, picked by one byte.
  template <typename T, size_t N>
  T Pick(const T (&values)[N]) {
    return values[U8() % N];
  }

  // Up to `count` bytes; fewer at the end of the input.
  std::vector<uint8_t> Bytes(size_t count) {
    const size_t taken = count < Remaining() ? count : Remaining();
    std::vector<uint8_t> bytes(data_ + pos_, data_ + pos_ + taken);
    pos_ += taken;
    return bytes;
  }

 private:
  const uint8_t *data_;
  size_t size_;
  size_t pos_ = 0;
};

}  // namespace sorvexfuzz
