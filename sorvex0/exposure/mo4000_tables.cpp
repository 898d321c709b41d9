// The two MO4000 exposure tables.
//
// The MO4000 gain code g (0 to 31) multiplies by 2^(g/21), about 3.4 % a
// code; clock 1 halves the sensor clock, which doubles the line time. Up to
// the floor the exposure is the index plus one line; above it whole mains
// half-periods (156.25 lines at 50 Hz, 130.2 at 60 Hz), at most 2,031 and
// 1,953 lines, the longest that fit the frame; past them the clock halves
// and the exposure starts again at half the lines.

#include "exposure/exposure_table_builder.h"
#include "exposure/exposure_tables.h"

namespace sorvex0 {

namespace {

using exposure_tables::BuildTable;
using exposure_tables::GainCodes;
using exposure_tables::kSixByteLayout;
using exposure_tables::LevelPoint;
using exposure_tables::Run;
using exposure_tables::RunEntries;
using exposure_tables::RunKind;

constexpr uint8_t kFullClock = 0;
constexpr uint8_t kHalfClock = 1;

// 50 Hz: one to four periods gain code by code (4 periods at index 197),
// then steps of about 3.5 % to 13 periods (index 227); at index 229 the
// clock halves at 7 periods, and the last 29 entries raise the gain of 13
// periods from 3 to 31.
constexpr uint32_t kHalfPeriod50 = 15625;
constexpr Run kRuns50[] = {
    {RunKind::kLines, 156, 1, 0, kFullClock},
    {RunKind::kPeriods, 20, 1, 1, kFullClock},
    {RunKind::kPeriods, 13, 2, 0, kFullClock},
    {RunKind::kPeriods, 8, 3, 0, kFullClock},
    {RunKind::kPeriods, 4, 4, 0, kFullClock},
    {RunKind::kPeriods, 3, 4, 5, kFullClock},
    {RunKind::kPeriods, 7, 5, 2, kFullClock},
    {RunKind::kPeriods, 6, 6, 4, kFullClock},
    {RunKind::kPeriods, 2, 7, 6, kFullClock},
    {RunKind::kPeriods, 1, 8, 4, kFullClock},
    {RunKind::kPeriods, 1, 9, 2, kFullClock},
    {RunKind::kPeriods, 2, 10, 0, kFullClock},
    {RunKind::kPeriods, 3, 11, 0, kFullClock},
    {RunKind::kPeriods, 1, 12, 1, kFullClock},
    {RunKind::kPeriods, 2, 13, 0, kFullClock},
    {RunKind::kPeriods, 9, 7, 0, kHalfClock},
    {RunKind::kPeriods, 5, 8, 5, kHalfClock},
    {RunKind::kPeriods, 3, 9, 7, kHalfClock},
    {RunKind::kPeriods, 1, 10, 7, kHalfClock},
    {RunKind::kPeriods, 1, 12, 3, kHalfClock},
    {RunKind::kPeriods, 30, 13, 2, kHalfClock},
};
constexpr LevelPoint kLevels50[] = {{0, 100},  {155, 100}, {197, 94}, {227, 62},
                                    {229, 60}, {249, 40},  {277, 40}};

// 60 Hz: the same start to 4 periods (index 171); the gain of 4 periods
// then rises to 31, 8 periods take over, 15 periods (1,953 lines) follow,
// and with the clock halved 8 periods again and 15 periods to the end.
constexpr uint32_t kHalfPeriod60 = 13020;
constexpr Run kRuns60[] = {
    {RunKind::kLines, 130, 1, 0, kFullClock},
    {RunKind::kPeriods, 20, 1, 1, kFullClock},
    {RunKind::kPeriods, 13, 2, 0, kFullClock},
    {RunKind::kPeriods, 8, 3, 0, kFullClock},
    {RunKind::kPeriods, 32, 4, 0, kFullClock},
    {RunKind::kPeriods, 8, 8, 11, kFullClock},
    {RunKind::kPeriods, 2, 15, 0, kFullClock},
    {RunKind::kPeriods, 20, 8, 0, kHalfClock},
    {RunKind::kPeriods, 31, 15, 1, kHalfClock},
};
constexpr LevelPoint kLevels60[] = {{0, 100},  {129, 100}, {171, 94}, {211, 62},
                                    {213, 60}, {235, 40},  {263, 40}};

constexpr uint32_t kEntries50 = 278;
constexpr uint32_t kEntries60 = 264;
static_assert(RunEntries(kRuns50) == kEntries50, "50 Hz runs");
static_assert(RunEntries(kRuns60) == kEntries60, "60 Hz runs");

constexpr auto kTable50 = BuildTable<kEntries50, kMo4000EntryBytes>(
    kRuns50, kLevels50, kHalfPeriod50, GainCodes::kConsecutive, kSixByteLayout);
constexpr auto kTable60 = BuildTable<kEntries60, kMo4000EntryBytes>(
    kRuns60, kLevels60, kHalfPeriod60, GainCodes::kConsecutive, kSixByteLayout);

constexpr int32_t kStart = 130;

}  // namespace

ExposureTableChoice SelectMo4000Table(uint32_t flickerMode) {
  if (IsFiftyHertz(flickerMode)) return {kTable50.bytes, kEntries50, 155, kStart};
  return {kTable60.bytes, kEntries60, 129, kStart};
}

}  // namespace sorvex0
