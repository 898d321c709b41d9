// The SSSE3 forms of the row kernels where byte shuffles pay: the bitmap's
// three-byte pixels put together by shuffles, and the denoise's
// reciprocals looked up by one.
#include "filter_body.h"
#include "lanes128.h"
#include "row_kernels.h"
#include "yuv_body.h"

namespace sorvex1 {
namespace ssse3 {

typedef Lanes128 L;

int32_t YuyvToBgr(const uint8_t *yuyv, int32_t width, uint8_t *bgr) {
  return YuyvToBgrBody<L, StoreBgrByShuffles>(yuyv, width, bgr);
}

void DenoiseLine(const uint8_t *above, const uint8_t *centre, const uint8_t *below, int32_t width, int32_t lumaSigma,
                 int32_t chromaSigma, uint8_t *out) {
  DenoiseLineBody<L, LookedUpReciprocals<L>>(above, centre, below, width, lumaSigma, chromaSigma, out);
}

}  // namespace ssse3
}  // namespace sorvex1
