// The 24-bit bitmap step kernels of every level, built from the level table.

#include "zoom/bitmap_row_kernel.h"
#include "zoom/level_rows.h"
#include "zoom/step_kernel.h"
#include "zoom/widen_shuffle.h"

namespace sorvex0 {

namespace zoom {
namespace {

struct BitmapPatternTable {
  static constexpr const char *Column(uint32_t level) {
    const BitmapLevelPatterns &patterns = kBitmapLevelPatterns[level];
    return patterns.column != nullptr ? patterns.column : patterns.row;
  }
  static constexpr RemainderPattern Remainder(uint32_t level) {
    return kBitmapLevelPatterns[level].remainder;
  }
};

// The shuffles pay where the row kernel's steps average 5 bytes or fewer:
// its runs go as block copies and its repeats as words, which the chunks
// only outrun at the levels of short runs and means (8, and 10 to 25).
constexpr uint32_t kBitmapShuffleStepBytes = 5;

template <uint32_t kLevel>
struct BitmapBytes {
  static constexpr GroupBytes kBytes = BitmapGroupBytes(BitmapRowKernel<kLevel>::kRow, GroupOfLevel(kLevel).in);
};

template <uint32_t kLevel>
constexpr StepKernel MakeBitmapKernel() {
  if constexpr (kBitmapLevelPatterns[kLevel].row == nullptr) {
    return StepKernel{};
  } else {
    using Rows = LevelRows<kLevel, BitmapPatternTable>;
    return {3,
            Rows::kGroup.out,
            Rows::kGroup.in,
            &BitmapRowKernel<kLevel>::WidenRow,
            Rows::Column(),
            Rows::Remainder(),
            LevelShuffle<BitmapBytes<kLevel>>::Get(BitmapRowKernel<kLevel>::kProgram.count,
                                                   kBitmapShuffleStepBytes)};
  }
}

template <size_t... L>
constexpr StepKernelTable MakeBitmapKernels(IndexList<L...>) {
  return {{MakeBitmapKernel<L>()...}};
}

constexpr StepKernelTable kBitmapKernels =
    MakeBitmapKernels(MakeIndexList<kHighestLevel + 1>::Type{});

}  // namespace

const StepKernel *BitmapStepKernel(uint32_t level) { return FindStepKernel(kBitmapKernels, level); }

}  // namespace zoom

}  // namespace sorvex0
