// Sample arithmetic shared by the zoom kernels.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "sorvex_kernel.h"

namespace zoom {

// The mean of two samples, the half dropped.
inline uint8_t MeanOf(uint8_t a, uint8_t b) { return static_cast<uint8_t>((a + b) >> 1); }

// Four bytes as one word, lowest first, and back: whole-pixel loads and
// stores that do not depend on the processor's byte order.
inline uint32_t LoadBytes32(const uint8_t *p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

inline void StoreBytes32(uint32_t word, uint8_t *p) {
  const uint8_t bytes[4] = {static_cast<uint8_t>(word), static_cast<uint8_t>(word >> 8),
                            static_cast<uint8_t>(word >> 16), static_cast<uint8_t>(word >> 24)};
  RtlCopyMemory(p, bytes, 4);
}

// Byte-wise mean of two rows. `out` may be either input row itself: each
// byte is read before it is written.
inline void MeanRows(uint8_t *out, const uint8_t *a, const uint8_t *b, size_t bytes) {
  for (size_t i = 0; i < bytes; ++i) out[i] = MeanOf(a[i], b[i]);
}

}  // namespace zoom
