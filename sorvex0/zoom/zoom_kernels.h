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

struct ZoomKernels {
  MeanRowsKernel meanRows;
  DoubleYuyvPairsKernel doubleYuyvPairs;
};

// The best forms the vector sets (SORVEX_VECTOR_* bits) allow.
const ZoomKernels &ZoomKernelsFor(uint32_t vectorSets);

#define SORVEX0_ZOOM_KERNEL_FORMS                                                    \
  void MeanRows(uint8_t *out, const uint8_t *a, const uint8_t *b, size_t bytes); \
  void DoubleYuyvPairs(const uint8_t *row, uint32_t count, uint8_t *out);

namespace scalar {
SORVEX0_ZOOM_KERNEL_FORMS
}  // namespace scalar
namespace sse2 {
SORVEX0_ZOOM_KERNEL_FORMS
}  // namespace sse2
namespace avx2 {  // the host build only
SORVEX0_ZOOM_KERNEL_FORMS
}  // namespace avx2

}  // namespace zoom

}  // namespace sorvex0
