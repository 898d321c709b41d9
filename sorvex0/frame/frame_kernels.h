// The frame stages' row kernels that come in more than one form: the scalar
// form (the reference, on general registers only) and vector forms in units
// of their own (frame/vector/), each built for its instruction set and
// giving the same bytes. The stages take the vector sets the export call
// may use (core/kernel_section.h hands them down); sets 0 run the scalar
// forms.
//
// The vector units include this header: types and declarations only.
#pragma once

#include <stdint.h>

namespace sorvex0 {

// The 2:1 Bayer decimation of `blocks` whole 4 x 4 blocks of a group of
// four lines (frame/bayer_decimation.h): the top row of 2 blocks output
// bytes from lines 0 to 2, the bottom row from lines 1 to 3. `out` may be
// line 0 or lie before it (the decimation runs in place): every block is
// read before its two bytes are written.
typedef void (*DecimateRowKernel)(const uint8_t *const lines[4], uint8_t *out, uint32_t blocks);
// The half-size preview (frame/preview_bitmap.h) of `cells` 2 x 2 cells of
// a line pair: cell j is blue (upper, 2j + 1), green (upper, 2j), red
// (lower, 2j), three bytes of `bgr` each.
typedef void (*BayerCellsToBgrKernel)(const uint8_t *upper, const uint8_t *lower, uint32_t cells, uint8_t *bgr);
// The full-size preview's bilinear pixels first .. end - 1 of a line (first
// even, 1 <= first, end + 1 <= the line's width): each colour the pixel
// lacks is the mean of its nearest samples of that colour (the four across
// or the four diagonal ones, the two on the line or the two in the column),
// into bgr + 3 x. Green-blue lines start green, red-green lines red.
typedef void (*BayerLineToBgrKernel)(const uint8_t *above, const uint8_t *line, const uint8_t *below, uint32_t first,
                                     uint32_t end, bool greenBlueLine, uint8_t *bgr);

struct FrameKernels {
  DecimateRowKernel decimateTopRow;
  DecimateRowKernel decimateBottomRow;
  BayerCellsToBgrKernel bayerCellsToBgr;
  BayerLineToBgrKernel bayerLineToBgr;
};

// The best forms the vector sets (SORVEX_VECTOR_* bits) allow.
const FrameKernels &FrameKernelsFor(uint32_t vectorSets);

#define SORVEX0_DECIMATE_KERNEL_FORMS                                               \
  void DecimateTopRow(const uint8_t *const lines[4], uint8_t *out, uint32_t blocks); \
  void DecimateBottomRow(const uint8_t *const lines[4], uint8_t *out, uint32_t blocks);
#define SORVEX0_BAYER_CELLS_KERNEL_FORMS                                                           \
  void BayerCellsToBgr(const uint8_t *upper, const uint8_t *lower, uint32_t cells, uint8_t *bgr); \
  void BayerLineToBgr(const uint8_t *above, const uint8_t *line, const uint8_t *below, uint32_t first, \
                      uint32_t end, bool greenBlueLine, uint8_t *bgr);

namespace scalar {
SORVEX0_DECIMATE_KERNEL_FORMS
SORVEX0_BAYER_CELLS_KERNEL_FORMS
}  // namespace scalar
namespace sse2 {
SORVEX0_DECIMATE_KERNEL_FORMS
}  // namespace sse2
namespace ssse3 {  // the cells' three bytes placed by byte shuffles
SORVEX0_BAYER_CELLS_KERNEL_FORMS
}  // namespace ssse3

}  // namespace sorvex0
