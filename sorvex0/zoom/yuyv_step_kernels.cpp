// The YUYV step kernels of every level, built from the level table.

#include "zoom/level_rows.h"
#include "zoom/step_kernel.h"
#include "zoom/yuyv_row_kernel.h"

namespace sorvex0 {

namespace zoom {
namespace {

struct YuyvPatternTable {
  static constexpr const char *Column(uint32_t level) { return kYuyvLevelPatterns[level].column; }
  static constexpr RemainderPattern Remainder(uint32_t level) {
    return kYuyvLevelPatterns[level].remainder;
  }
};

template <uint32_t kLevel>
constexpr StepKernel MakeYuyvKernel() {
  if constexpr (kYuyvLevelPatterns[kLevel].luma == nullptr) {
    return StepKernel{};
  } else {
    using Rows = LevelRows<kLevel, YuyvPatternTable>;
    // A horizontal group is made of whole pairs: two pixels an entry.
    return {2,
            2 * Rows::kGroup.out,
            2 * Rows::kGroup.in,
            &YuyvRowKernel<kLevel>::WidenRow,
            Rows::Column(),
            Rows::Remainder()};
  }
}

template <size_t... L>
constexpr StepKernelTable MakeYuyvKernels(IndexList<L...>) {
  return {{MakeYuyvKernel<L>()...}};
}

constexpr StepKernelTable kYuyvKernels = MakeYuyvKernels(MakeIndexList<kHighestLevel + 1>::Type{});

}  // namespace

const StepKernel *YuyvStepKernel(uint32_t level) { return FindStepKernel(kYuyvKernels, level); }

}  // namespace zoom

}  // namespace sorvex0
