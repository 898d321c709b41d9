// The operations the vector kernels are written in, on 128-bit vectors
// (SSE2, and the byte shuffle with SSSE3). lanes256.h has the same on
// 256-bit vectors (AVX2), so that one body (the *_body.h headers) serves
// both. Everything here has internal linkage: each vector unit gets its own
// copy, built with its own instruction set, and none can stand in for
// another unit's.
//
// The 256-bit operations work on each 128-bit half apart, as AVX2 does; the
// bodies put their results back in order where a pack or an unpack mixed
// the halves (InOrder, InOrderPair).
#pragma once

#include <emmintrin.h>
#include <stdint.h>
#if defined(__SSSE3__)
#include <tmmintrin.h>
#endif

// The bodies' helpers must be inlined into the kernels: a helper that
// returns several vectors would otherwise pass them through memory.
#define SORVEX_VECTOR_INLINE inline __attribute__((always_inline))

namespace sorvex1 {
namespace {

struct Lanes128 {
  typedef __m128i V;
  static constexpr int32_t kBytes = 16;

  static SORVEX_VECTOR_INLINE V Load(const void *p) { return _mm_loadu_si128(static_cast<const V *>(p)); }
  static SORVEX_VECTOR_INLINE void Store(void *p, V v) { _mm_storeu_si128(static_cast<V *>(p), v); }
  static SORVEX_VECTOR_INLINE V Zero() { return _mm_setzero_si128(); }
  static SORVEX_VECTOR_INLINE V Set8(int32_t value) { return _mm_set1_epi8(static_cast<char>(value)); }
  static SORVEX_VECTOR_INLINE V Set16(int32_t value) { return _mm_set1_epi16(static_cast<int16_t>(value)); }
  static SORVEX_VECTOR_INLINE V Set32(int32_t value) { return _mm_set1_epi32(value); }
  // The same 16 bytes in every 128-bit half.
  static SORVEX_VECTOR_INLINE V Table(V bytes) { return bytes; }

  static SORVEX_VECTOR_INLINE V And(V a, V b) { return _mm_and_si128(a, b); }
  static SORVEX_VECTOR_INLINE V AndNot(V a, V b) { return _mm_andnot_si128(a, b); }  // ~a & b
  static SORVEX_VECTOR_INLINE V Or(V a, V b) { return _mm_or_si128(a, b); }
  static SORVEX_VECTOR_INLINE V Xor(V a, V b) { return _mm_xor_si128(a, b); }

  static SORVEX_VECTOR_INLINE V Add8(V a, V b) { return _mm_add_epi8(a, b); }
  static SORVEX_VECTOR_INLINE V Sub8(V a, V b) { return _mm_sub_epi8(a, b); }
  static SORVEX_VECTOR_INLINE V AddSatU8(V a, V b) { return _mm_adds_epu8(a, b); }
  static SORVEX_VECTOR_INLINE V SubSatU8(V a, V b) { return _mm_subs_epu8(a, b); }
  static SORVEX_VECTOR_INLINE V MinU8(V a, V b) { return _mm_min_epu8(a, b); }
  static SORVEX_VECTOR_INLINE V MaxU8(V a, V b) { return _mm_max_epu8(a, b); }
  static SORVEX_VECTOR_INLINE V AvgU8(V a, V b) { return _mm_avg_epu8(a, b); }
  static SORVEX_VECTOR_INLINE V CmpEq8(V a, V b) { return _mm_cmpeq_epi8(a, b); }

  static SORVEX_VECTOR_INLINE V Add16(V a, V b) { return _mm_add_epi16(a, b); }
  static SORVEX_VECTOR_INLINE V Sub16(V a, V b) { return _mm_sub_epi16(a, b); }
  static SORVEX_VECTOR_INLINE V Min16(V a, V b) { return _mm_min_epi16(a, b); }
  static SORVEX_VECTOR_INLINE V Max16(V a, V b) { return _mm_max_epi16(a, b); }
  static SORVEX_VECTOR_INLINE V CmpEq16(V a, V b) { return _mm_cmpeq_epi16(a, b); }
  static SORVEX_VECTOR_INLINE V MulLo16(V a, V b) { return _mm_mullo_epi16(a, b); }
  static SORVEX_VECTOR_INLINE V MulHiU16(V a, V b) { return _mm_mulhi_epu16(a, b); }
  // Pairs of 16-bit products summed into 32 bits.
  static SORVEX_VECTOR_INLINE V MulAdd16(V a, V b) { return _mm_madd_epi16(a, b); }
  static SORVEX_VECTOR_INLINE V Add32(V a, V b) { return _mm_add_epi32(a, b); }

  static SORVEX_VECTOR_INLINE V Shl16(V v, int32_t bits) { return _mm_slli_epi16(v, bits); }
  static SORVEX_VECTOR_INLINE V Shr16(V v, int32_t bits) { return _mm_srli_epi16(v, bits); }
  static SORVEX_VECTOR_INLINE V Sar16(V v, int32_t bits) { return _mm_srai_epi16(v, bits); }
  static SORVEX_VECTOR_INLINE V Shl32(V v, int32_t bits) { return _mm_slli_epi32(v, bits); }
  static SORVEX_VECTOR_INLINE V Shr32(V v, int32_t bits) { return _mm_srli_epi32(v, bits); }
  static SORVEX_VECTOR_INLINE V Sar32(V v, int32_t bits) { return _mm_srai_epi32(v, bits); }
  // Bytes moved down within each 128-bit half.
  // In each 128-bit half, bytes 0..7 interleaved with bytes 8..15:
  // a0 b0 a1 b1 ... for a half a0..a7 b0..b7.
  static SORVEX_VECTOR_INLINE V ZipHalves8(V v) { return _mm_unpacklo_epi8(v, _mm_srli_si128(v, 8)); }

  static SORVEX_VECTOR_INLINE V PackUs16(V a, V b) { return _mm_packus_epi16(a, b); }
  static SORVEX_VECTOR_INLINE V PackS32(V a, V b) { return _mm_packs_epi32(a, b); }
  static SORVEX_VECTOR_INLINE V UnpackLo8(V a, V b) { return _mm_unpacklo_epi8(a, b); }
  static SORVEX_VECTOR_INLINE V UnpackHi8(V a, V b) { return _mm_unpackhi_epi8(a, b); }
  static SORVEX_VECTOR_INLINE V UnpackLo16(V a, V b) { return _mm_unpacklo_epi16(a, b); }
  static SORVEX_VECTOR_INLINE V UnpackHi16(V a, V b) { return _mm_unpackhi_epi16(a, b); }

  // A pack of two vectors in order, put in order (nothing to do on 128 bits).
  static SORVEX_VECTOR_INLINE V InOrder(V packed) { return packed; }
  // The low and high unpack of vectors in order, as the first and second
  // vector of the result in order.
  static SORVEX_VECTOR_INLINE void InOrderPair(V low, V high, V *first, V *second) {
    *first = low;
    *second = high;
  }

  static SORVEX_VECTOR_INLINE bool AnyNonZero(V v) { return _mm_movemask_epi8(_mm_cmpeq_epi8(v, Zero())) != 0xFFFF; }

#if defined(__SSSE3__)
  static SORVEX_VECTOR_INLINE V Shuffle8(V table, V indices) { return _mm_shuffle_epi8(table, indices); }
#endif
};

}  // namespace
}  // namespace sorvex1
