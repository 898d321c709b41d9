// A level's row widening as byte shuffles (zoom_kernels.h), worked out by
// the compiler from the same patterns the scalar row kernels unroll. Only
// the units that build the tables (the step kernels', the doubling's)
// include this: everything here runs at compile time and leaves tables.
#pragma once

#include <stdint.h>

#include "zoom/zoom_kernels.h"
#include "zoom/zoom_pattern.h"

namespace sorvex0 {

namespace zoom {

// Room for the longest group: 40 YUYV pairs (a bitmap group of 40 pixels
// takes 120 bytes).
constexpr uint32_t kMaxGroupBytes = 4 * kMaxPairs;

// Each output byte of one group: a copy of source byte `first`, or the mean
// of `first` and `second`, numbered from the group's first source byte.
struct GroupBytes {
  uint16_t first[kMaxGroupBytes];
  uint16_t second[kMaxGroupBytes];
  uint32_t outBytes;
  uint32_t inBytes;
};

// Pixel j of a bitmap group, channel c: its sample's channel c.
constexpr GroupBytes BitmapGroupBytes(const SampleList &row, uint32_t inPixels) {
  GroupBytes bytes{};
  for (uint32_t j = 0; j < row.count; ++j) {
    for (uint32_t c = 0; c < 3; ++c) {
      bytes.first[3 * j + c] = static_cast<uint16_t>(3 * row.samples[j].first + c);
      bytes.second[3 * j + c] = static_cast<uint16_t>(3 * row.samples[j].second + c);
    }
  }
  bytes.outBytes = 3 * row.count;
  bytes.inBytes = 3 * inPixels;
  return bytes;
}

// Output pair j of a YUYV group: Y0 U Y1 V from its two luma samples (luma
// sample i is byte 2i) and the U and V of the pairs its chroma names. A
// mean of levels 5 and 10 reaches the next group's first luma; the last
// group of a row, which has none, is left to the scalar row kernel.
constexpr GroupBytes YuyvGroupBytes(const SampleList &luma, const PairList &chroma, uint32_t inPairs) {
  GroupBytes bytes{};
  for (uint32_t j = 0; j < chroma.count; ++j) {
    const Sample y0 = luma.samples[2 * j];
    const Sample y1 = luma.samples[2 * j + 1];
    const uint16_t u = static_cast<uint16_t>(4 * chroma.pairs[j].u + 1);
    const uint16_t v = static_cast<uint16_t>(4 * chroma.pairs[j].v + 3);
    const uint16_t first[4] = {static_cast<uint16_t>(2 * y0.first), u, static_cast<uint16_t>(2 * y1.first), v};
    const uint16_t second[4] = {static_cast<uint16_t>(2 * y0.second), u, static_cast<uint16_t>(2 * y1.second), v};
    for (uint32_t b = 0; b < 4; ++b) {
      bytes.first[4 * j + b] = first[b];
      bytes.second[4 * j + b] = second[b];
    }
  }
  bytes.outBytes = 4 * chroma.count;
  bytes.inBytes = 4 * inPairs;
  return bytes;
}

// Source byte of output byte `o` of a period, from the period's start.
constexpr uint32_t PeriodSource(const GroupBytes &bytes, uint32_t o, bool second) {
  const uint32_t group = o / bytes.outBytes;
  const uint32_t k = o % bytes.outBytes;
  return group * bytes.inBytes + (second ? bytes.second[k] : bytes.first[k]);
}

// A chunk's 16 source bytes end at its furthest source byte, so that no
// load reaches past the bytes the period reads.
constexpr uint32_t ChunkInput(const GroupBytes &bytes, uint32_t chunk) {
  uint32_t furthest = 0;
  for (uint32_t i = 0; i < kShuffleChunkBytes; ++i) {
    const uint32_t second = PeriodSource(bytes, chunk * kShuffleChunkBytes + i, true);
    const uint32_t first = PeriodSource(bytes, chunk * kShuffleChunkBytes + i, false);
    if (first > furthest) furthest = first;
    if (second > furthest) furthest = second;
  }
  return furthest >= kShuffleChunkBytes - 1 ? furthest - (kShuffleChunkBytes - 1) : 0;
}

struct ShufflePlan {
  uint32_t chunkCount;
  uint32_t periodGroups;
  uint32_t loadEnd;
  bool fits;  // every chunk's sources lie within 16 bytes
};

constexpr ShufflePlan PlanShuffle(const GroupBytes &bytes) {
  const uint32_t periodBytes =
      bytes.outBytes / GreatestCommonDivisor(bytes.outBytes, kShuffleChunkBytes) * kShuffleChunkBytes;
  ShufflePlan plan = {periodBytes / kShuffleChunkBytes, periodBytes / bytes.outBytes, 0, true};
  for (uint32_t c = 0; c < plan.chunkCount; ++c) {
    const uint32_t input = ChunkInput(bytes, c);
    if (input + kShuffleChunkBytes > plan.loadEnd) plan.loadEnd = input + kShuffleChunkBytes;
    for (uint32_t i = 0; i < kShuffleChunkBytes; ++i) {
      if (PeriodSource(bytes, c * kShuffleChunkBytes + i, false) < input) plan.fits = false;
    }
  }
  return plan;
}

template <uint32_t kCount>
struct ShuffleChunks {
  ShuffleChunk chunks[kCount];
};

// Only read when the plan fits; the low four bits keep every index a lane.
template <uint32_t kCount>
constexpr ShuffleChunks<kCount> MakeShuffleChunks(const GroupBytes &bytes) {
  ShuffleChunks<kCount> made{};
  for (uint32_t c = 0; c < kCount; ++c) {
    ShuffleChunk &chunk = made.chunks[c];
    chunk.input = ChunkInput(bytes, c);
    bool straight = true;
    bool means = false;
    for (uint32_t i = 0; i < kShuffleChunkBytes; ++i) {
      const uint32_t o = c * kShuffleChunkBytes + i;
      chunk.first[i] = static_cast<uint8_t>((PeriodSource(bytes, o, false) - chunk.input) & 15u);
      chunk.second[i] = static_cast<uint8_t>((PeriodSource(bytes, o, true) - chunk.input) & 15u);
      if (chunk.first[i] != i) straight = false;
      if (chunk.second[i] != chunk.first[i]) means = true;
    }
    chunk.kind = means ? kChunkMean : (straight ? kChunkCopy : kChunkShuffle);
  }
  return made;
}

// The shuffle of one group's bytes; `Bytes::kBytes` is a GroupBytes.
template <typename Bytes>
struct LevelShuffle {
  static constexpr ShufflePlan kPlan = PlanShuffle(Bytes::kBytes);
  static constexpr ShuffleChunks<kPlan.chunkCount> kChunks = MakeShuffleChunks<kPlan.chunkCount>(Bytes::kBytes);
  static constexpr WidenShuffle kShuffle = {kChunks.chunks, kPlan.chunkCount, kPlan.periodGroups,
                                            kPlan.periodGroups * Bytes::kBytes.inBytes, kPlan.loadEnd};
  // Null when a chunk's sources spread wider than one load, or when the
  // scalar row kernel's `scalarOps` steps of a group average more than
  // `stepBytes` output bytes: its block copies then outrun the chunks.
  static constexpr const WidenShuffle *Get(uint32_t scalarOps, uint32_t stepBytes) {
    return kPlan.fits && Bytes::kBytes.outBytes <= scalarOps * stepBytes ? &kShuffle : nullptr;
  }
};

}  // namespace zoom

}  // namespace sorvex0
