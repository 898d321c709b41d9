// Sample arithmetic shared by the zoom kernels.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "sorvex_kernel.h"

namespace sorvex0 {

namespace zoom {

// The mean of two samples, the half dropped.
inline uint8_t MeanOf(uint8_t a, uint8_t b) { return static_cast<uint8_t>((a + b) >> 1); }

// Four bytes as one word, lowest first, and back: whole-pixel loads and
// stores. The drivers run on little-endian processors only (x86), where the
// word in memory is that order, so these are plain 4-byte copies.
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "the zoom kernels' word loads and stores assume a little-endian processor"
#endif

inline uint32_t LoadBytes32(const uint8_t *p) {
  uint32_t word;
  RtlCopyMemory(&word, p, 4);
  return word;
}

inline void StoreBytes32(uint32_t word, uint8_t *p) { RtlCopyMemory(p, &word, 4); }

// The byte-wise means of two words, each half dropped as in MeanOf: the
// common bits plus half the differing ones, with no carry between bytes.
inline uint32_t MeanOfBytes(uint32_t a, uint32_t b) { return (a & b) + (((a ^ b) & 0xFEFEFEFEu) >> 1); }

// Byte-wise mean of two rows. `out` may be either input row itself: each
// byte is read before it is written.
inline void MeanRows(uint8_t *out, const uint8_t *a, const uint8_t *b, size_t bytes) {
  for (size_t i = 0; i < bytes; ++i) out[i] = MeanOf(a[i], b[i]);
}

}  // namespace zoom

}  // namespace sorvex0
