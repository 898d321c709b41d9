// Which form of each row kernel an instance runs.
#include "row_kernels.h"
#include "sorvex_kernel.h"

namespace sorvex1 {
namespace {

constexpr RowKernels kScalarRowKernels = {
    scalar::SplitRawLine,    scalar::DemosaicGreenBluePairs, scalar::DemosaicRedGreenPairs, scalar::HalveRgbLinePair,
    scalar::RgbToYuyvLine,   scalar::YuyvToBgr,              scalar::YuyvToI420,            scalar::DenoiseLine,
    scalar::SharpenLine, scalar::ScreenDefects,          scalar::ShadingGains,          false};

}  // namespace

const RowKernels &ScalarRowKernels() { return kScalarRowKernels; }

RowKernels RowKernelsFor(uint32_t vectorSets) {
  RowKernels kernels = kScalarRowKernels;
#if defined(__i386__) || defined(__x86_64__)
  if ((vectorSets & SORVEX_VECTOR_SSE2) != 0) {
    kernels.splitRawLine = sse2::SplitRawLine;
    kernels.demosaicGreenBluePairs = sse2::DemosaicGreenBluePairs;
    kernels.demosaicRedGreenPairs = sse2::DemosaicRedGreenPairs;
    kernels.halveRgbLinePair = sse2::HalveRgbLinePair;
    kernels.rgbToYuyvLine = sse2::RgbToYuyvLine;
    kernels.yuyvToBgr = sse2::YuyvToBgr;
    kernels.yuyvToI420 = sse2::YuyvToI420;
    kernels.denoiseLine = sse2::DenoiseLine;
    kernels.sharpenLine = sse2::SharpenLine;
    kernels.screenDefects = sse2::ScreenDefects;
    kernels.shadingGains = sse2::ShadingGains;
    kernels.usesVectorRegisters = true;
    // Each set builds on the one before it.
    if ((vectorSets & SORVEX_VECTOR_SSSE3) != 0) {
      kernels.yuyvToBgr = ssse3::YuyvToBgr;
      kernels.denoiseLine = ssse3::DenoiseLine;
    }
#if defined(SORVEX1_AVX2_FORMS)
    // The host build only: the drivers save the legacy state, which does not
    // hold the AVX registers (the host keeps its processes' state whole).
    if ((vectorSets & SORVEX_VECTOR_AVX2) != 0 && (vectorSets & SORVEX_VECTOR_SSSE3) != 0) {
      kernels.splitRawLine = avx2::SplitRawLine;
      kernels.demosaicGreenBluePairs = avx2::DemosaicGreenBluePairs;
      kernels.demosaicRedGreenPairs = avx2::DemosaicRedGreenPairs;
      kernels.halveRgbLinePair = avx2::HalveRgbLinePair;
      kernels.rgbToYuyvLine = avx2::RgbToYuyvLine;
      kernels.yuyvToBgr = avx2::YuyvToBgr;
      kernels.yuyvToI420 = avx2::YuyvToI420;
      kernels.denoiseLine = avx2::DenoiseLine;
      kernels.sharpenLine = avx2::SharpenLine;
      kernels.screenDefects = avx2::ScreenDefects;
      kernels.shadingGains = avx2::ShadingGains;
    }
#endif
  }
#else
  (void)vectorSets;
#endif
  return kernels;
}

}  // namespace sorvex1
