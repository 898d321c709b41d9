// The row side of a level's step kernel, read at compile time from the
// level tables: the vertical group and the remainder group. `Patterns` says
// where a format keeps the texts (Column(level), Remainder(level)).
#pragma once

#include <stdint.h>

#include "zoom/step_kernel.h"
#include "zoom/zoom_levels.h"
#include "zoom/zoom_pattern.h"

namespace sorvex0 {

namespace zoom {

template <uint32_t kLevel, typename Patterns>
struct LevelRows {
  static constexpr GroupSize kGroup = GroupOfLevel(kLevel);
  static constexpr SampleList kColumn = ParseSamples(Patterns::Column(kLevel));
  static constexpr RemainderPattern kRemainderText = Patterns::Remainder(kLevel);
  static constexpr SampleList kRemainder = ParseSamples(kRemainderText.rows);
  static_assert(kColumn.valid && kColumn.count == kGroup.out && HighestSource(kColumn) < kGroup.in,
                "a row pattern must fill its group from the group's own rows");
  static_assert(kRemainderText.rows == nullptr ||
                    (kRemainder.valid && kRemainder.count > 0 && kRemainderText.advance > 0),
                "a remainder group must write rows and move on");

  static constexpr RowGroup Column() { return {kColumn.samples, kColumn.count, kGroup.in}; }
  static constexpr RowGroup Remainder() {
    return {kRemainder.samples, kRemainder.count, kRemainderText.advance};
  }
};

// Every level's kernel of one format, indexed by level (empty entries for the
// levels without one).
struct StepKernelTable {
  StepKernel kernels[kHighestLevel + 1];
};

inline const StepKernel *FindStepKernel(const StepKernelTable &table, uint32_t level) {
  if (level > kHighestLevel || table.kernels[level].widenRow == nullptr) return nullptr;
  return &table.kernels[level];
}

}  // namespace zoom

}  // namespace sorvex0
