#include "zoom/zoom_kernels.h"

#include "sorvex_kernel.h"
#include "zoom/row_math.h"

// The scalar forms: MeanRows here, DoubleYuyvPairs in doubling.cpp.

namespace sorvex0 {

namespace zoom {

namespace {

constexpr ZoomKernels kScalarKernels = {scalar::MeanRows, scalar::DoubleYuyvPairs, nullptr};
#if defined(__i386__) || defined(__x86_64__)
constexpr ZoomKernels kSse2Kernels = {sse2::MeanRows, sse2::DoubleYuyvPairs, nullptr};
constexpr ZoomKernels kSsse3Kernels = {sse2::MeanRows, sse2::DoubleYuyvPairs, ssse3::WidenPeriods};
#endif
#if defined(SORVEX0_AVX2_FORMS)
// The host build only: the drivers save the legacy floating-point state,
// which does not hold the AVX registers. The widening keeps its 16-byte
// shuffles: their masks change with every chunk, and pairing them into
// 32-byte lanes costs what the wider shuffle saves.
constexpr ZoomKernels kAvx2Kernels = {avx2::MeanRows, avx2::DoubleYuyvPairs, ssse3::WidenPeriods};
#endif

}  // namespace

const ZoomKernels &ZoomKernelsFor(uint32_t vectorSets) {
#if defined(SORVEX0_AVX2_FORMS)
  if ((vectorSets & SORVEX_VECTOR_AVX2) != 0) return kAvx2Kernels;
#endif
#if defined(__i386__) || defined(__x86_64__)
  if ((vectorSets & SORVEX_VECTOR_SSSE3) != 0) return kSsse3Kernels;
  if ((vectorSets & SORVEX_VECTOR_SSE2) != 0) return kSse2Kernels;
#endif
  (void)vectorSets;
  return kScalarKernels;
}

uint32_t WidenByShuffle(const ZoomKernels &kernels, const WidenShuffle *shuffle, const uint8_t *row, uint8_t *out,
                        uint32_t groups, uint32_t groupInBytes) {
  if (kernels.widenPeriods == nullptr || shuffle == nullptr || groups == 0) return 0;
  const size_t rowInputBytes = static_cast<size_t>(groups) * groupInBytes;
  uint32_t periods = (groups - 1) / shuffle->periodGroups;
  while (periods > 0 &&
         static_cast<size_t>(periods - 1) * shuffle->periodInputBytes + shuffle->loadEnd > rowInputBytes) {
    --periods;
  }
  if (periods > 0) kernels.widenPeriods(*shuffle, row, out, periods);
  return periods * shuffle->periodGroups;
}

namespace scalar {

void MeanRows(uint8_t *out, const uint8_t *a, const uint8_t *b, size_t bytes) {
  for (size_t i = 0; i < bytes; ++i) out[i] = MeanOf(a[i], b[i]);
}

}  // namespace scalar

}  // namespace zoom

}  // namespace sorvex0
