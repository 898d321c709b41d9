// Raw Bayer frame to YUYV: demosaic each source line, resample to the
// destination size, then the YUV matrix.
//
// Sizes: the source extents may arrive negated (the caller's sign that the
// source is larger and is to be reduced); their magnitudes are used. Any
// difference between source and destination is resampled per axis: area
// averaging in RGB after demosaicing when reducing (anti-aliased, and it
// works for any ratio, e.g. 1280x960 -> 320x240 or 640x480 -> 352x288),
// linear interpolation when enlarging. Only line-sized scratch is used.
#include "demosaic.h"
#include "kernel_section.h"
#include "library_state.h"
#include "pixel_math.h"
#include "resample_row.h"
#include "rgb_to_yuyv_row.h"
#include "slots.h"
#include "sorvex_kernel.h"

namespace sorvex1 {
namespace {

struct RawFrame {
  const uint8_t *samples;
  int32_t width;
  int32_t height;
};

// Source lines already demosaiced and resampled across, kept for reuse: a
// source line usually feeds two consecutive output lines.
struct AcrossCache {
  uint32_t *lines[2];
  int32_t sourceLine[2];
  int32_t nextSlot;
};

struct ResampleLines {
  DemosaicWalker demosaic;
  RgbPlanes sourceLine;  // the same line as demosaiced
  RgbPlanes outputLine;  // one finished output line
  uint32_t *sum;         // weighted sum of source lines for one output line
  AcrossCache cache;
};

// Three planes of `width` bytes carved from one scratch block.
RgbPlanes CarvePlanes(ScratchCarver *carver, int32_t width) {
  const size_t bytes = static_cast<size_t>(width);
  uint8_t *red = carver->Bytes(bytes);
  uint8_t *green = carver->Bytes(bytes);
  uint8_t *blue = carver->Bytes(bytes);
  return {red, green, blue};
}

size_t PlanesBytes(int32_t width) { return 3 * ScratchCarver::Rounded(static_cast<size_t>(width)); }

size_t ResampleLinesBytes(int32_t sourceWidth, int32_t width) {
  const size_t across = static_cast<size_t>(width) * 3;
  return DemosaicWalkerBytes(sourceWidth) + PlanesBytes(sourceWidth) + PlanesBytes(width) +
         3 * ScratchCarver::Rounded(across * sizeof(uint32_t));
}

ResampleLines CarveResampleLines(uint8_t *scratch, const RawFrame &raw, int32_t width, const RowKernels &kernels) {
  const int32_t sourceWidth = raw.width;
  ResampleLines lines;
  lines.demosaic = StartDemosaic(raw.samples, raw.width, raw.height, scratch, kernels);
  ScratchCarver carver(scratch + DemosaicWalkerBytes(sourceWidth));
  const size_t across = static_cast<size_t>(width) * 3;
  lines.sourceLine = CarvePlanes(&carver, sourceWidth);
  lines.outputLine = CarvePlanes(&carver, width);
  lines.sum = carver.Words(across);
  lines.cache.lines[0] = carver.Words(across);
  lines.cache.lines[1] = carver.Words(across);
  lines.cache.sourceLine[0] = -1;
  lines.cache.sourceLine[1] = -1;
  lines.cache.nextSlot = 0;
  return lines;
}

const uint32_t *SourceLineAcross(ResampleAxis across, int32_t sourceLine, ResampleLines *lines) {
  AcrossCache &cache = lines->cache;
  for (int32_t slot = 0; slot < 2; ++slot) {
    if (cache.sourceLine[slot] == sourceLine) return cache.lines[slot];
  }
  const int32_t slot = cache.nextSlot;
  cache.nextSlot = 1 - slot;
  cache.sourceLine[slot] = sourceLine;
  DemosaicLine(&lines->demosaic, sourceLine, lines->sourceLine);
  ResampleRgbLineAcross(lines->sourceLine, across, cache.lines[slot]);
  return cache.lines[slot];
}

void ResampledLineToRgb(ResampleAxis across, ResampleAxis down, int32_t line, ResampleLines *lines) {
  const int32_t count = 3 * across.destination;
  RtlZeroMemory(lines->sum, static_cast<size_t>(count) * sizeof(uint32_t));
  const TapSpan span = TapSpanFor(down, line);
  const int32_t factor = CommonWeightFactor(down);
  for (int32_t sourceLine = span.first; sourceLine <= span.last; ++sourceLine) {
    const int32_t weight = TapWeight(down, line, sourceLine) / factor;
    if (weight == 0) continue;
    AccumulateWeightedLine(SourceLineAcross(across, sourceLine, lines), count, weight, lines->sum);
  }
  FinishAccumulatedLine(lines->sum, across.destination, span.weightSum / factor, lines->outputLine);
}

// The camera hands over two forms of one colour transform: the YUV matrix,
// which already holds its colour correction and saturation, and the colour
// matrix derived from it, the same transform in RGB. Bayer to YUYV applies
// the YUV matrix alone; applying both would correct the colours twice.
size_t SameSizeLinesBytes(int32_t width) { return DemosaicWalkerBytes(width) + PlanesBytes(width); }

void ConvertSameSize(const LibraryState &state, const RowKernels &kernels, const RawFrame &raw, uint8_t *destination,
                     uint8_t *scratch) {
  DemosaicWalker walker = StartDemosaic(raw.samples, raw.width, raw.height, scratch, kernels);
  ScratchCarver carver(scratch + DemosaicWalkerBytes(raw.width));
  const RgbPlanes rgb = CarvePlanes(&carver, raw.width);
  const int32_t lineBytes = 2 * raw.width;
  for (int32_t y = 0; y < raw.height; ++y) {
    DemosaicLine(&walker, y, rgb);
    RgbToYuyvLine(kernels, rgb, raw.width, kIdentityColourMatrix, state.yuvMatrix,
                  destination + LineOffset(y, lineBytes));
  }
}

void ConvertResampled(const LibraryState &state, const RowKernels &kernels, const RawFrame &raw, uint8_t *destination,
                      int32_t width, int32_t height, ResampleLines *lines) {
  const ResampleAxis across = {raw.width, width};
  const ResampleAxis down = {raw.height, height};
  for (int32_t y = 0; y < height; ++y) {
    ResampledLineToRgb(across, down, y, lines);
    RgbToYuyvLine(kernels, lines->outputLine, width, kIdentityColourMatrix, state.yuvMatrix,
                  destination + LineOffset(y, 2 * width));
  }
}

// The common 2:1 reduction (1280x960 to 640x480 and the like): two source
// lines demosaiced, then halved both ways in one pass.
bool IsHalving(const RawFrame &raw, int32_t width, int32_t height) {
  return raw.width == 2 * width && raw.height == 2 * height;
}

size_t HalvingLinesBytes(int32_t width) {
  return DemosaicWalkerBytes(2 * width) + 2 * PlanesBytes(2 * width) + PlanesBytes(width);
}

void ConvertHalved(const LibraryState &state, const RowKernels &kernels, const RawFrame &raw, uint8_t *destination,
                   int32_t width, int32_t height, uint8_t *scratch) {
  DemosaicWalker walker = StartDemosaic(raw.samples, raw.width, raw.height, scratch, kernels);
  ScratchCarver carver(scratch + DemosaicWalkerBytes(raw.width));
  const RgbPlanes upper = CarvePlanes(&carver, raw.width);
  const RgbPlanes lower = CarvePlanes(&carver, raw.width);
  const RgbPlanes halved = CarvePlanes(&carver, width);
  for (int32_t y = 0; y < height; ++y) {
    DemosaicLine(&walker, 2 * y, upper);
    DemosaicLine(&walker, 2 * y + 1, lower);
    kernels.halveRgbLinePair(upper, lower, width, halved);
    RgbToYuyvLine(kernels, halved, width, kIdentityColourMatrix, state.yuvMatrix,
                  destination + LineOffset(y, 2 * width));
  }
}

void RawToYuyv(LibraryState *state, const RowKernels &kernels, uint8_t *raw, int32_t sourceWidth,
               int32_t sourceHeight, uint8_t *destination, int32_t width, int32_t height) {
  const RawFrame frame = {raw, SourceExtent(sourceWidth), SourceExtent(sourceHeight)};
  if (state == nullptr || raw == nullptr || destination == nullptr) return;
  if (!IsValidFrameSize(frame.width, frame.height) || !IsValidFrameSize(width, height)) return;

  if (frame.width == width && frame.height == height) {
    uint8_t *scratch = ReserveScratch(&state->rawLines, SameSizeLinesBytes(width));
    if (scratch == nullptr) return;
    ConvertSameSize(*state, kernels, frame, destination, scratch);
    return;
  }
  if (IsHalving(frame, width, height)) {
    uint8_t *scratch = ReserveScratch(&state->rawLines, HalvingLinesBytes(width));
    if (scratch == nullptr) return;
    ConvertHalved(*state, kernels, frame, destination, width, height, scratch);
    return;
  }
  uint8_t *scratch = ReserveScratch(&state->rawLines, ResampleLinesBytes(frame.width, width));
  if (scratch == nullptr) return;
  ResampleLines lines = CarveResampleLines(scratch, frame, width, kernels);
  ConvertResampled(*state, kernels, frame, destination, width, height, &lines);
}

}  // namespace

void SORVEX1_CALL ConvertRawToYuyv(void *userData, uint8_t *raw, int32_t sourceWidth, int32_t sourceHeight,
                                   uint8_t *destination, int32_t width, int32_t height) {
  LibraryState *state = StateFromUserData(userData);
  if (state == nullptr) return;
  const KernelSection section(state);
  RawToYuyv(state, section.kernels(), raw, sourceWidth, sourceHeight, destination, width, height);
}

}  // namespace sorvex1
