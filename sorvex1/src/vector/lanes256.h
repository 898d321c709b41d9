// The operations of lanes128.h on 256-bit vectors (AVX2), for the host
// build's AVX2 unit. Internal linkage, as there.
#pragma once

#include <immintrin.h>
#include <stdint.h>

#include "lanes128.h"

namespace sorvex1 {
namespace {

struct Lanes256 {
  typedef __m256i V;
  static constexpr int32_t kBytes = 32;

  static SORVEX_VECTOR_INLINE V Load(const void *p) { return _mm256_loadu_si256(static_cast<const V *>(p)); }
  static SORVEX_VECTOR_INLINE void Store(void *p, V v) { _mm256_storeu_si256(static_cast<V *>(p), v); }
  static SORVEX_VECTOR_INLINE V Zero() { return _mm256_setzero_si256(); }
  static SORVEX_VECTOR_INLINE V Set8(int32_t value) { return _mm256_set1_epi8(static_cast<char>(value)); }
  static SORVEX_VECTOR_INLINE V Set16(int32_t value) { return _mm256_set1_epi16(static_cast<int16_t>(value)); }
  static SORVEX_VECTOR_INLINE V Set32(int32_t value) { return _mm256_set1_epi32(value); }
  static SORVEX_VECTOR_INLINE V Table(__m128i bytes) { return _mm256_broadcastsi128_si256(bytes); }

  static SORVEX_VECTOR_INLINE V And(V a, V b) { return _mm256_and_si256(a, b); }
  static SORVEX_VECTOR_INLINE V AndNot(V a, V b) { return _mm256_andnot_si256(a, b); }
  static SORVEX_VECTOR_INLINE V Or(V a, V b) { return _mm256_or_si256(a, b); }
  static SORVEX_VECTOR_INLINE V Xor(V a, V b) { return _mm256_xor_si256(a, b); }

  static SORVEX_VECTOR_INLINE V Add8(V a, V b) { return _mm256_add_epi8(a, b); }
  static SORVEX_VECTOR_INLINE V Sub8(V a, V b) { return _mm256_sub_epi8(a, b); }
  static SORVEX_VECTOR_INLINE V AddSatU8(V a, V b) { return _mm256_adds_epu8(a, b); }
  static SORVEX_VECTOR_INLINE V SubSatU8(V a, V b) { return _mm256_subs_epu8(a, b); }
  static SORVEX_VECTOR_INLINE V MinU8(V a, V b) { return _mm256_min_epu8(a, b); }
  static SORVEX_VECTOR_INLINE V MaxU8(V a, V b) { return _mm256_max_epu8(a, b); }
  static SORVEX_VECTOR_INLINE V AvgU8(V a, V b) { return _mm256_avg_epu8(a, b); }
  static SORVEX_VECTOR_INLINE V CmpEq8(V a, V b) { return _mm256_cmpeq_epi8(a, b); }

  static SORVEX_VECTOR_INLINE V Add16(V a, V b) { return _mm256_add_epi16(a, b); }
  static SORVEX_VECTOR_INLINE V Sub16(V a, V b) { return _mm256_sub_epi16(a, b); }
  static SORVEX_VECTOR_INLINE V Min16(V a, V b) { return _mm256_min_epi16(a, b); }
  static SORVEX_VECTOR_INLINE V Max16(V a, V b) { return _mm256_max_epi16(a, b); }
  static SORVEX_VECTOR_INLINE V CmpEq16(V a, V b) { return _mm256_cmpeq_epi16(a, b); }
  static SORVEX_VECTOR_INLINE V MulLo16(V a, V b) { return _mm256_mullo_epi16(a, b); }
  static SORVEX_VECTOR_INLINE V MulHiU16(V a, V b) { return _mm256_mulhi_epu16(a, b); }
  static SORVEX_VECTOR_INLINE V MulAdd16(V a, V b) { return _mm256_madd_epi16(a, b); }
  static SORVEX_VECTOR_INLINE V Add32(V a, V b) { return _mm256_add_epi32(a, b); }

  static SORVEX_VECTOR_INLINE V Shl16(V v, int32_t bits) { return _mm256_slli_epi16(v, bits); }
  static SORVEX_VECTOR_INLINE V Shr16(V v, int32_t bits) { return _mm256_srli_epi16(v, bits); }
  static SORVEX_VECTOR_INLINE V Sar16(V v, int32_t bits) { return _mm256_srai_epi16(v, bits); }
  static SORVEX_VECTOR_INLINE V Shl32(V v, int32_t bits) { return _mm256_slli_epi32(v, bits); }
  static SORVEX_VECTOR_INLINE V Shr32(V v, int32_t bits) { return _mm256_srli_epi32(v, bits); }
  static SORVEX_VECTOR_INLINE V Sar32(V v, int32_t bits) { return _mm256_srai_epi32(v, bits); }
  static SORVEX_VECTOR_INLINE V ZipHalves8(V v) { return _mm256_unpacklo_epi8(v, _mm256_srli_si256(v, 8)); }

  static SORVEX_VECTOR_INLINE V PackUs16(V a, V b) { return _mm256_packus_epi16(a, b); }
  static SORVEX_VECTOR_INLINE V PackS32(V a, V b) { return _mm256_packs_epi32(a, b); }
  static SORVEX_VECTOR_INLINE V UnpackLo8(V a, V b) { return _mm256_unpacklo_epi8(a, b); }
  static SORVEX_VECTOR_INLINE V UnpackHi8(V a, V b) { return _mm256_unpackhi_epi8(a, b); }
  static SORVEX_VECTOR_INLINE V UnpackLo16(V a, V b) { return _mm256_unpacklo_epi16(a, b); }
  static SORVEX_VECTOR_INLINE V UnpackHi16(V a, V b) { return _mm256_unpackhi_epi16(a, b); }

  // A pack of a and b holds a's first half, b's first half, a's second
  // half, b's second half, in 64-bit quarters: the middle two swap.
  static SORVEX_VECTOR_INLINE V InOrder(V packed) { return _mm256_permute4x64_epi64(packed, 0xD8); }
  // The low unpack holds the first and third quarter of the result, the
  // high unpack the second and fourth.
  static SORVEX_VECTOR_INLINE void InOrderPair(V low, V high, V *first, V *second) {
    *first = _mm256_permute2x128_si256(low, high, 0x20);
    *second = _mm256_permute2x128_si256(low, high, 0x31);
  }

  static SORVEX_VECTOR_INLINE bool AnyNonZero(V v) { return _mm256_testz_si256(v, v) == 0; }

  // The table's 16 bytes in each half.
  static SORVEX_VECTOR_INLINE V Shuffle8(V table, V indices) { return _mm256_shuffle_epi8(table, indices); }
};

}  // namespace
}  // namespace sorvex1
