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

// Output byte i of 48 (16 pixels, blue green red) from the 16 bytes of
// colour `colour`: its pixel there, or 0x80 (zero) for the other colours.
constexpr uint8_t PlaneByte(uint32_t i, uint32_t colour) {
  return i % 3 == colour ? static_cast<uint8_t>(i / 3) : 0x80;
}

struct PlaneMasks {
  alignas(16) uint8_t bytes[3][3][16];  // [output chunk][colour]
};

constexpr PlaneMasks MakePlaneMasks() {
  PlaneMasks masks{};
  for (uint32_t chunk = 0; chunk < 3; ++chunk) {
    for (uint32_t colour = 0; colour < 3; ++colour) {
      for (uint32_t b = 0; b < 16; ++b) masks.bytes[chunk][colour][b] = PlaneByte(16 * chunk + b, colour);
    }
  }
  return masks;
}

constexpr PlaneMasks kPlaneMasks = MakePlaneMasks();

__attribute__((always_inline)) inline __m128i Load(const uint8_t *p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
}

// The means of a pixel's neighbours as bytes: (a + b) >> 1 and
// (a + b + c + d) >> 2, the sums in 16-bit lanes.
__attribute__((always_inline)) inline __m128i MeanOfTwo(__m128i a, __m128i b) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i low = _mm_srli_epi16(_mm_add_epi16(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero)), 1);
  const __m128i high = _mm_srli_epi16(_mm_add_epi16(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero)), 1);
  return _mm_packus_epi16(low, high);
}

__attribute__((always_inline)) inline __m128i MeanOfFour(__m128i a, __m128i b, __m128i c, __m128i d) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i low = _mm_add_epi16(_mm_add_epi16(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero)),
                                    _mm_add_epi16(_mm_unpacklo_epi8(c, zero), _mm_unpacklo_epi8(d, zero)));
  const __m128i high = _mm_add_epi16(_mm_add_epi16(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero)),
                                     _mm_add_epi16(_mm_unpackhi_epi8(c, zero), _mm_unpackhi_epi8(d, zero)));
  return _mm_packus_epi16(_mm_srli_epi16(low, 2), _mm_srli_epi16(high, 2));
}

// Even pixels (bytes) from `even`, odd ones from `odd`.
__attribute__((always_inline)) inline __m128i Alternate(__m128i even, __m128i odd) {
  const __m128i evenBytes = _mm_set1_epi16(0x00FF);
  return _mm_or_si128(_mm_and_si128(evenBytes, even), _mm_andnot_si128(evenBytes, odd));
}

__attribute__((always_inline)) inline __m128i Interleaved(__m128i blue, __m128i green, __m128i red, uint32_t chunk) {
  const __m128i b = _mm_shuffle_epi8(blue, _mm_load_si128(reinterpret_cast<const __m128i *>(kPlaneMasks.bytes[chunk][0])));
  const __m128i g = _mm_shuffle_epi8(green, _mm_load_si128(reinterpret_cast<const __m128i *>(kPlaneMasks.bytes[chunk][1])));
  const __m128i r = _mm_shuffle_epi8(red, _mm_load_si128(reinterpret_cast<const __m128i *>(kPlaneMasks.bytes[chunk][2])));
  return _mm_or_si128(_mm_or_si128(b, g), r);
}

}  // namespace

// Sixteen pixels a step (from an even one, so that even bytes are the
// line's first colour): every mean for every pixel, each pixel's picked by
// its column, then the three colours placed by byte shuffles.
void BayerLineToBgr(const uint8_t *above, const uint8_t *line, const uint8_t *below, uint32_t first, uint32_t end,
                    bool greenBlueLine, uint8_t *bgr) {
  uint32_t x = first;
  for (; x + 16 <= end; x += 16) {
    const __m128i centre = Load(line + x);
    const __m128i left = Load(line + x - 1);
    const __m128i right = Load(line + x + 1);
    const __m128i up = Load(above + x);
    const __m128i down = Load(below + x);
    const __m128i horizontal = MeanOfTwo(left, right);
    const __m128i vertical = MeanOfTwo(up, down);
    const __m128i cross = MeanOfFour(left, right, up, down);
    const __m128i diagonal = MeanOfFour(Load(above + x - 1), Load(above + x + 1), Load(below + x - 1), Load(below + x + 1));
    __m128i blue, green, red;
    if (greenBlueLine) {
      blue = Alternate(horizontal, centre);
      green = Alternate(centre, cross);
      red = Alternate(vertical, diagonal);
    } else {
      blue = Alternate(diagonal, vertical);
      green = Alternate(cross, centre);
      red = Alternate(centre, horizontal);
    }
    uint8_t *out = bgr + 3 * x;
    for (uint32_t chunk = 0; chunk < 3; ++chunk) {
      _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 16 * chunk), Interleaved(blue, green, red, chunk));
    }
  }
  scalar::BayerLineToBgr(above, line, below, x, end, greenBlueLine, bgr);
}

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
