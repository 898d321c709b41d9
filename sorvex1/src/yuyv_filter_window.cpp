#include "yuyv_filter_window.h"

#include "kernel_section.h"
#include "pixel_math.h"
#include "sorvex_kernel.h"

namespace sorvex1 {

void FilterYuyvFrameInPlace(LibraryState *state, uint8_t *yuyv, int32_t width, int32_t height,
                            uint32_t strength, YuyvLineFilter filter) {
  if (state == nullptr || yuyv == nullptr || !IsValidFrameSize(width, height)) return;
  if (strength == 0) return;
  const uint32_t limited = strength > kMaxFilterStrength ? kMaxFilterStrength : strength;
  const int32_t clampedStrength = static_cast<int32_t>(limited);
  const size_t lineBytes = static_cast<size_t>(width) * 2;
  uint8_t *scratch = ReserveScratch(&state->filterLines, 2 * lineBytes);
  if (scratch == nullptr) return;

  const KernelSection section(state);
  uint8_t *previous = scratch;
  uint8_t *current = scratch + lineBytes;
  for (int32_t y = 0; y < height; ++y) {
    uint8_t *line = yuyv + LineOffset(y, 2 * width);
    RtlCopyMemory(current, line, lineBytes);
    const uint8_t *above = y > 0 ? previous : current;
    const uint8_t *below = y + 1 < height ? line + lineBytes : current;
    filter(section.kernels(), above, current, below, width, clampedStrength, line);
    uint8_t *swap = previous;
    previous = current;
    current = swap;
  }
}

namespace {

// Gathers one line's samples first - 1 .. first + count of the channel; only
// the two outer samples can fall outside the line, and they are clipped to
// its ends once, outside the loop. The step is a constant (2 for luma, 4 for
// U and V), so that the loop vectorises.
template <int32_t kStep>
void GatherChannelRow(const uint8_t *__restrict line, YuyvChannel channel, int32_t first, int32_t count,
                      uint8_t *__restrict row) {
  const uint8_t *samples = line + channel.offset;
  row[0] = samples[kStep * MaxInt(first - 1, 0)];
  for (int32_t i = 0; i < count; ++i) row[i + 1] = samples[kStep * (first + i)];
  row[count + 1] = samples[kStep * MinInt(first + count, channel.count - 1)];
}

template <int32_t kStep>
void ScatterChannelRow(const uint8_t *__restrict results, YuyvChannel channel, int32_t first, int32_t count,
                       uint8_t *__restrict line) {
  uint8_t *samples = line + channel.offset + kStep * first;
  for (int32_t i = 0; i < count; ++i) samples[kStep * i] = results[i];
}

template <int32_t kStep>
void FilterChannelWithStep(const uint8_t *above, const uint8_t *centre, const uint8_t *below, YuyvChannel channel,
                           ChannelChunkFilter filter, int32_t parameter, uint8_t *out) {
  ChannelChunk chunk;
  uint8_t results[kChannelChunk];
  const uint8_t *lines[3] = {above, centre, below};
  for (int32_t first = 0; first < channel.count; first += kChannelChunk) {
    chunk.first = first;
    chunk.count = MinInt(kChannelChunk, channel.count - first);
    for (int32_t r = 0; r < 3; ++r) GatherChannelRow<kStep>(lines[r], channel, first, chunk.count, chunk.rows[r]);
    filter(chunk, parameter, results);
    ScatterChannelRow<kStep>(results, channel, first, chunk.count, out);
  }
}

}  // namespace

void FilterChannel(const uint8_t *above, const uint8_t *centre, const uint8_t *below, YuyvChannel channel,
                   ChannelChunkFilter filter, int32_t parameter, uint8_t *out) {
  if (channel.step == 2) {
    FilterChannelWithStep<2>(above, centre, below, channel, filter, parameter, out);
  } else {
    FilterChannelWithStep<4>(above, centre, below, channel, filter, parameter, out);
  }
}

}  // namespace sorvex1
