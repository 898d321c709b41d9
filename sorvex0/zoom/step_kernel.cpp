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

// The whole periods of a row's groups the byte shuffles widen: never its
// last group (a mean of levels 5 and 10 reaches into the next group, which
// the last has not), and no load past the source bytes the groups read.
uint32_t ShuffledPeriods(const StepKernel &kernel, const WidenShuffle &shuffle, uint32_t groups) {
  const size_t rowInputBytes = static_cast<size_t>(groups) * kernel.groupInPixels * kernel.bytesPerPixel;
  uint32_t periods = groups > 0 ? (groups - 1) / shuffle.periodGroups : 0;
  while (periods > 0 &&
         static_cast<size_t>(periods - 1) * shuffle.periodInputBytes + shuffle.loadEnd > rowInputBytes) {
    --periods;
  }
  return periods;
}

// One window row widened: whole periods by the vector form when there is
// one, the rest by the level's scalar row kernel.
void WidenWindowRow(const StepKernel &kernel, const ZoomKernels &kernels, const uint8_t *windowRow,
                    uint8_t *frameRow, uint32_t groups) {
  uint32_t done = 0;
  if (kernels.widenPeriods != nullptr && kernel.shuffle != nullptr) {
    const uint32_t periods = ShuffledPeriods(kernel, *kernel.shuffle, groups);
    if (periods > 0) kernels.widenPeriods(*kernel.shuffle, windowRow, frameRow, periods);
    done = periods * kernel.shuffle->periodGroups;
  }
  const size_t inBytes = static_cast<size_t>(done) * kernel.groupInPixels * kernel.bytesPerPixel;
  const size_t outBytes = static_cast<size_t>(done) * kernel.groupOutPixels * kernel.bytesPerPixel;
  kernel.widenRow(windowRow + inBytes, frameRow + outBytes, groups - done);
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
