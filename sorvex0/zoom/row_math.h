// Sample arithmetic shared by the zoom kernels.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace zoom {

// The mean of two samples, the half dropped.
inline uint8_t MeanOf(uint8_t a, uint8_t b) { return static_cast<uint8_t>((a + b) >> 1); }

// Byte-wise mean of two rows. `out` may be either input row itself: each
// byte is read before it is written.
inline void MeanRows(uint8_t *out, const uint8_t *a, const uint8_t *b, size_t bytes) {
  for (size_t i = 0; i < bytes; ++i) out[i] = MeanOf(a[i], b[i]);
}

}  // namespace zoom
