// Builds the exposure tables of the ES2216, MO4000, OV9650 and OV9655 at
// compile time from their shape: a list of runs of entries and the light
// level as a polyline over the index. The tables are constant data of the
// driver; nothing here runs at run time.
//
// Every table is ordered from the least to the most exposure. A run either
// lets the exposure rise line by line or geometrically at gain 0 (the short
// exposures below the mains floor), or holds one exposure while the gain
// rises code by code. Above the floor the exposures are whole multiples of
// the mains half-period, given as a number of periods or as lines.
#pragma once

#include <stdint.h>

namespace sorvex0 {

namespace exposure_tables {

enum class RunKind : uint8_t {
  kLines,    // exposure rises by one line per entry from `exposure`
  kGrowing,  // exposure grows geometrically from the previous entry's up to `exposure`
  kPeriods,  // `exposure` mains half-periods (rounded to lines), gain rising from `gain`
  kFixed,    // `exposure` lines, gain rising from `gain`
  kPeriodSteps,  // one more half-period per entry from `exposure` periods, gain `gain`
};

struct Run {
  RunKind kind;
  uint16_t count;
  uint16_t exposure;
  uint8_t gain;   // the first gain code of the run (kLines, kGrowing: the gain of every entry)
  uint8_t clock;  // the light mode, clock or clock class byte of every entry
};

// The light level at `index`; between two points it falls (or rises)
// linearly, truncated toward zero; past the last point it stays.
struct LevelPoint {
  uint16_t index;
  uint8_t level;
};

// How the gain codes of a sensor follow each other. The OV96xx gain has four
// fine bits and doubling bits; the codes 32 to 47 and 64 to 111 repeat gains
// of lower codes and are skipped.
enum class GainCodes : uint8_t { kConsecutive, kFineAndDoublingBits };

// Where the light level and the clock byte sit in an entry; the exposure
// (u16, little-endian) and the gain always take bytes 0 to 2.
struct EntryLayout {
  uint8_t entryBytes;
  uint8_t levelOffset;
  uint8_t clockOffset;
};

constexpr EntryLayout kEs2216Layout = {5, 3, 4};  // exposure, gain, level, light mode
constexpr EntryLayout kSixByteLayout = {6, 4, 3};  // exposure, gain, clock, level, reserved

template <uint32_t kEntries, uint32_t kEntryBytes>
struct Table {
  uint8_t bytes[kEntries * kEntryBytes];
};

// ---- Fixed-point geometric growth (Q20) ----

constexpr uint32_t kQ = 20;
constexpr uint64_t kOneQ = uint64_t{1} << kQ;

// Powers saturate at 2^20 (in Q20), far above any growth a table needs, so
// that the search below cannot overflow.
constexpr uint64_t kPowerCeilingQ = uint64_t{1} << (2 * kQ);

constexpr uint64_t PowerQ(uint64_t ratioQ, uint32_t power) {
  uint64_t value = kOneQ;
  for (uint32_t i = 0; i < power && value < kPowerCeilingQ; ++i) value = (value * ratioQ) >> kQ;
  return value < kPowerCeilingQ ? value : kPowerCeilingQ;
}

// The smallest ratio (Q20) that takes `from` to at least `to` in `steps`
// (values below 2^18, growth by at most 2 a step).
constexpr uint64_t GrowthRatioQ(uint64_t from, uint64_t to, uint32_t steps) {
  uint64_t low = kOneQ;
  uint64_t high = 2 * kOneQ;
  while (low + 1 < high) {
    const uint64_t middle = (low + high) / 2;
    if (from * PowerQ(middle, steps) >= (to << kQ)) {
      high = middle;
    } else {
      low = middle;
    }
  }
  return high;
}

// `from` times the ratio to the `step`-th power, rounded.
constexpr uint32_t GrownValue(uint64_t from, uint64_t ratioQ, uint32_t step) {
  return static_cast<uint32_t>((from * PowerQ(ratioQ, step) + kOneQ / 2) >> kQ);
}

// ---- Runs and levels ----

template <uint32_t kRuns>
constexpr uint32_t RunEntries(const Run (&runs)[kRuns]) {
  uint32_t total = 0;
  for (const Run &run : runs) total += run.count;
  return total;
}

constexpr uint8_t NextGain(uint8_t gain, GainCodes codes) {
  if (codes == GainCodes::kFineAndDoublingBits) {
    if (gain == 31) return 48;
    if (gain == 63) return 112;
  }
  return static_cast<uint8_t>(gain + 1);
}

template <uint32_t kPoints>
constexpr uint8_t LevelAt(const LevelPoint (&points)[kPoints], uint32_t index) {
  if (index <= points[0].index) return points[0].level;
  for (uint32_t p = 1; p < kPoints; ++p) {
    if (index <= points[p].index) {
      const int32_t from = points[p - 1].level;
      const int32_t to = points[p].level;
      const int32_t span = points[p].index - points[p - 1].index;
      const int32_t offset = static_cast<int32_t>(index) - points[p - 1].index;
      return static_cast<uint8_t>(from + (to - from) * offset / span);
    }
  }
  return points[kPoints - 1].level;
}

// Lines of `periods` mains half-periods of `halfPeriodHundredths` / 100 lines.
constexpr uint32_t PeriodLines(uint32_t periods, uint32_t halfPeriodHundredths) {
  return (periods * halfPeriodHundredths + 50) / 100;
}

template <uint32_t kEntries, uint32_t kEntryBytes>
constexpr void PutEntry(Table<kEntries, kEntryBytes> &table, uint32_t index, uint32_t exposure,
                        uint8_t gain, uint8_t clock, uint8_t level, EntryLayout layout) {
  uint8_t *entry = table.bytes + index * kEntryBytes;
  entry[0] = static_cast<uint8_t>(exposure & 0xFF);
  entry[1] = static_cast<uint8_t>(exposure >> 8);
  entry[2] = gain;
  entry[layout.levelOffset] = level;
  entry[layout.clockOffset] = clock;
}

// The exposure and gain of entry `j` of a run; `previous` is the exposure of
// the entry before the run, `growth` the ratio of a kGrowing run.
struct RunEntry {
  uint32_t exposure;
  uint8_t gain;
};

constexpr RunEntry EntryOfRun(const Run &run, uint32_t j, uint32_t previous, uint64_t growth,
                              uint8_t gain, uint32_t halfPeriodHundredths) {
  switch (run.kind) {
    case RunKind::kLines:
      return {run.exposure + j, run.gain};
    case RunKind::kGrowing:
      // The run ends exactly on its exposure, whatever the rounding.
      return {j + 1 == run.count ? run.exposure : GrownValue(previous, growth, j + 1), run.gain};
    case RunKind::kPeriods:
      return {PeriodLines(run.exposure, halfPeriodHundredths), gain};
    case RunKind::kFixed:
      return {run.exposure, gain};
    case RunKind::kPeriodSteps:
      return {PeriodLines(run.exposure + j, halfPeriodHundredths), run.gain};
  }
  return {0, 0};
}

// Expands the runs into a table of kEntries entries (the caller checks with
// RunEntries that the runs hold exactly that many).
template <uint32_t kEntries, uint32_t kEntryBytes, uint32_t kRuns, uint32_t kPoints>
constexpr Table<kEntries, kEntryBytes> BuildTable(const Run (&runs)[kRuns],
                                                  const LevelPoint (&levels)[kPoints],
                                                  uint32_t halfPeriodHundredths, GainCodes codes,
                                                  EntryLayout layout) {
  Table<kEntries, kEntryBytes> table{};
  uint32_t index = 0;
  uint32_t previous = 0;
  for (const Run &run : runs) {
    const uint64_t growth =
        run.kind == RunKind::kGrowing ? GrowthRatioQ(previous, run.exposure, run.count) : kOneQ;
    const uint32_t before = previous;
    uint8_t gain = run.gain;
    for (uint32_t j = 0; j < run.count && index < kEntries; ++j, ++index) {
      const RunEntry entry = EntryOfRun(run, j, before, growth, gain, halfPeriodHundredths);
      PutEntry(table, index, entry.exposure, entry.gain, run.clock, LevelAt(levels, index), layout);
      previous = entry.exposure;
      gain = NextGain(gain, codes);
    }
  }
  return table;
}

}  // namespace exposure_tables

}  // namespace sorvex0
