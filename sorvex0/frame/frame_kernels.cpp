#include "frame/frame_kernels.h"

#include "sorvex_kernel.h"

namespace sorvex0 {

namespace {

constexpr FrameKernels kScalarKernels = {scalar::DecimateTopRow, scalar::DecimateBottomRow,
                                         scalar::BayerCellsToBgr};
#if defined(__i386__) || defined(__x86_64__)
constexpr FrameKernels kSse2Kernels = {sse2::DecimateTopRow, sse2::DecimateBottomRow, scalar::BayerCellsToBgr};
constexpr FrameKernels kSsse3Kernels = {sse2::DecimateTopRow, sse2::DecimateBottomRow, ssse3::BayerCellsToBgr};
#endif

}  // namespace

const FrameKernels &FrameKernelsFor(uint32_t vectorSets) {
#if defined(__i386__) || defined(__x86_64__)
  if ((vectorSets & SORVEX_VECTOR_SSSE3) != 0) return kSsse3Kernels;
  if ((vectorSets & SORVEX_VECTOR_SSE2) != 0) return kSse2Kernels;
#endif
  (void)vectorSets;
  return kScalarKernels;
}

namespace scalar {

// Top-left green from the two greens on the block's diagonal; top-right red
// weighted 5:1:1:1 toward the sample nearest the cell.
void DecimateTopRow(const uint8_t *const lines[4], uint8_t *out, uint32_t blocks) {
  for (uint32_t m = 0; m < blocks; ++m) {
    const uint32_t j = 4 * m;
    const uint8_t left = static_cast<uint8_t>((lines[0][j] + lines[1][j + 1]) / 2);
    const uint8_t right =
        static_cast<uint8_t>((5 * lines[0][j + 1] + lines[0][j + 3] + lines[2][j + 1] + lines[2][j + 3]) / 8);
    out[2 * m] = left;
    out[2 * m + 1] = right;
  }
}

// Bottom-left blue weighted 5:1:1:1; bottom-right green from the diagonal.
void DecimateBottomRow(const uint8_t *const lines[4], uint8_t *out, uint32_t blocks) {
  for (uint32_t m = 0; m < blocks; ++m) {
    const uint32_t j = 4 * m;
    const uint8_t left =
        static_cast<uint8_t>((5 * lines[1][j] + lines[1][j + 2] + lines[3][j] + lines[3][j + 2]) / 8);
    const uint8_t right = static_cast<uint8_t>((lines[2][j + 2] + lines[3][j + 3]) / 2);
    out[2 * m] = left;
    out[2 * m + 1] = right;
  }
}

void BayerCellsToBgr(const uint8_t *upper, const uint8_t *lower, uint32_t cells, uint8_t *bgr) {
  for (uint32_t j = 0; j < cells; ++j) {
    bgr[3 * j] = upper[2 * j + 1];
    bgr[3 * j + 1] = upper[2 * j];
    bgr[3 * j + 2] = lower[2 * j];
  }
}

}  // namespace scalar

}  // namespace sorvex0
