// The zoom's inner loops that come in more than one form: the scalar form
// (the reference, on general registers only) and vector forms in units of
// their own (zoom/vector/), each built for its instruction set and giving
// the same bytes. The zoom's entry points take the vector sets the export
// call may use (core/kernel_section.h hands them down) and pick the forms by
// them; sets 0 run the scalar forms.
//
// The vector units include this header: types and declarations only (an
// inline function compiled into a vector unit could become the copy every
// caller runs).
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace sorvex0 {

namespace zoom {

// out[i] = (a[i] + b[i]) >> 1 for `bytes` bytes; out may be a or b itself.
typedef void (*MeanRowsKernel)(uint8_t *out, const uint8_t *a, const uint8_t *b, size_t bytes);
// Doubles `count` YUYV pairs of a row: pair p (Y0 U Y1 V) becomes (Y0, U,
// mean(Y0, Y1), V) and (Y1, U, mean(Y1, next Y0), V), the next Y0 being the
// first luma of the pair after it (so count + 1 pairs are read). `out`
// (8 count bytes) does not overlap the row.
typedef void (*DoubleYuyvPairsKernel)(const uint8_t *row, uint32_t count, uint8_t *out);

// A level's row widening as byte shuffles (zoom/widen_shuffle.h builds them
// from the level tables): every output byte is a copy of a source byte or
// the mean of two, so 16 output bytes are two shuffles of the 16 source
// bytes they come from and a mean. The chunks run through one period: the
// fewest whole groups that fill whole chunks.
constexpr uint32_t kShuffleChunkBytes = 16;
// What a chunk needs: its 16 source bytes as they are (most chunks of the
// levels near 1), one shuffle (no means), or two and their mean.
enum ShuffleChunkKind : uint8_t { kChunkCopy, kChunkShuffle, kChunkMean };
struct alignas(16) ShuffleChunk {
  uint8_t first[kShuffleChunkBytes];   // each output byte's source among the chunk's 16
  uint8_t second[kShuffleChunkBytes];  // the same as first for a copied byte
  uint32_t input;                      // where the chunk's 16 source bytes start in the period
  ShuffleChunkKind kind;
};
struct WidenShuffle {
  const ShuffleChunk *chunks;
  uint32_t chunkCount;        // a period writes chunkCount * kShuffleChunkBytes bytes
  uint32_t periodGroups;      // ... from this many groups
  uint32_t periodInputBytes;  // ... of this many source bytes
  uint32_t loadEnd;           // the end of the furthest load of a period, from its start
};
// Widens `periods` whole periods of a window row into a frame row (which do
// not overlap); every load ends within loadEnd of its period's start.
typedef void (*WidenPeriodsKernel)(const WidenShuffle &shuffle, const uint8_t *windowRow, uint8_t *frameRow,
                                   uint32_t periods);

struct ZoomKernels {
  MeanRowsKernel meanRows;
  DoubleYuyvPairsKernel doubleYuyvPairs;
  WidenPeriodsKernel widenPeriods;  // null without a byte shuffle (SSSE3)
};

// The best forms the vector sets (SORVEX_VECTOR_* bits) allow.
const ZoomKernels &ZoomKernelsFor(uint32_t vectorSets);

// Widens the first groups of a row of `groups` groups of `groupInBytes`
// source bytes by `shuffle` (none without the kernel or the table) and
// returns how many: whole periods, never the row's last group (a mean that
// reaches into the next group has none there), and no load past the row's
// source bytes. The caller's scalar kernel does the rest.
uint32_t WidenByShuffle(const ZoomKernels &kernels, const WidenShuffle *shuffle, const uint8_t *row, uint8_t *out,
                        uint32_t groups, uint32_t groupInBytes);

#define SORVEX0_ZOOM_KERNEL_FORMS                                                    \
  void MeanRows(uint8_t *out, const uint8_t *a, const uint8_t *b, size_t bytes); \
  void DoubleYuyvPairs(const uint8_t *row, uint32_t count, uint8_t *out);

namespace scalar {
SORVEX0_ZOOM_KERNEL_FORMS
}  // namespace scalar
namespace sse2 {
SORVEX0_ZOOM_KERNEL_FORMS
}  // namespace sse2
namespace ssse3 {
void WidenPeriods(const WidenShuffle &shuffle, const uint8_t *windowRow, uint8_t *frameRow, uint32_t periods);
}  // namespace ssse3
namespace avx2 {  // the host build only
SORVEX0_ZOOM_KERNEL_FORMS
}  // namespace avx2

}  // namespace zoom

}  // namespace sorvex0
