// The SSSE3 forms of the frame stages' row kernels (frame_kernels.h).
#include <tmmintrin.h>

#include "frame/frame_kernels.h"

namespace sorvex0 {

namespace ssse3 {

namespace {

// Output byte i of 48 (16 cells, blue green red) from the 16 bytes of cells
// first .. first + 7 of one line: its index there, or 0x80 (zero) when the
// byte comes from the other line.
constexpr uint8_t CellByte(uint32_t i, uint32_t first, bool upper) {
  const uint32_t cell = i / 3 - first;
  const uint32_t colour = i % 3;  // 0 blue (upper, odd column), 1 green (upper), 2 red (lower)
  if (upper == (colour == 2)) return 0x80;
  return static_cast<uint8_t>(2 * cell + (colour == 0 ? 1 : 0));
}

struct CellMasks {
  alignas(16) uint8_t upper[3][16];
  alignas(16) uint8_t lower[3][16];
};

// The three output chunks take cells 0-5, 5-10 and 10-15: from the first
// eight cells, cells 4 to 11, and the last eight.
constexpr uint32_t kChunkFirstCell[3] = {0, 4, 8};

constexpr CellMasks MakeCellMasks() {
  CellMasks masks{};
  for (uint32_t chunk = 0; chunk < 3; ++chunk) {
    for (uint32_t b = 0; b < 16; ++b) {
      masks.upper[chunk][b] = CellByte(16 * chunk + b, kChunkFirstCell[chunk], true);
      masks.lower[chunk][b] = CellByte(16 * chunk + b, kChunkFirstCell[chunk], false);
    }
  }
  return masks;
}

constexpr CellMasks kCellMasks = MakeCellMasks();

__attribute__((always_inline)) inline __m128i Mask(const uint8_t *bytes) {
  return _mm_load_si128(reinterpret_cast<const __m128i *>(bytes));
}

__attribute__((always_inline)) inline __m128i Chunk(__m128i upper, __m128i lower, uint32_t chunk) {
  return _mm_or_si128(_mm_shuffle_epi8(upper, Mask(kCellMasks.upper[chunk])),
                      _mm_shuffle_epi8(lower, Mask(kCellMasks.lower[chunk])));
}

}  // namespace

// Sixteen cells a step: 32 bytes of each line to 48 output bytes.
void BayerCellsToBgr(const uint8_t *upper, const uint8_t *lower, uint32_t cells, uint8_t *bgr) {
  uint32_t j = 0;
  for (; j + 16 <= cells; j += 16) {
    const __m128i u0 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(upper + 2 * j));
    const __m128i u1 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(upper + 2 * j + 16));
    const __m128i l0 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(lower + 2 * j));
    const __m128i l1 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(lower + 2 * j + 16));
    uint8_t *out = bgr + 3 * j;
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out), Chunk(u0, l0, 0));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 16),
                     Chunk(_mm_alignr_epi8(u1, u0, 8), _mm_alignr_epi8(l1, l0, 8), 1));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 32), Chunk(u1, l1, 2));
  }
  scalar::BayerCellsToBgr(upper + 2 * j, lower + 2 * j, cells - j, bgr + 3 * j);
}

}  // namespace ssse3

}  // namespace sorvex0
