// The exposure tables of the OV9650 and the OV9655.
//
// The OV96xx gain has four fine bits, each 1/16, and doubling bits: codes 0
// to 15, 16 to 31, 48 to 63 and 112 to 127 give 1 to 15.5 times the signal.
// The clock class is the sensor clock in MHz (24 down to 4): a line takes
// 24/class times as long as at class 24. Each class holds the longest
// exposure that is (about) a whole number of mains half-periods in the frame
// and lets the gain rise until the next class is brighter.
//
// The OV9655 tables equal the OV9650 ones but for the 60 Hz small table,
// whose entries of 508 lines between indices 158 and 206 use 496 lines.

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

constexpr Run Lines(uint16_t count) { return {RunKind::kLines, count, 0, 0, 24}; }
constexpr Run Fixed(uint16_t count, uint16_t lines, uint8_t firstGain, uint8_t clockClass) {
  return {RunKind::kFixed, count, lines, firstGain, clockClass};
}

// 50 Hz, small: the exposure equals the index up to 152 lines, then 1, 2
// and 3 periods at class 24 (448 lines, gain 6 at index 182). Between index
// 182 and the class-20 entry of index 188 the gain has room for two steps
// only, so the class-20 step is held for four entries.
constexpr Run kRuns50Small[] = {
    Lines(153),          Fixed(15, 152, 1, 24), Fixed(8, 304, 0, 24), Fixed(8, 448, 0, 24),
    Fixed(1, 384, 7, 20), Fixed(1, 384, 7, 20), Fixed(1, 384, 7, 20), Fixed(1, 384, 7, 20),
    Fixed(3, 384, 8, 20), Fixed(9, 508, 0, 16), Fixed(7, 456, 5, 12), Fixed(11, 416, 4, 8),
    Fixed(6, 494, 4, 6),  Fixed(6, 507, 6, 5),  Fixed(40, 492, 8, 4), Fixed(1, 492, 112, 4),
    Fixed(1, 492, 114, 4), Fixed(12, 492, 116, 4),
};
constexpr LevelPoint kLevels50Small[] = {{0, 100},   {176, 100}, {182, 98},  {230, 48},
                                         {238, 40},  {271, 40},  {272, 39},  {283, 28}};

// 50 Hz, large (frames of about 1,000 lines): 1 to 6 periods at class 24,
// then one exposure per class; at class 4 the exposure grows by a period at
// a time before the last gains.
constexpr Run kRuns50Large[] = {
    Lines(159),           Fixed(15, 158, 1, 24), Fixed(8, 316, 0, 24),  Fixed(6, 474, 0, 24),
    Fixed(4, 632, 0, 24), Fixed(4, 790, 0, 24),  Fixed(3, 948, 0, 24),  Fixed(5, 922, 0, 20),
    Fixed(6, 948, 0, 16), Fixed(4, 948, 0, 12),  Fixed(4, 987, 0, 10),  Fixed(7, 948, 0, 8),
    Fixed(4, 988, 0, 6),  Fixed(4, 987, 0, 5),   Fixed(48, 974, 0, 4),  Fixed(1, 1001, 63, 4),
    Fixed(1, 1027, 63, 4), Fixed(1, 1053, 63, 4), Fixed(1, 1080, 63, 4), Fixed(1, 1106, 63, 4),
    Fixed(1, 1132, 63, 4), Fixed(1, 1159, 63, 4), Fixed(1, 1185, 63, 4), Fixed(1, 1211, 63, 4),
    Fixed(16, 1211, 112, 4),
};
constexpr LevelPoint kLevels50Large[] = {{0, 100},  {198, 100}, {233, 48}, {249, 40},
                                         {293, 40}, {294, 39},  {305, 28}};

// 60 Hz, small: 1 to 4 periods at class 24, then 508 lines at the classes
// where they are whole periods (24, 16, 12, 8, 6, 4) and the nearest at
// classes 10 and 5 (475 and 501 lines): 44 entries of 508 lines between
// indices 158 and 206. Past them the exposure grows to 25 periods.
struct SixtySmallRuns {
  Run runs[15];
};
constexpr SixtySmallRuns SixtySmall(uint16_t fourPeriods) {
  return {{Lines(129), Fixed(15, 128, 1, 24), Fixed(8, 254, 0, 24), Fixed(6, 381, 0, 24),
           Fixed(8, fourPeriods, 0, 24), Fixed(6, fourPeriods, 0, 16), Fixed(7, fourPeriods, 0, 12),
           Fixed(2, 475, 4, 10), Fixed(6, fourPeriods, 0, 8), Fixed(6, fourPeriods, 0, 6),
           Fixed(3, 501, 2, 5), Fixed(11, fourPeriods, 0, 4), Fixed(37, 508, 11, 4),
           Fixed(1, 528, 63, 4), Fixed(16, 528, 112, 4)}};
}
constexpr SixtySmallRuns kRuns60Small = SixtySmall(508);
constexpr SixtySmallRuns kRuns60SmallOv9655 = SixtySmall(496);
constexpr LevelPoint kLevels60Small[] = {{0, 100},  {165, 100}, {196, 48}, {212, 40},
                                         {248, 40}, {249, 39},  {260, 28}};

// 60 Hz, large: as the 50 Hz large table with 131.67-line periods.
constexpr Run kRuns60Large[] = {
    Lines(133),           Fixed(15, 132, 1, 24), Fixed(9, 263, 0, 24),  Fixed(6, 395, 0, 24),
    Fixed(4, 527, 0, 24), Fixed(4, 658, 0, 24),  Fixed(3, 790, 0, 24),  Fixed(5, 922, 0, 24),
    Fixed(4, 988, 0, 20), Fixed(6, 966, 0, 16),  Fixed(4, 988, 0, 12),  Fixed(4, 988, 0, 10),
    Fixed(6, 966, 0, 8),  Fixed(4, 988, 0, 6),   Fixed(4, 988, 0, 5),   Fixed(48, 988, 0, 4),
    Fixed(1, 1009, 63, 4), Fixed(1, 1031, 63, 4), Fixed(1, 1053, 63, 4), Fixed(1, 1075, 63, 4),
    Fixed(1, 1097, 63, 4), Fixed(1, 1119, 63, 4), Fixed(1, 1141, 63, 4), Fixed(1, 1163, 63, 4),
    Fixed(16, 1163, 112, 4),
};
constexpr LevelPoint kLevels60Large[] = {{0, 100},  {178, 100}, {211, 48}, {227, 40},
                                         {270, 40}, {271, 39},  {282, 28}};

constexpr uint32_t kEntries50Small = 284;
constexpr uint32_t kEntries50Large = 306;
constexpr uint32_t kEntries60Small = 261;
constexpr uint32_t kEntries60Large = 283;
static_assert(RunEntries(kRuns50Small) == kEntries50Small, "50 Hz small runs");
static_assert(RunEntries(kRuns50Large) == kEntries50Large, "50 Hz large runs");
static_assert(RunEntries(kRuns60Small.runs) == kEntries60Small, "60 Hz small runs");
static_assert(RunEntries(kRuns60SmallOv9655.runs) == kEntries60Small, "OV9655 60 Hz small runs");
static_assert(RunEntries(kRuns60Large) == kEntries60Large, "60 Hz large runs");

template <uint32_t kEntries, uint32_t kRuns, uint32_t kPoints>
constexpr exposure_tables::Table<kEntries, kOv96xxEntryBytes> Build(const Run (&runs)[kRuns],
                                                                     const LevelPoint (&levels)[kPoints]) {
  // The runs give lines, not periods: no half-period is needed.
  return BuildTable<kEntries, kOv96xxEntryBytes>(runs, levels, 0, GainCodes::kFineAndDoublingBits,
                                                 kSixByteLayout);
}

constexpr auto kTable50Small = Build<kEntries50Small>(kRuns50Small, kLevels50Small);
constexpr auto kTable50Large = Build<kEntries50Large>(kRuns50Large, kLevels50Large);
constexpr auto kTable60Small = Build<kEntries60Small>(kRuns60Small.runs, kLevels60Small);
constexpr auto kTable60SmallOv9655 = Build<kEntries60Small>(kRuns60SmallOv9655.runs, kLevels60Small);
constexpr auto kTable60Large = Build<kEntries60Large>(kRuns60Large, kLevels60Large);

ExposureTableChoice SelectOv96xxTable(uint32_t flickerMode, uint32_t captureWidth,
                                      const uint8_t *sixtySmall, int32_t start) {
  const bool small = IsSmallCapture(captureWidth);
  if (IsFiftyHertz(flickerMode)) {
    return small ? ExposureTableChoice{kTable50Small.bytes, kEntries50Small, 152, start}
                 : ExposureTableChoice{kTable50Large.bytes, kEntries50Large, 158, start};
  }
  return small ? ExposureTableChoice{sixtySmall, kEntries60Small, 128, start}
               : ExposureTableChoice{kTable60Large.bytes, kEntries60Large, 132, start};
}

}  // namespace

ExposureTableChoice SelectOv9650Table(uint32_t flickerMode, uint32_t captureWidth) {
  return SelectOv96xxTable(flickerMode, captureWidth, kTable60Small.bytes, 180);
}

ExposureTableChoice SelectOv9655Table(uint32_t flickerMode, uint32_t captureWidth) {
  return SelectOv96xxTable(flickerMode, captureWidth, kTable60SmallOv9655.bytes, 130);
}

}  // namespace sorvex0
