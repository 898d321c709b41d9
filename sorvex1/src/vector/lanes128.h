// Small helpers on 128-bit integer vectors for the SSE2 and SSSE3 units.
// Everything here has internal linkage: each unit gets its own copy, built
// with its own instruction set, and none can stand in for another's.
#pragma once

#include <emmintrin.h>
#include <stdint.h>

namespace sorvex1 {
namespace {

typedef __m128i V128;

inline V128 Load(const void *p) { return _mm_loadu_si128(static_cast<const V128 *>(p)); }
inline void Store(void *p, V128 v) { _mm_storeu_si128(static_cast<V128 *>(p), v); }

// mask ? a : b, lane by lane (mask lanes all ones or all zeros).
inline V128 Select(V128 mask, V128 a, V128 b) { return _mm_or_si128(_mm_and_si128(mask, a), _mm_andnot_si128(mask, b)); }

inline V128 Bytes(int32_t value) { return _mm_set1_epi8(static_cast<char>(value)); }
inline V128 Halves(int32_t value) { return _mm_set1_epi16(static_cast<int16_t>(value)); }
inline V128 Words(int32_t value) { return _mm_set1_epi32(value); }

// The low bytes of the 16-bit lanes, and the high bytes moved down.
inline V128 LowBytes(V128 v) { return _mm_and_si128(v, Halves(0x00FF)); }
inline V128 HighBytes(V128 v) { return _mm_srli_epi16(v, 8); }

}  // namespace
}  // namespace sorvex1
