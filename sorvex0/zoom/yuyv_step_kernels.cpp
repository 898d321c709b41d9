// The YUYV step kernels of every level, built from the level table.

#include "zoom/level_rows.h"
#include "zoom/step_kernel.h"
#include "zoom/widen_shuffle.h"
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

// The row kernel's shifted runs and built pairs go word by word, so the
// shuffles pay at every level but 1, whose group is nearly one block copy.
constexpr uint32_t kYuyvShuffleStepBytes = 32;

template <uint32_t kLevel>
struct YuyvBytes {
  using Row = YuyvRowKernel<kLevel>;
  static constexpr GroupBytes kBytes = YuyvGroupBytes(Row::kLuma, Row::kChroma, Row::kGroup.in);
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
            Rows::Remainder(),
            LevelShuffle<YuyvBytes<kLevel>>::Get(YuyvRowKernel<kLevel>::kProgram.count, kYuyvShuffleStepBytes)};
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
