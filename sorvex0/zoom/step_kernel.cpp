#include "zoom/step_kernel.h"

#include <stddef.h>

#include "sorvex_kernel.h"
#include "zoom/row_math.h"
#include "zoom/zoom_kernels.h"

namespace sorvex0 {

namespace zoom {
namespace {

uint32_t Smaller(uint32_t a, uint32_t b) { return a < b ? a : b; }

// Which frame rows the vertical pass writes: whole groups from the top, then
// (for windows taller than 4:3, as for 5:4 frames) remainder groups down to
// the last frame row.
struct RowPlan {
  uint32_t wholeGroups;
  uint32_t rowsWritten;
};

RowPlan PlanRows(const StepKernel &kernel, uint32_t windowWidth, uint32_t windowHeight,
                 uint32_t frameHeight) {
  const uint32_t wholeGroups = frameHeight / kernel.column.count;
  RowPlan plan = {wholeGroups, wholeGroups * kernel.column.count};
  const bool tallerThanFourThirds = windowHeight > static_cast<uint64_t>(windowWidth) * 3 / 4 + 1;
  if (kernel.remainder.count != 0 && tallerThanFourThirds && frameHeight % 40 != 0) {
    plan.rowsWritten = frameHeight;
  }
  return plan;
}

// The window rows that frame row `row` is made of (equal for a copied row).
struct RowSource {
  uint32_t first;
  uint32_t second;
};

RowSource SourceOfRow(const StepKernel &kernel, const RowPlan &plan, uint32_t row) {
  const RowGroup &column = kernel.column;
  const uint32_t wholeRows = plan.wholeGroups * column.count;
  if (row < wholeRows) {
    const uint32_t base = row / column.count * column.advance;
    const Sample &sample = column.rows[row % column.count];
    return {base + sample.first, base + sample.second};
  }
  const RowGroup &remainder = kernel.remainder;
  const uint32_t past = row - wholeRows;
  const uint32_t base =
      plan.wholeGroups * column.advance + past / remainder.count * remainder.advance;
  const Sample &sample = remainder.rows[past % remainder.count];
  return {base + sample.first, base + sample.second};
}

uint32_t RowsRead(const StepKernel &kernel, const RowPlan &plan) {
  uint32_t rows = 0;
  for (uint32_t row = 0; row < plan.rowsWritten; ++row) {
    const uint32_t highest = SourceOfRow(kernel, plan, row).second;
    if (highest + 1 > rows) rows = highest + 1;
  }
  return rows;
}

// One window row widened: whole periods by the vector form when there is
// one, the rest by the level's scalar row kernel.
void WidenWindowRow(const StepKernel &kernel, const ZoomKernels &kernels, const uint8_t *windowRow,
                    uint8_t *frameRow, uint32_t groups) {
  const uint32_t inBytes = kernel.groupInPixels * kernel.bytesPerPixel;
  const uint32_t outBytes = kernel.groupOutPixels * kernel.bytesPerPixel;
  const uint32_t done = WidenByShuffle(kernels, kernel.shuffle, windowRow, frameRow, groups, inBytes);
  kernel.widenRow(windowRow + static_cast<size_t>(done) * inBytes, frameRow + static_cast<size_t>(done) * outBytes,
                  groups - done);
}

}  // namespace

void RunStepKernel(const StepKernel &kernel, uint8_t *image, uint32_t windowWidth,
                   uint32_t windowHeight, uint32_t frameWidth, uint32_t frameHeight, uint32_t vectorSets) {
  if (image == nullptr || kernel.widenRow == nullptr || windowWidth == 0 || windowHeight == 0 ||
      frameWidth == 0 || frameHeight < 2) {
    return;
  }
  const RowPlan plan = PlanRows(kernel, windowWidth, windowHeight, frameHeight);
  // Only the window rows the groups read are widened, into the bottom rows so
  // that the last of them lies just above the rows no group writes. Placing a
  // taller window's extra rows there too would put the rows the groups read
  // higher, and near the bottom the top-down pass would then write over rows
  // it has still to read (the last rows would repeat rows already written).
  // One frame row at least stays above the widened rows, so that no widened
  // row overlaps its own window row.
  const uint32_t rowsUsed = Smaller(Smaller(windowHeight, frameHeight - 1),
                                    RowsRead(kernel, plan) + (frameHeight - plan.rowsWritten));
  const uint32_t top = frameHeight - rowsUsed;
  const size_t frameRowBytes = static_cast<size_t>(frameWidth) * kernel.bytesPerPixel;
  const size_t windowRowBytes = static_cast<size_t>(windowWidth) * kernel.bytesPerPixel;
  const uint32_t groupsAcross =
      Smaller(frameWidth / kernel.groupOutPixels, windowWidth / kernel.groupInPixels);

  const ZoomKernels &kernels = ZoomKernelsFor(vectorSets);
  // Bottom-up: a widened row lies below its window row and covers only
  // window rows already widened.
  for (uint32_t k = rowsUsed; k-- > 0;) {
    WidenWindowRow(kernel, kernels, image + k * windowRowBytes, image + (top + k) * frameRowBytes, groupsAcross);
  }
  // Top-down: each frame row written lies at or above the widened rows still
  // to be read. A window shorter than its groups read repeats its last row.
  for (uint32_t row = 0; row < plan.rowsWritten; ++row) {
    const RowSource source = SourceOfRow(kernel, plan, row);
    const uint8_t *first = image + (top + Smaller(source.first, rowsUsed - 1)) * frameRowBytes;
    const uint8_t *second = image + (top + Smaller(source.second, rowsUsed - 1)) * frameRowBytes;
    uint8_t *out = image + row * frameRowBytes;
    if (first != second) {
      kernels.meanRows(out, first, second, frameRowBytes);
    } else if (out != first) {
      RtlCopyMemory(out, first, frameRowBytes);
    }
  }
}

}  // namespace zoom

}  // namespace sorvex0
