// The SSSE3 form of the zoom's row widening (zoom_kernels.h): each chunk of
// 16 output bytes is its 16 source bytes as they are, one byte shuffle of
// them, or two shuffles and their byte-wise mean, half dropped.
#include <tmmintrin.h>

#include "zoom/zoom_kernels.h"

namespace sorvex0 {

namespace zoom {

namespace ssse3 {

void WidenPeriods(const WidenShuffle &shuffle, const uint8_t *windowRow, uint8_t *frameRow, uint32_t periods) {
  const __m128i low7 = _mm_set1_epi8(0x7F);
  // Held apart from the table: the stores below could otherwise be taken to
  // change it.
  const ShuffleChunk *const chunks = shuffle.chunks;
  const uint32_t chunkCount = shuffle.chunkCount;
  const uint32_t periodInputBytes = shuffle.periodInputBytes;
  for (uint32_t p = 0; p < periods; ++p) {
    for (uint32_t c = 0; c < chunkCount; ++c) {
      const ShuffleChunk &chunk = chunks[c];
      __m128i out = _mm_loadu_si128(reinterpret_cast<const __m128i *>(windowRow + chunk.input));
      if (chunk.kind != kChunkCopy) {
        const __m128i source = out;
        out = _mm_shuffle_epi8(source, _mm_load_si128(reinterpret_cast<const __m128i *>(chunk.first)));
        if (chunk.kind == kChunkMean) {
          const __m128i b = _mm_shuffle_epi8(source, _mm_load_si128(reinterpret_cast<const __m128i *>(chunk.second)));
          const __m128i half = _mm_and_si128(_mm_srli_epi16(_mm_xor_si128(out, b), 1), low7);
          out = _mm_add_epi8(_mm_and_si128(out, b), half);
        }
      }
      _mm_storeu_si128(reinterpret_cast<__m128i *>(frameRow + c * kShuffleChunkBytes), out);
    }
    windowRow += periodInputBytes;
    frameRow += chunkCount * kShuffleChunkBytes;
  }
}

}  // namespace ssse3

}  // namespace zoom

}  // namespace sorvex0
