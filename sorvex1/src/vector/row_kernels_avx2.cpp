// The AVX2 forms of the row kernels: the bodies on 256-bit vectors. Built
// for the host only: the drivers save the legacy floating-point state,
// which does not hold the AVX registers.
#include "demosaic_body.h"
#include "filter_body.h"
#include "lanes256.h"
#include "raw_body.h"
#include "row_kernels.h"
#include "yuv_body.h"

namespace sorvex1 {
namespace {

// Each half holds sixteen pixels; its three 16-byte thirds of output come
// from the byte shuffles, then the halves' thirds are put in order.
void StoreBgrByShuffles256(const BgrBytes<Lanes256> &pixels, uint8_t *bgr) {
  __m256i first, second, third;
  BgrThirds<Lanes256>(pixels, &first, &second, &third);
  Lanes256::Store(bgr, _mm256_permute2x128_si256(first, second, 0x20));
  Lanes256::Store(bgr + 32, _mm256_permute2x128_si256(third, first, 0x30));
  Lanes256::Store(bgr + 64, _mm256_permute2x128_si256(second, third, 0x31));
}

}  // namespace

namespace avx2 {

typedef Lanes256 L;
constexpr auto StoreBgr = StoreBgrByShuffles256;
constexpr auto LookUpReciprocals = LookedUpReciprocals<L>;

#include "row_kernel_forms.h"

}  // namespace avx2
}  // namespace sorvex1
