// In-place 3x3 filtering of a YUYV frame. The walker keeps unfiltered copies
// of the current line and the one above it, so a filter always reads the
// original picture while writing its result straight into the frame.
#pragma once

#include <stdint.h>

#include "library_state.h"
#include "row_kernels.h"

namespace sorvex1 {

constexpr uint32_t kMaxFilterStrength = 100;

// Filters one line with the given kernels. above, centre and below are
// unfiltered YUYV lines (the centre line repeats past the top and bottom);
// `out` is the frame's line, holding the unfiltered values until the filter
// writes the bytes it changes.
typedef void (*YuyvLineFilter)(const RowKernels &kernels, const uint8_t *above, const uint8_t *centre,
                               const uint8_t *below, int32_t width, int32_t strength, uint8_t *out);

// Runs `filter` over every line with the strength clamped to 0..100, in one
// kernel section; strength 0 leaves the frame untouched.
void FilterYuyvFrameInPlace(LibraryState *state, uint8_t *yuyv, int32_t width, int32_t height,
                            uint32_t strength, YuyvLineFilter filter);

// One channel of a YUYV line: `count` samples at `offset`, `step` bytes apart.
struct YuyvChannel {
  int32_t offset;
  int32_t step;
  int32_t count;
};

inline YuyvChannel LumaChannel(int32_t width) { return {0, 2, width}; }
inline YuyvChannel UChannel(int32_t width) { return {1, 4, (width + 1) / 2}; }
inline YuyvChannel VChannel(int32_t width) { return {3, 4, width / 2}; }

// A run of up to kChannelChunk samples of one channel and their 3x3
// neighbourhoods: rows[r][i + 1] is sample first + i of the line above
// (r = 0), the centre line (1) and the line below (2); rows[r][0] and
// rows[r][count + 1] are the samples on either side, the end samples
// repeated at the line ends. The filters run over chunks with plain loops
// over these arrays, which the compiler vectorises; the samples stay bytes,
// sixteen to a vector, until a filter widens them.
constexpr int32_t kChannelChunk = 128;

struct ChannelChunk {
  int32_t first;
  int32_t count;
  uint8_t rows[3][kChannelChunk + 2];
};

// Filters one chunk: results[i] is the new value of sample first + i.
typedef void (*ChannelChunkFilter)(const ChannelChunk &chunk, int32_t parameter, uint8_t *results);

// Runs `filter` over every sample of `channel` and writes its results into
// the channel of `out`.
void FilterChannel(const uint8_t *above, const uint8_t *centre, const uint8_t *below, YuyvChannel channel,
                   ChannelChunkFilter filter, int32_t parameter, uint8_t *out);

}  // namespace sorvex1
