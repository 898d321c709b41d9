// The notation the zoom kernels' patterns are written in, read at compile
// time into per-sample source lists.
//
// A pattern lists, for one group of output samples, where each comes from;
// source samples are numbered from 0 within the group:
//   "k"     a copy of sample k
//   "k-m"   copies of k, k+1, ..., m in turn
//   "kxr"   sample k written r times
//   "k+"    the mean of samples k and k+1
// A chroma list gives the U and V sources of each output pair of a YUYV
// group, as source pair numbers:
//   "u/v"        U of pair u, V of pair v
//   "u/v-x/y"    the run u/v, u+1/v+1, ..., x/y
//   "u/vxr"      u/v written r times
// Everything here runs in the compiler: the kernels hold only the results.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace sorvex0 {

namespace zoom {

// Room for the longest group (80 luma samples of a YUYV group).
constexpr uint32_t kMaxSamples = 80;
constexpr uint32_t kMaxPairs = kMaxSamples / 2;

// One output sample: a copy of `first` when second == first, else the mean
// of `first` and `second` (= first + 1).
struct Sample {
  uint8_t first;
  uint8_t second;
};

struct SampleList {
  Sample samples[kMaxSamples];
  uint32_t count;
  bool valid;
};

struct PairSource {
  uint8_t u;
  uint8_t v;
};

struct PairList {
  PairSource pairs[kMaxPairs];
  uint32_t count;
  bool valid;
};

namespace notation {

constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }

constexpr const char *SkipSeparators(const char *p) {
  while (*p == ' ' || *p == ',') ++p;
  return p;
}

// Reads a decimal number at `p`; `ok` turns false when there is none or it
// does not fit a sample index.
constexpr uint32_t ReadNumber(const char *&p, bool &ok) {
  if (!IsDigit(*p)) {
    ok = false;
    return 0;
  }
  uint32_t value = 0;
  while (IsDigit(*p)) {
    value = value * 10 + static_cast<uint32_t>(*p - '0');
    if (value > 255) ok = false;
    ++p;
  }
  return value;
}

constexpr void Append(SampleList &list, uint32_t first, uint32_t second) {
  if (list.count == kMaxSamples) {
    list.valid = false;
    return;
  }
  list.samples[list.count] = {static_cast<uint8_t>(first), static_cast<uint8_t>(second)};
  ++list.count;
}

constexpr void Append(PairList &list, uint32_t u, uint32_t v) {
  if (list.count == kMaxPairs) {
    list.valid = false;
    return;
  }
  list.pairs[list.count] = {static_cast<uint8_t>(u), static_cast<uint8_t>(v)};
  ++list.count;
}

// Steps over `c` at `p`; `ok` turns false (and false is returned) when
// something else stands there.
constexpr bool Expect(const char *&p, char c, bool &ok) {
  if (*p != c) ok = false;
  if (!ok) return false;
  ++p;
  return true;
}

// After a term only a separator or the end may follow.
constexpr bool AtTermEnd(const char *p) { return *p == '\0' || *p == ',' || *p == ' '; }

}  // namespace notation

// Reads a sample pattern such as "0-11, 11+, 12-23, 28x2". A malformed
// pattern comes back with valid = false (the kernels refuse to compile).
constexpr SampleList ParseSamples(const char *text) {
  SampleList list{};
  list.valid = text != nullptr;
  if (!list.valid) return list;
  const char *p = notation::SkipSeparators(text);
  while (*p != '\0' && list.valid) {
    const uint32_t first = notation::ReadNumber(p, list.valid);
    if (*p == '-') {
      ++p;
      const uint32_t last = notation::ReadNumber(p, list.valid);
      if (last < first) list.valid = false;
      for (uint32_t k = first; k <= last && list.valid; ++k) notation::Append(list, k, k);
    } else if (*p == 'x') {
      ++p;
      const uint32_t times = notation::ReadNumber(p, list.valid);
      if (times == 0) list.valid = false;
      for (uint32_t i = 0; i < times && list.valid; ++i) notation::Append(list, first, first);
    } else if (*p == '+') {
      ++p;
      notation::Append(list, first, first + 1);
    } else {
      notation::Append(list, first, first);
    }
    if (!notation::AtTermEnd(p)) list.valid = false;
    p = notation::SkipSeparators(p);
  }
  return list;
}

// Reads a chroma list such as "0/0-18/18, 19/18, 3/3x2".
constexpr PairList ParsePairs(const char *text) {
  PairList list{};
  list.valid = text != nullptr;
  if (!list.valid) return list;
  const char *p = notation::SkipSeparators(text);
  while (*p != '\0' && list.valid) {
    const uint32_t u = notation::ReadNumber(p, list.valid);
    if (!notation::Expect(p, '/', list.valid)) break;
    const uint32_t v = notation::ReadNumber(p, list.valid);
    if (!list.valid) break;
    if (*p == '-') {
      ++p;
      const uint32_t lastU = notation::ReadNumber(p, list.valid);
      if (!notation::Expect(p, '/', list.valid)) break;
      const uint32_t lastV = notation::ReadNumber(p, list.valid);
      // A run advances U and V together.
      if (lastU < u || lastU - u != lastV - v) list.valid = false;
      for (uint32_t k = 0; u + k <= lastU && list.valid; ++k) notation::Append(list, u + k, v + k);
    } else if (*p == 'x') {
      ++p;
      const uint32_t times = notation::ReadNumber(p, list.valid);
      if (times == 0) list.valid = false;
      for (uint32_t i = 0; i < times && list.valid; ++i) notation::Append(list, u, v);
    } else {
      notation::Append(list, u, v);
    }
    if (!notation::AtTermEnd(p)) list.valid = false;
    p = notation::SkipSeparators(p);
  }
  return list;
}

// The highest source sample a list reads (the second sample of a mean
// included); 0 for an empty list.
constexpr uint32_t HighestSource(const SampleList &list) {
  uint32_t highest = 0;
  for (uint32_t i = 0; i < list.count; ++i) {
    if (list.samples[i].second > highest) highest = list.samples[i].second;
  }
  return highest;
}

constexpr uint32_t HighestPair(const PairList &list) {
  uint32_t highest = 0;
  for (uint32_t i = 0; i < list.count; ++i) {
    if (list.pairs[i].u > highest) highest = list.pairs[i].u;
    if (list.pairs[i].v > highest) highest = list.pairs[i].v;
  }
  return highest;
}

// The group of level L (ratio 80/N, N = 80 - 2L) in lowest terms: `out`
// samples from `in`.
struct GroupSize {
  uint32_t out;
  uint32_t in;
};

constexpr uint32_t GreatestCommonDivisor(uint32_t a, uint32_t b) {
  while (b != 0) {
    const uint32_t r = a % b;
    a = b;
    b = r;
  }
  return a;
}

constexpr GroupSize GroupOfLevel(uint32_t level) {
  const uint32_t n = 80 - 2 * level;
  const uint32_t divisor = GreatestCommonDivisor(80, n);
  return {80 / divisor, n / divisor};
}

// Indices 0..N-1 as a pack, for unrolling a group's steps.
template <size_t... I>
struct IndexList {};

template <size_t N, size_t... I>
struct MakeIndexList : MakeIndexList<N - 1, N - 1, I...> {};

template <size_t... I>
struct MakeIndexList<0, I...> {
  using Type = IndexList<I...>;
};

}  // namespace zoom

}  // namespace sorvex0
