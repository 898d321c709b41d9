// The row kernel of a 24-bit bitmap step kernel, unrolled by the compiler
// from the level's row pattern: runs of copied pixels become block copies,
// repeated pixels and means are written one by one.
#pragma once

#include <stdint.h>

#include "sorvex_kernel.h"
#include "zoom/row_math.h"
#include "zoom/zoom_levels.h"
#include "zoom/zoom_pattern.h"

namespace sorvex0 {

namespace zoom {

enum BitmapOpKind : uint8_t { kPixelRun, kPixelRepeat, kPixelMean };

// `count` output pixels from `output` on: a run copies source pixels
// `source`.., a repeat writes pixel `source` `count` times, a mean (count 1)
// averages pixels `source` and `source` + 1.
struct BitmapOp {
  BitmapOpKind kind;
  uint8_t source;
  uint8_t output;
  uint8_t count;
};

struct BitmapRowProgram {
  BitmapOp ops[kMaxSamples];
  uint32_t count;
};

constexpr BitmapRowProgram CompileBitmapRow(const SampleList &row) {
  BitmapRowProgram program{};
  for (uint32_t j = 0; j < row.count; ++j) {
    const Sample sample = row.samples[j];
    const uint8_t output = static_cast<uint8_t>(j);
    if (sample.second != sample.first) {
      program.ops[program.count++] = {kPixelMean, sample.first, output, 1};
      continue;
    }
    if (program.count > 0) {
      BitmapOp &last = program.ops[program.count - 1];
      const bool sameAsLast =
          (last.kind == kPixelRepeat || (last.kind == kPixelRun && last.count == 1)) &&
          last.source == sample.first;
      if (sameAsLast) {
        last.kind = kPixelRepeat;
        ++last.count;
        continue;
      }
      if (last.kind == kPixelRun && last.source + last.count == sample.first) {
        ++last.count;
        continue;
      }
    }
    program.ops[program.count++] = {kPixelRun, sample.first, output, 1};
  }
  return program;
}

template <uint32_t kLevel>
struct BitmapRowKernel {
  static constexpr GroupSize kGroup = GroupOfLevel(kLevel);
  static constexpr SampleList kRow = ParseSamples(kBitmapLevelPatterns[kLevel].row);
  static_assert(kRow.valid && kRow.count == kGroup.out && HighestSource(kRow) < kGroup.in,
                "a row pattern must fill its group from the group's own pixels");
  static constexpr BitmapRowProgram kProgram = CompileBitmapRow(kRow);

  // Means and repeated pixels go as 4-byte words: the word's spare byte
  // falls on the next output pixel, which a later op of the group, or the
  // next group, writes over. Only the last op of a row's last group has
  // nothing after it, and writes its pixel byte by byte. A mean reads one
  // byte past its second pixel for the word; that byte lies in the image
  // (the window is smaller than the frame) and only feeds the spare byte.
  template <size_t I, bool kLastGroup>
  static void Apply(const uint8_t *source, uint8_t *target) {
    constexpr BitmapOp op = kProgram.ops[I];
    constexpr bool kWordStores = !kLastGroup || I + 1 < kProgram.count;
    uint8_t *out = target + 3u * op.output;
    const uint8_t *in = source + 3u * op.source;
    if constexpr (op.kind == kPixelRun) {
      RtlCopyMemory(out, in, 3u * op.count);
    } else if constexpr (op.kind == kPixelRepeat) {
      if constexpr (kWordStores) {
        const uint32_t pixel = LoadBytes32(in);
        for (uint32_t i = 0; i < op.count; ++i) StoreBytes32(pixel, out + 3u * i);
      } else {
        for (uint32_t i = 0; i < op.count; ++i) RtlCopyMemory(out + 3u * i, in, 3u);
      }
    } else if constexpr (kWordStores) {
      StoreBytes32(MeanOfBytes(LoadBytes32(in), LoadBytes32(in + 3)), out);
    } else {
      out[0] = MeanOf(in[0], in[3]);
      out[1] = MeanOf(in[1], in[4]);
      out[2] = MeanOf(in[2], in[5]);
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
      windowRow += 3u * kGroup.in;
      frameRow += 3u * kGroup.out;
    }
    if (groups != 0) WidenGroup<true>(windowRow, frameRow, Ops{});
  }
};

}  // namespace zoom

}  // namespace sorvex0
