// The row kernels that come in more than one form. The scalar forms are the
// reference, and what runs when the processor has no vector registers or the
// kernel cannot save them; each vector form lives in a translation unit of
// its own, built for its instruction set, and gives the same bytes. An
// instance picks one form per kernel when it starts (RowKernelsFor) and runs
// them between a save and a restore of the floating-point state, once per
// export call (kernel_section.h).
//
// The vector units include this header: it holds types and declarations
// only. An inline function defined here and compiled into a vector unit
// could become the one copy the linker keeps for every caller, carrying
// vector instructions into code that runs without the save.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace sorvex1 {

// A line of RGB as three arrays of `width` bytes each.
struct RgbPlanes {
  uint8_t *red;
  uint8_t *green;
  uint8_t *blue;
};

// The five raw lines around the line being demosaiced, each split into its
// even and odd columns: even[line][j] is column 2j, odd[line][j] column
// 2j + 1 (line 2 is the pixel's own).
constexpr int32_t kDemosaicWindowLines = 5;
struct SplitWindowLines {
  const int16_t *even[kDemosaicWindowLines];
  const int16_t *odd[kDemosaicWindowLines];
};
// The fewest pixel pairs a demosaic kernel is given.
constexpr int32_t kDemosaicKernelMinPairs = 16;

// Where two YUYV lines go in an I420 image: each line's luma and the pair's
// chroma.
struct I420LinePair {
  uint8_t *upperLuma;
  uint8_t *lowerLuma;
  uint8_t *u;
  uint8_t *v;
};

// The 3x3 filters' kernels take a whole YUYV line of at least
// kFilterKernelMinWidth pixels; narrower lines take the scalar forms.
constexpr int32_t kFilterKernelMinWidth = 24;

// Samples screened for defects per call of the screen.
constexpr int32_t kScreenBlock = 64;

// Splits a raw line of `width` samples into its even columns ((width + 1) / 2
// of them) and odd columns (width / 2), as 16-bit samples.
typedef void (*SplitRawLineKernel)(const uint8_t *line, int32_t width, int16_t *even, int16_t *odd);
// Demosaics pixel pairs first .. end - 1 of a line (end - first >=
// kDemosaicKernelMinPairs; pair p is columns 2p and 2p + 1, and its window,
// columns 2p - 2 .. 2p + 3, lies inside the line) into the planes.
typedef void (*DemosaicPairsKernel)(const SplitWindowLines &lines, int32_t first, int32_t end,
                                    const RgbPlanes &out);
// Halves two lines of 2 * width pixels both ways into `width` pixels: each
// the rounded mean (a + b + c + d + 2) / 4 of its 2x2 samples.
typedef void (*HalveRgbLinePairKernel)(const RgbPlanes &upper, const RgbPlanes &lower, int32_t width,
                                       const RgbPlanes &out);
// `width` RGB pixels to a YUYV line through the YUV matrix (rgb_to_yuyv_row.h).
typedef void (*RgbToYuyvLineKernel)(const RgbPlanes &rgb, int32_t width, const int32_t *yuvMatrix, uint8_t *yuyv);
// Converts the first pixels of a YUYV line to 24-bit BGR and returns how
// many (a whole number of pairs, at most width); the caller does the rest.
typedef int32_t (*YuyvToBgrKernel)(const uint8_t *yuyv, int32_t width, uint8_t *bgr);
// Converts the first pixel pairs of two YUYV lines to I420 and returns how
// many (at most `pairs`); the caller does the rest.
typedef int32_t (*YuyvToI420Kernel)(const uint8_t *upper, const uint8_t *lower, int32_t pairs,
                                    const I420LinePair &out);
// Denoises a YUYV line with the given sigmas of luma and chroma into `out`
// (denoise.cpp): above, centre and below are unfiltered lines.
typedef void (*DenoiseLineKernel)(const uint8_t *above, const uint8_t *centre, const uint8_t *below, int32_t width,
                                  int32_t lumaSigma, int32_t chromaSigma, uint8_t *out);
// Sharpens the luma of a YUYV line by amount256 / 256 into `out` (sharpen.cpp).
typedef void (*SharpenLineKernel)(const uint8_t *above, const uint8_t *centre, const uint8_t *below, int32_t width,
                                  int32_t amount256, uint8_t *out);
// Screens raw samples x .. x + kScreenBlock - 1 of a line (2 <= x and
// x + kScreenBlock + 2 <= width; above and below are the same-colour lines
// two up and two down): marks[i] := 1 when sample x + i lies outside its
// eight neighbours' range widened by base plus their spread >> spreadShift
// (0 or 1), else 0. Returns whether any is marked.
typedef bool (*ScreenDefectsKernel)(const uint8_t *above, const uint8_t *line, const uint8_t *below, int32_t x,
                                    uint8_t base, int32_t spreadShift, uint8_t *marks);
// line[x] := min(255, v + (v * gains[x] + 64) >> 7) with v = line[x].
typedef void (*ShadingGainsKernel)(uint8_t *line, const uint8_t *gains, int32_t width);

struct RowKernels {
  SplitRawLineKernel splitRawLine;
  DemosaicPairsKernel demosaicGreenBluePairs;  // even lines: green, blue, green, ...
  DemosaicPairsKernel demosaicRedGreenPairs;   // odd lines: red, green, red, ...
  HalveRgbLinePairKernel halveRgbLinePair;
  RgbToYuyvLineKernel rgbToYuyvLine;
  YuyvToBgrKernel yuyvToBgr;
  YuyvToI420Kernel yuyvToI420;
  DenoiseLineKernel denoiseLine;
  SharpenLineKernel sharpenLine;
  ScreenDefectsKernel screenDefects;
  ShadingGainsKernel shadingGains;
  bool usesVectorRegisters;  // whether any entry is a vector form
};

// The forms for a processor with the given vector sets (SORVEX_VECTOR_*
// bits): for each kernel the best form the sets allow.
RowKernels RowKernelsFor(uint32_t vectorSets);
// Every kernel in its scalar form.
const RowKernels &ScalarRowKernels();

// The forms themselves, each kernel's under its name in a namespace per
// form: scalar, and the vector forms (vector/row_kernels_*.cpp, built on
// x86 only; AVX2 on the host only). A vector form may hand a case it does
// not cover (a matrix with wide coefficients, say) to the scalar form of
// its kernel.
#define SORVEX1_ROW_KERNEL_FORMS                                                                                   \
  void SplitRawLine(const uint8_t *line, int32_t width, int16_t *even, int16_t *odd);                            \
  void DemosaicGreenBluePairs(const SplitWindowLines &lines, int32_t first, int32_t end, const RgbPlanes &out);    \
  void DemosaicRedGreenPairs(const SplitWindowLines &lines, int32_t first, int32_t end, const RgbPlanes &out);     \
  void HalveRgbLinePair(const RgbPlanes &upper, const RgbPlanes &lower, int32_t width, const RgbPlanes &out);     \
  void RgbToYuyvLine(const RgbPlanes &rgb, int32_t width, const int32_t *yuvMatrix, uint8_t *yuyv);               \
  int32_t YuyvToBgr(const uint8_t *yuyv, int32_t width, uint8_t *bgr);                                            \
  int32_t YuyvToI420(const uint8_t *upper, const uint8_t *lower, int32_t pairs, const I420LinePair &out);         \
  void DenoiseLine(const uint8_t *above, const uint8_t *centre, const uint8_t *below, int32_t width,               \
                   int32_t lumaSigma, int32_t chromaSigma, uint8_t *out);                                        \
  void SharpenLine(const uint8_t *above, const uint8_t *centre, const uint8_t *below, int32_t width,               \
                   int32_t amount256, uint8_t *out);                                                             \
  bool ScreenDefects(const uint8_t *above, const uint8_t *line, const uint8_t *below, int32_t x, uint8_t base,   \
                     int32_t spreadShift, uint8_t *marks);                                                       \
  void ShadingGains(uint8_t *line, const uint8_t *gains, int32_t width);

namespace scalar {
SORVEX1_ROW_KERNEL_FORMS
}  // namespace scalar
namespace sse2 {
SORVEX1_ROW_KERNEL_FORMS
}  // namespace sse2
namespace ssse3 {  // the bitmap and the denoise only
SORVEX1_ROW_KERNEL_FORMS
}  // namespace ssse3
namespace avx2 {
SORVEX1_ROW_KERNEL_FORMS
}  // namespace avx2

}  // namespace sorvex1
