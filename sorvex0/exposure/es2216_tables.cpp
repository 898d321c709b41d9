// The six ES2216 exposure tables.
//
// The gain code g of the ES2216 multiplies by 2^(g/6): six codes double the
// signal, so one code is about 12 %. In low light the sensor runs its clock
// at 6 instead of 24 MHz (the mode byte), which makes every line four times
// longer. Above the mains floor the exposures are whole mains half-periods:
// 157.88 lines at 50 Hz and 131.6 at 60 Hz at high speed, 27.6 and 23 lines
// at full speed.
//
// At high speed the small captures use the first entries of the large
// table, which stop before the low-light mode.

#include "exposure/exposure_table_builder.h"
#include "exposure/exposure_tables.h"

namespace sorvex0 {

namespace {

using exposure_tables::BuildTable;
using exposure_tables::GainCodes;
using exposure_tables::kEs2216Layout;
using exposure_tables::LevelPoint;
using exposure_tables::Run;
using exposure_tables::RunEntries;
using exposure_tables::RunKind;

constexpr uint8_t kNormal = kEs2216NormalLight;
constexpr uint8_t kLow = kEs2216LowLight;

// Both high-speed tables start alike: 3 to 26 lines, growth to one
// half-period at index 50, then each multiple up to 7 periods with the gain
// codes that stay below the next multiple, and 8 periods from index 71.
//
// 50 Hz: 8 periods up to gain 13, then one period more per two
// entries up to 12 periods (index 92, gain 16); the low-light mode starts
// again at 8 periods (index 93) and ends at 12 periods with gain 18.
constexpr uint32_t kHalfPeriod50 = 15788;
constexpr Run kRuns50[] = {
    {RunKind::kLines, 24, 3, 0, kNormal},
    {RunKind::kGrowing, 27, 158, 0, kNormal},
    {RunKind::kPeriods, 5, 1, 1, kNormal},
    {RunKind::kPeriods, 4, 2, 0, kNormal},
    {RunKind::kPeriods, 3, 3, 0, kNormal},
    {RunKind::kPeriods, 2, 4, 0, kNormal},
    {RunKind::kPeriods, 2, 5, 0, kNormal},
    {RunKind::kPeriods, 2, 6, 0, kNormal},
    {RunKind::kPeriods, 2, 7, 0, kNormal},
    {RunKind::kPeriods, 14, 8, 0, kNormal},
    {RunKind::kPeriods, 2, 9, 12, kNormal},
    {RunKind::kPeriods, 2, 10, 13, kNormal},
    {RunKind::kPeriods, 2, 11, 14, kNormal},
    {RunKind::kPeriods, 2, 12, 15, kNormal},
    {RunKind::kPeriods, 8, 8, 8, kLow},
    {RunKind::kPeriods, 2, 9, 14, kLow},
    {RunKind::kPeriods, 2, 10, 15, kLow},
    {RunKind::kPeriods, 2, 11, 16, kLow},
    {RunKind::kPeriods, 2, 12, 17, kLow},
};
constexpr LevelPoint kLevels50[] = {{0, 100}, {73, 100}, {77, 96}, {92, 52}, {93, 50}, {108, 40}};

// 60 Hz: 8 periods (1053 lines) at index 71, then up to 15 periods (1974
// lines) in both light modes.
constexpr uint32_t kHalfPeriod60 = 13160;
constexpr Run kRuns60[] = {
    {RunKind::kLines, 24, 3, 0, kNormal},
    {RunKind::kGrowing, 27, 132, 0, kNormal},
    {RunKind::kPeriods, 5, 1, 1, kNormal},
    {RunKind::kPeriods, 4, 2, 0, kNormal},
    {RunKind::kPeriods, 3, 3, 0, kNormal},
    {RunKind::kPeriods, 2, 4, 0, kNormal},
    {RunKind::kPeriods, 2, 5, 0, kNormal},
    {RunKind::kPeriods, 2, 6, 0, kNormal},
    {RunKind::kPeriods, 2, 7, 0, kNormal},
    {RunKind::kPeriods, 14, 8, 0, kNormal},
    {RunKind::kPeriods, 2, 9, 12, kNormal},
    {RunKind::kPeriods, 1, 10, 13, kNormal},
    {RunKind::kPeriods, 1, 11, 13, kNormal},
    {RunKind::kPeriods, 2, 12, 13, kNormal},
    {RunKind::kPeriods, 1, 13, 14, kNormal},
    {RunKind::kPeriods, 1, 14, 14, kNormal},
    {RunKind::kPeriods, 2, 15, 14, kNormal},
    {RunKind::kPeriods, 8, 8, 9, kLow},
    {RunKind::kPeriodSteps, 7, 9, 16, kLow},
    {RunKind::kPeriods, 1, 15, 17, kLow},
};
constexpr LevelPoint kLevels60[] = {{0, 100}, {73, 100}, {77, 96}, {94, 52}, {95, 50}, {110, 40}};

// Full speed: lines one by one up to just below three (50 Hz: two and a
// half) periods, then every multiple with the gain codes below the next,
// and the gain rising to 12 on the longest exposure (33 and 40 periods,
// 911 and 920 lines). Always full light and the normal mode.
constexpr uint32_t kHalfPeriodFullSpeed50 = 2760;
constexpr Run kRunsFullSpeed50[] = {
    {RunKind::kLines, 60, 3, 0, kNormal},        {RunKind::kPeriods, 2, 2, 2, kNormal},
    {RunKind::kPeriods, 3, 3, 0, kNormal},       {RunKind::kPeriods, 2, 4, 0, kNormal},
    {RunKind::kPeriods, 2, 5, 0, kNormal},       {RunKind::kPeriods, 2, 6, 0, kNormal},
    {RunKind::kPeriods, 2, 7, 0, kNormal},       {RunKind::kPeriodSteps, 25, 8, 0, kNormal},
    {RunKind::kPeriods, 13, 33, 0, kNormal},
};
constexpr uint32_t kHalfPeriodFullSpeed60 = 2300;
constexpr Run kRunsFullSpeed60[] = {
    {RunKind::kLines, 64, 3, 0, kNormal},        {RunKind::kPeriods, 3, 3, 0, kNormal},
    {RunKind::kPeriods, 2, 4, 0, kNormal},       {RunKind::kPeriods, 2, 5, 0, kNormal},
    {RunKind::kPeriods, 2, 6, 0, kNormal},       {RunKind::kPeriods, 2, 7, 0, kNormal},
    {RunKind::kPeriodSteps, 32, 8, 0, kNormal},  {RunKind::kPeriods, 13, 40, 0, kNormal},
};
constexpr LevelPoint kFullLight[] = {{0, 100}};

constexpr uint32_t kEntries50 = 109;
constexpr uint32_t kEntries60 = 111;
constexpr uint32_t kEntriesFullSpeed50 = 111;
constexpr uint32_t kEntriesFullSpeed60 = 120;
static_assert(RunEntries(kRuns50) == kEntries50, "50 Hz high-speed runs");
static_assert(RunEntries(kRuns60) == kEntries60, "60 Hz high-speed runs");
static_assert(RunEntries(kRunsFullSpeed50) == kEntriesFullSpeed50, "50 Hz full-speed runs");
static_assert(RunEntries(kRunsFullSpeed60) == kEntriesFullSpeed60, "60 Hz full-speed runs");

template <uint32_t kEntries, uint32_t kRuns, uint32_t kPoints>
constexpr exposure_tables::Table<kEntries, kEs2216EntryBytes> Build(const Run (&runs)[kRuns],
                                                                     const LevelPoint (&levels)[kPoints],
                                                                     uint32_t halfPeriod) {
  return BuildTable<kEntries, kEs2216EntryBytes>(runs, levels, halfPeriod, GainCodes::kConsecutive,
                                                 kEs2216Layout);
}

constexpr auto kTable50 = Build<kEntries50>(kRuns50, kLevels50, kHalfPeriod50);
constexpr auto kTable60 = Build<kEntries60>(kRuns60, kLevels60, kHalfPeriod60);
constexpr auto kTableFullSpeed50 =
    Build<kEntriesFullSpeed50>(kRunsFullSpeed50, kFullLight, kHalfPeriodFullSpeed50);
constexpr auto kTableFullSpeed60 =
    Build<kEntriesFullSpeed60>(kRunsFullSpeed60, kFullLight, kHalfPeriodFullSpeed60);

// The small high-speed captures stop before the low-light entries.
constexpr uint32_t kSmallEntries50 = 93;
constexpr uint32_t kSmallEntries60 = 95;
constexpr int32_t kFloor = 64;
constexpr int32_t kStart = 60;

}  // namespace

ExposureTableChoice SelectEs2216Table(uint32_t flickerMode, bool highSpeed, uint32_t captureWidth) {
  const bool fifty = IsFiftyHertz(flickerMode);
  if (!highSpeed) {
    return fifty ? ExposureTableChoice{kTableFullSpeed50.bytes, kEntriesFullSpeed50, kFloor, kStart}
                 : ExposureTableChoice{kTableFullSpeed60.bytes, kEntriesFullSpeed60, kFloor, kStart};
  }
  const bool small = IsSmallCapture(captureWidth);
  if (fifty) return {kTable50.bytes, small ? kSmallEntries50 : kEntries50, kFloor, kStart};
  return {kTable60.bytes, small ? kSmallEntries60 : kEntries60, kFloor, kStart};
}

}  // namespace sorvex0
