#include "yuyv_filter_window.h"

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

  uint8_t *previous = scratch;
  uint8_t *current = scratch + lineBytes;
  for (int32_t y = 0; y < height; ++y) {
    uint8_t *line = yuyv + LineOffset(y, 2 * width);
    RtlCopyMemory(current, line, lineBytes);
    const uint8_t *above = y > 0 ? previous : current;
    const uint8_t *below = y + 1 < height ? line + lineBytes : current;
    filter(above, current, below, width, clampedStrength, line);
    uint8_t *swap = previous;
    previous = current;
    current = swap;
  }
}

Window3x3 WindowAt(const uint8_t *above, const uint8_t *centre, const uint8_t *below, YuyvChannel channel,
                   int32_t i) {
  const int32_t columns[3] = {MaxInt(i - 1, 0), i, MinInt(i + 1, channel.count - 1)};
  const uint8_t *lines[3] = {above, centre, below};
  Window3x3 window;
  for (int32_t r = 0; r < 3; ++r) {
    for (int32_t c = 0; c < 3; ++c) {
      window.v[r][c] = lines[r][channel.offset + channel.step * columns[c]];
    }
  }
  return window;
}

}  // namespace sorvex1
