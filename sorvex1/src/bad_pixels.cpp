// Hot and dead pixel correction on the raw frame, in place.
//
// Each sample is compared with its same-colour neighbours two samples away
// (left, right, up, down and the four diagonals). It is an outlier when it
// lies above their maximum or below their minimum by more than a threshold,
// and is then replaced by the median of those neighbours. Because lines,
// edges and colour patterns continue into at least two of the neighbours, they
// stay; an isolated sample does not. The threshold is a base value plus a
// share of the neighbours' spread, so that busy or noisy areas need a larger
// jump before a sample counts as defective.
//
// mode 100 (good light): base 64, only extreme outliers such as stuck pixels.
// mode 6, 7:             base 32, mild.
// mode 4, 5:             base 16, stronger.
// odd modes (and 101):   the frame is reduced later, which averages small
//                        defects away: base +25%, and the replacement is
//                        the cheaper mean of the four straight neighbours.
// other modes:           as 6 and 7.
// flag 1 (low light):    base +50%, and the whole neighbour spread is added
//                        to the threshold instead of half of it.
// Corrected samples feed the test of the samples after them.
#include "kernel_section.h"
#include "pixel_math.h"
#include "slots.h"

namespace sorvex1 {
namespace {

constexpr int32_t kMaxNeighbours = 8;

struct OutlierTest {
  int32_t baseThreshold;
  int32_t spreadQuarters;  // share of the neighbours' spread added, in quarters
  bool meanOfStraightNeighbours;
};

OutlierTest OutlierTestFor(uint32_t flag, uint32_t mode) {
  OutlierTest test;
  const bool reducedLater = (mode & 1u) != 0;
  const uint32_t level = mode & ~1u;
  if (level == 100) {
    test.baseThreshold = 64;
  } else if (level == 4) {
    test.baseThreshold = 16;
  } else {
    test.baseThreshold = 32;
  }
  if (reducedLater) test.baseThreshold += test.baseThreshold / 4;
  test.spreadQuarters = 2;
  if (flag == 1) {
    test.baseThreshold += test.baseThreshold / 2;
    test.spreadQuarters = 4;
  }
  test.meanOfStraightNeighbours = reducedLater;
  return test;
}

// Same-colour neighbours of one sample; the straight ones come first.
struct Neighbours {
  int32_t values[kMaxNeighbours];
  int32_t count;
  int32_t straightCount;
};

void AddIfInside(const uint8_t *line, int32_t x, int32_t width, Neighbours *n) {
  if (line != nullptr && x >= 0 && x < width) n->values[n->count++] = line[x];
}

// above and below are the lines two up and two down, null outside the frame.
Neighbours NeighboursOf(const uint8_t *above, const uint8_t *line, const uint8_t *below, int32_t x,
                        int32_t width) {
  Neighbours n;
  n.count = 0;
  AddIfInside(line, x - 2, width, &n);
  AddIfInside(line, x + 2, width, &n);
  AddIfInside(above, x, width, &n);
  AddIfInside(below, x, width, &n);
  n.straightCount = n.count;
  AddIfInside(above, x - 2, width, &n);
  AddIfInside(above, x + 2, width, &n);
  AddIfInside(below, x - 2, width, &n);
  AddIfInside(below, x + 2, width, &n);
  return n;
}

int32_t MedianOf(Neighbours n) {
  for (int32_t i = 1; i < n.count; ++i) {
    const int32_t value = n.values[i];
    int32_t j = i;
    for (; j > 0 && n.values[j - 1] > value; --j) n.values[j] = n.values[j - 1];
    n.values[j] = value;
  }
  const int32_t middle = n.count / 2;
  if ((n.count & 1) != 0) return n.values[middle];
  return (n.values[middle - 1] + n.values[middle] + 1) / 2;
}

int32_t MeanOfStraight(const Neighbours &n) {
  int32_t sum = 0;
  for (int32_t i = 0; i < n.straightCount; ++i) sum += n.values[i];
  return (sum + n.straightCount / 2) / n.straightCount;
}

// The corrected value of a sample, or the sample itself when it fits in.
int32_t CorrectedSample(int32_t value, const Neighbours &n, const OutlierTest &test) {
  if (n.count < 2 || n.straightCount == 0) return value;
  int32_t lo = n.values[0];
  int32_t hi = n.values[0];
  for (int32_t i = 1; i < n.count; ++i) {
    lo = MinInt(lo, n.values[i]);
    hi = MaxInt(hi, n.values[i]);
  }
  const int32_t threshold = test.baseThreshold + (hi - lo) * test.spreadQuarters / 4;
  if (value <= hi + threshold && value >= lo - threshold) return value;
  return test.meanOfStraightNeighbours ? MeanOfStraight(n) : MedianOf(n);
}

// The exact per-sample correction of samples first .. last - 1 of a line.
void CorrectSamples(const uint8_t *above, uint8_t *line, const uint8_t *below, int32_t width, int32_t first,
                    int32_t last, const OutlierTest &test) {
  for (int32_t x = first; x < last; ++x) {
    const Neighbours n = NeighboursOf(above, line, below, x, width);
    line[x] = static_cast<uint8_t>(CorrectedSample(line[x], n, test));
  }
}

void CorrectLine(const uint8_t *above, uint8_t *line, const uint8_t *below, int32_t width,
                 const OutlierTest &test) {
  CorrectSamples(above, line, below, width, 0, width, test);
}

// Interior samples are screened a block of kScreenBlock at a time: all
// eight neighbours exist, and a sample that lies within its neighbours'
// range widened by the threshold stays as it is. The screen is a
// branch-free loop over the block that the compiler vectorises; only the
// rare samples it marks go through the exact correction.

inline uint8_t MinByte(uint8_t a, uint8_t b) { return a < b ? a : b; }
inline uint8_t MaxByte(uint8_t a, uint8_t b) { return a > b ? a : b; }
inline uint8_t SaturatedSub(uint8_t a, uint8_t b) { return static_cast<uint8_t>(a > b ? a - b : 0); }
// The wrapped sum is below a exactly when the true sum passed 255.
inline uint8_t SaturatedAdd(uint8_t a, uint8_t b) {
  const uint8_t sum = static_cast<uint8_t>(a + b);
  return sum < a ? 255 : sum;
}

// marks[i] := 1 when sample x + i (i < kScreenBlock) of the line lies
// outside the widened range of its eight neighbours as they are now in
// memory, else 0. Returns whether any sample is marked. Needs 2 <= x and
// x + kScreenBlock + 2 <= width. The fixed trip count leaves the loops
// without scalar tails.
//
// Everything stays in bytes, sixteen samples to a vector: value > hi + t is
// value - hi > t with the difference saturating at 0, and t saturating at
// 255 changes nothing, since no difference of bytes exceeds 255. The spread share
// (half, rounded down, or all of it) is a constant, so the shift stays in
// byte lanes.
template <int32_t kSpreadShift>
bool ScreenBlockWithShift(const uint8_t *__restrict above, const uint8_t *__restrict line,
                          const uint8_t *__restrict below, int32_t x, uint8_t base,
                          uint8_t *__restrict marks) {
  for (int32_t i = 0; i < kScreenBlock; ++i) {
    const int32_t c = x + i;
    const uint8_t left = line[c - 2];
    const uint8_t right = line[c + 2];
    const uint8_t aboveLo = MinByte(MinByte(above[c - 2], above[c]), above[c + 2]);
    const uint8_t aboveHi = MaxByte(MaxByte(above[c - 2], above[c]), above[c + 2]);
    const uint8_t belowLo = MinByte(MinByte(below[c - 2], below[c]), below[c + 2]);
    const uint8_t belowHi = MaxByte(MaxByte(below[c - 2], below[c]), below[c + 2]);
    const uint8_t lo = MinByte(MinByte(aboveLo, belowLo), MinByte(left, right));
    const uint8_t hi = MaxByte(MaxByte(aboveHi, belowHi), MaxByte(left, right));
    const uint8_t threshold = SaturatedAdd(base, static_cast<uint8_t>(SaturatedSub(hi, lo) >> kSpreadShift));
    const uint8_t value = line[c];
    // Both tests as numbers, joined without a branch.
    const uint8_t tooHigh = SaturatedSub(value, hi) > threshold ? 1 : 0;
    const uint8_t tooLow = SaturatedSub(lo, value) > threshold ? 1 : 0;
    marks[i] = static_cast<uint8_t>(tooHigh | tooLow);
  }
  uint8_t any = 0;
  for (int32_t i = 0; i < kScreenBlock; ++i) any |= marks[i];
  return any != 0;
}

// Corrects sample x exactly; returns whether it changed.
bool CorrectSample(const uint8_t *above, uint8_t *line, const uint8_t *below, int32_t width, int32_t x,
                   const OutlierTest &test) {
  const uint8_t before = line[x];
  CorrectSamples(above, line, below, width, x, x + 1, test);
  return line[x] != before;
}

// Bit 0: the last sample visited changed; bit 1: the one before it.
uint32_t PushChange(uint32_t changedBehind, bool changed) {
  return ((changedBehind << 1) | (changed ? 1u : 0u)) & 3u;
}

// A line with both neighbouring same-colour lines: the two samples at each
// end exactly, the interior screened block by block. A corrected sample
// changes the neighbourhood of the sample two to its right, which is then
// corrected exactly too, whatever its mark; the screen of a block runs after
// the block before it is final, so it sees every earlier correction.
void CorrectInnerLine(const RowKernels &kernels, const uint8_t *above, uint8_t *line, const uint8_t *below,
                      int32_t width, const OutlierTest &test) {
  const int32_t head = MinInt(2, width);
  uint32_t changedBehind = 0;
  for (int32_t x = 0; x < head; ++x) {
    changedBehind = PushChange(changedBehind, CorrectSample(above, line, below, width, x, test));
  }
  const int32_t end = width - 2;
  if (end - 2 < kScreenBlock) {
    CorrectSamples(above, line, below, width, head, width, test);
    return;
  }
  uint8_t marks[kScreenBlock];
  const uint8_t base = static_cast<uint8_t>(test.baseThreshold);
  const int32_t spreadShift = test.spreadQuarters == 4 ? 0 : 1;
  for (int32_t x = 2; x < end; x += kScreenBlock) {
    const int32_t count = MinInt(kScreenBlock, end - x);
    // The last block is screened over the full block width, ending at the
    // line's interior end; only its marks from x on are used, so no sample
    // is corrected twice.
    const int32_t screened = x + kScreenBlock <= end ? x : end - kScreenBlock;
    const uint8_t *blockMarks = marks + (x - screened);
    const bool anyMarked = kernels.screenDefects(above, line, below, screened, base, spreadShift, marks);
    if (!anyMarked && changedBehind == 0) continue;
    for (int32_t i = 0; i < count; ++i) {
      const bool due = blockMarks[i] != 0 || (changedBehind & 2u) != 0;
      changedBehind = PushChange(changedBehind, due && CorrectSample(above, line, below, width, x + i, test));
    }
  }
  CorrectSamples(above, line, below, width, end, width, test);
}

}  // namespace

namespace scalar {

bool ScreenDefects(const uint8_t *above, const uint8_t *line, const uint8_t *below, int32_t x, uint8_t base,
                   int32_t spreadShift, uint8_t *marks) {
  if (spreadShift == 0) return ScreenBlockWithShift<0>(above, line, below, x, base, marks);
  return ScreenBlockWithShift<1>(above, line, below, x, base, marks);
}

}  // namespace scalar

void SORVEX1_CALL CorrectBadPixels(void *userData, uint8_t *raw, int32_t width, int32_t height, uint32_t flag,
                                   uint32_t mode) {
  LibraryState *state = StateFromUserData(userData);
  if (state == nullptr || raw == nullptr || !IsValidFrameSize(width, height)) return;
  const OutlierTest test = OutlierTestFor(flag, mode);
  const KernelSection section(state);
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t *above = y >= 2 ? raw + LineOffset(y - 2, width) : nullptr;
    const uint8_t *below = y + 2 < height ? raw + LineOffset(y + 2, width) : nullptr;
    if (above != nullptr && below != nullptr) {
      CorrectInnerLine(section.kernels(), above, raw + LineOffset(y, width), below, width, test);
    } else {
      CorrectLine(above, raw + LineOffset(y, width), below, width, test);
    }
  }
}

}  // namespace sorvex1
