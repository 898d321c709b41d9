#include "frame/frame_kernels.h"

#include "sorvex_kernel.h"

namespace sorvex0 {

namespace {

constexpr FrameKernels kScalarKernels = {scalar::DecimateTopRow, scalar::DecimateBottomRow,
                                         scalar::BayerCellsToBgr, scalar::BayerLineToBgr};
#if defined(__i386__) || defined(__x86_64__)
constexpr FrameKernels kSse2Kernels = {sse2::DecimateTopRow, sse2::DecimateBottomRow, scalar::BayerCellsToBgr,
                                       scalar::BayerLineToBgr};
constexpr FrameKernels kSsse3Kernels = {sse2::DecimateTopRow, sse2::DecimateBottomRow, ssse3::BayerCellsToBgr,
                                        ssse3::BayerLineToBgr};
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

void BayerLineToBgr(const uint8_t *above, const uint8_t *line, const uint8_t *below, uint32_t first, uint32_t end,
                    bool greenBlueLine, uint8_t *bgr) {
  for (uint32_t x = first; x < end; ++x) {
    const uint32_t c = line[x];
    const uint32_t left = line[x - 1], right = line[x + 1], up = above[x], down = below[x];
    const uint32_t horizontal = (left + right) >> 1;
    const uint32_t vertical = (up + down) >> 1;
    const uint32_t cross = (left + right + up + down) >> 2;
    const uint32_t diagonal =
        (static_cast<uint32_t>(above[x - 1]) + above[x + 1] + below[x - 1] + below[x + 1]) >> 2;
    const bool even = (x & 1) == 0;
    uint32_t blue, green, red;
    if (greenBlueLine) {
      // Green, then blue; blue beside a green, red above and below it.
      blue = even ? horizontal : c;
      green = even ? c : cross;
      red = even ? vertical : diagonal;
    } else {
      // Red, then green; red beside a green, blue above and below it.
      blue = even ? diagonal : vertical;
      green = even ? cross : c;
      red = even ? c : horizontal;
    }
    bgr[3 * x] = static_cast<uint8_t>(blue);
    bgr[3 * x + 1] = static_cast<uint8_t>(green);
    bgr[3 * x + 2] = static_cast<uint8_t>(red);
  }
}

}  // namespace scalar

}  // namespace sorvex0
