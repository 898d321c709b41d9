// The row kernel of a YUYV step kernel, unrolled by the compiler from the
// level's luma pattern and chroma list. Luma samples are copied or averaged;
// U and V bytes are only copied, each into a slot of its own kind. Output
// pairs that repeat a source pair unchanged go as block copies.
#pragma once

#include <stdint.h>

#include "sorvex_kernel.h"
#include "zoom/row_math.h"
#include "zoom/zoom_levels.h"
#include "zoom/zoom_pattern.h"

namespace sorvex0 {

namespace zoom {

enum YuyvOpKind : uint8_t { kPairRun, kShiftedPairRun, kPairBuilt };

// A run copies `count` whole source pairs from pair `source` to output pairs
// from `output` on; a shifted run makes `count` output pairs each of the
// lumas 2p + 1 and 2p + 2 and the U and V of pair p, for p = `source`, ...
// (the pairs between two means that shift luma by one sample); a built pair
// takes its two lumas (copies or means) and its U and V from the pairs the
// pattern names. A YUYV pair is Y0 U Y1 V, so luma sample i of a group lies
// at byte 2i.
struct YuyvOp {
  YuyvOpKind kind;
  uint8_t output;
  uint8_t source;
  uint8_t count;
  Sample y0;
  Sample y1;
  uint8_t u;
  uint8_t v;
};

struct YuyvRowProgram {
  YuyvOp ops[kMaxPairs];
  uint32_t count;
};

constexpr bool CopiesSample(Sample sample, uint32_t index) {
  return sample.first == index && sample.second == index;
}

// lumaIn: the luma samples of a group; a shifted pair must not reach the
// next group's first luma, which the last group of a row does not have.
constexpr YuyvRowProgram CompileYuyvRow(const SampleList &luma, const PairList &chroma, uint32_t lumaIn) {
  YuyvRowProgram program{};
  for (uint32_t j = 0; j < chroma.count; ++j) {
    const Sample y0 = luma.samples[2 * j];
    const Sample y1 = luma.samples[2 * j + 1];
    const PairSource pair = chroma.pairs[j];
    const uint32_t p = pair.u;
    const bool wholePair = pair.v == p && CopiesSample(y0, 2 * p) && CopiesSample(y1, 2 * p + 1);
    const bool shiftedPair =
        pair.v == p && CopiesSample(y0, 2 * p + 1) && CopiesSample(y1, 2 * p + 2) && 2 * p + 2 < lumaIn;
    const YuyvOpKind kind = wholePair ? kPairRun : (shiftedPair ? kShiftedPairRun : kPairBuilt);
    if (kind != kPairBuilt && program.count > 0) {
      YuyvOp &last = program.ops[program.count - 1];
      if (last.kind == kind && last.source + last.count == p) {
        ++last.count;
        continue;
      }
    }
    const uint8_t output = static_cast<uint8_t>(j);
    const uint8_t source = kind == kPairBuilt ? 0 : pair.u;
    program.ops[program.count++] = YuyvOp{kind, output, source, 1, y0, y1, pair.u, pair.v};
  }
  return program;
}

// A shifted pair from the bytes U, Y(2p+1), V, Y(2p+2) that start at byte
// 4p + 1: the bytes of each half swapped.
inline uint32_t ShiftedPair(uint32_t window) {
  return ((window >> 8) & 0x00FF00FFu) | ((window << 8) & 0xFF00FF00u);
}

template <uint32_t kLevel>
struct YuyvRowKernel {
  static constexpr GroupSize kGroup = GroupOfLevel(kLevel);  // pairs
  static constexpr uint32_t kLumaIn = 2 * kGroup.in;
  static constexpr SampleList kLuma = ParseSamples(kYuyvLevelPatterns[kLevel].luma);
  static constexpr PairList kChroma = ParsePairs(kYuyvLevelPatterns[kLevel].chroma);
  // A mean may reach the first luma of the next group (levels 5 and 10).
  static_assert(kLuma.valid && kLuma.count == 2 * kGroup.out && HighestSource(kLuma) <= kLumaIn,
                "a luma pattern must fill its group of pairs");
  static_assert(kChroma.valid && kChroma.count == kGroup.out && HighestPair(kChroma) < kGroup.in,
                "a chroma list must name the group's own pairs, one entry an output pair");
  static constexpr YuyvRowProgram kProgram = CompileYuyvRow(kLuma, kChroma, kLumaIn);

  // The last group of every row has no next group: there the mean with the
  // next group's first luma (levels 5 and 10) takes the row's own last luma.
  // Reading on would mix the first luma of the next window row, a left-edge
  // sample, into this row's right edge, and on the last row read past the
  // window.
  static constexpr uint32_t WithinRow(bool lastGroup, uint32_t index) {
    return lastGroup && index >= kLumaIn ? kLumaIn - 1 : index;
  }

  template <uint32_t kFirst, uint32_t kSecond>
  static uint8_t Luma(const uint8_t *source) {
    if constexpr (kFirst == kSecond) {
      return source[2 * kFirst];
    } else {
      return MeanOf(source[2 * kFirst], source[2 * kSecond]);
    }
  }

  template <size_t I, bool kLastGroup>
  static void Apply(const uint8_t *source, uint8_t *target) {
    constexpr YuyvOp op = kProgram.ops[I];
    uint8_t *out = target + 4u * op.output;
    if constexpr (op.kind == kPairRun) {
      RtlCopyMemory(out, source + 4u * op.source, 4u * op.count);
    } else if constexpr (op.kind == kShiftedPairRun) {
      const uint8_t *in = source + 4u * op.source + 1;
      for (uint32_t i = 0; i < op.count; ++i) StoreBytes32(ShiftedPair(LoadBytes32(in + 4u * i)), out + 4u * i);
    } else {
      // Assembled as one word and stored at once.
      const uint32_t y0 = Luma<op.y0.first, WithinRow(kLastGroup, op.y0.second)>(source);
      const uint32_t y1 = Luma<op.y1.first, WithinRow(kLastGroup, op.y1.second)>(source);
      const uint32_t u = source[4u * op.u + 1];
      const uint32_t v = source[4u * op.v + 3];
      StoreBytes32(y0 | (u << 8) | (y1 << 16) | (v << 24), out);
    }
  }

  template <bool kLastGroup, size_t... I>
  static void WidenGroup(const uint8_t *source, uint8_t *target, IndexList<I...>) {
    (Apply<I, kLastGroup>(source, target), ...);
  }

  static void WidenRow(const uint8_t *windowRow, uint8_t *frameRow, uint32_t groups) {
    using Ops = typename MakeIndexList<kProgram.count>::Type;
    for (uint32_t g = 0; g + 1 < groups; ++g) {
      WidenGroup<false>(windowRow, frameRow, Ops{});
      windowRow += 4u * kGroup.in;
      frameRow += 4u * kGroup.out;
    }
    if (groups != 0) WidenGroup<true>(windowRow, frameRow, Ops{});
  }
};

}  // namespace zoom

}  // namespace sorvex0
