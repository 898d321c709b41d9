// The exposure tables: their choice, every row of the fixed tables,
// and their shape (ordered by exposure under the sensor's own gain law,
// whole mains periods above the floor, light level falling at the long end).

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "exposure/exposure_entries.h"
#include "exposure/exposure_tables.h"
#include "sensorsim/sensor_model.h"

using namespace sorvex0;

namespace {

struct Entry {
  uint32_t exposure;
  uint32_t gain;
  uint32_t clock;  // light mode, clock or clock class
  uint32_t level;
};

// ES2216 entries: exposure, gain, level, mode; the others exposure, gain,
// clock, level.
Entry EntryOf(const ExposureTableChoice &table, uint32_t index, bool es2216) {
  const uint8_t *e = table.entries + index * (es2216 ? kEs2216EntryBytes : kMo4000EntryBytes);
  if (es2216) return {ReadLe16(e), e[2], e[4], e[3]};
  return {ReadLe16(e), e[2], e[3], e[4]};
}

void ExpectEntry(const ExposureTableChoice &table, bool es2216, uint32_t index, uint32_t exposure,
                 int gain = -1, int clock = -1, int level = -1) {
  const Entry entry = EntryOf(table, index, es2216);
  EXPECT_EQ(exposure, entry.exposure) << "index " << index;
  if (gain >= 0) {
    EXPECT_EQ(static_cast<uint32_t>(gain), entry.gain) << "gain at " << index;
  }
  if (clock >= 0) {
    EXPECT_EQ(static_cast<uint32_t>(clock), entry.clock) << "clock at " << index;
  }
  if (level >= 0) {
    EXPECT_EQ(static_cast<uint32_t>(level), entry.level) << "level at " << index;
  }
}

// Exposure time x gain under the sensor model's laws.
double Es2216Signal(const Entry &e) {
  return e.exposure * sensorsim::Es2216Gain(e.gain) * (e.clock == kEs2216LowLight ? 4 : 1);
}
double Mo4000Signal(const Entry &e) { return e.exposure * sensorsim::Mo4000Gain(e.gain) * (e.clock ? 2 : 1); }
double Ov96xxSignal(const Entry &e) { return e.exposure * 24.0 / e.clock * sensorsim::Ov96xxGain(e.gain); }

template <typename Signal>
void ExpectOrderedByExposure(const ExposureTableChoice &table, bool es2216, Signal signal) {
  for (uint32_t i = 1; i < table.length; ++i) {
    EXPECT_GE(signal(EntryOf(table, i, es2216)), signal(EntryOf(table, i - 1, es2216))) << "index " << i;
  }
}

void ExpectLevelsFall(const ExposureTableChoice &table, bool es2216, uint32_t lowest) {
  EXPECT_EQ(100u, EntryOf(table, 0, es2216).level);
  for (uint32_t i = 1; i < table.length; ++i) {
    EXPECT_LE(EntryOf(table, i, es2216).level, EntryOf(table, i - 1, es2216).level) << "index " << i;
  }
  EXPECT_EQ(lowest, EntryOf(table, table.length - 1, es2216).level);
}

// From the floor up every exposure is a whole number of half-periods (the
// rounded lines of `halfPeriodLines` times an integer).
void ExpectWholePeriodsFromFloor(const ExposureTableChoice &table, bool es2216, double halfPeriodLines) {
  for (uint32_t i = static_cast<uint32_t>(table.floor); i < table.length; ++i) {
    const uint32_t lines = EntryOf(table, i, es2216).exposure;
    const double periods = std::round(lines / halfPeriodLines);
    EXPECT_GE(periods, 1.0) << "index " << i;
    EXPECT_EQ(static_cast<uint32_t>(std::lround(periods * halfPeriodLines)), lines) << "index " << i;
  }
}

TEST(ExposureTablesTest, Es2216ChoiceLengthsFloorsAndStart) {
  struct Case {
    uint32_t flicker;
    bool highSpeed;
    uint32_t width;
    uint32_t length;
  };
  for (const Case &c : {Case{1, false, 320, 111}, Case{1, true, 640, 93}, Case{1, true, 1280, 109},
                        Case{0, false, 320, 120}, Case{0, true, 320, 95}, Case{2, true, 1280, 111}}) {
    const ExposureTableChoice table = SelectEs2216Table(c.flicker, c.highSpeed, c.width);
    EXPECT_EQ(c.length, table.length) << c.flicker << " " << c.highSpeed << " " << c.width;
    EXPECT_EQ(64, table.floor);
    EXPECT_EQ(60, table.startIndex);
  }
}

TEST(ExposureTablesTest, Es2216FiftyHertzHighSpeedRows) {
  const ExposureTableChoice table = SelectEs2216Table(1, true, 1280);
  ExpectEntry(table, true, 0, 3, 0, 24, 100);
  for (uint32_t i = 0; i <= 23; ++i) ExpectEntry(table, true, i, 3 + i, 0);
  for (uint32_t i = 24; i <= 50; ++i) EXPECT_GT(EntryOf(table, i, true).exposure, EntryOf(table, i - 1, true).exposure);
  ExpectEntry(table, true, 50, 158, 0);
  for (uint32_t i = 51; i <= 55; ++i) ExpectEntry(table, true, i, 158, static_cast<int>(i - 50));
  ExpectEntry(table, true, 56, 316);
  ExpectEntry(table, true, 60, 474);
  ExpectEntry(table, true, 63, 632);
  ExpectEntry(table, true, 65, 789);
  ExpectEntry(table, true, 67, 947);
  ExpectEntry(table, true, 77, 1263, 6, -1, 96);
  ExpectEntry(table, true, 92, 1895, 16, 24, 52);
  ExpectEntry(table, true, 93, 1263, 8, 6, 50);
  ExpectEntry(table, true, 108, 1895, 18, 6, 40);
  // Low light starts at 93 and holds to the end.
  for (uint32_t i = 0; i < table.length; ++i) EXPECT_EQ(i >= 93 ? 6u : 24u, EntryOf(table, i, true).clock) << i;
  ExpectOrderedByExposure(table, true, Es2216Signal);
  ExpectLevelsFall(table, true, 40);
  ExpectWholePeriodsFromFloor(table, true, 157.88);

  // The small capture uses the first 93 entries of the same table.
  const ExposureTableChoice small = SelectEs2216Table(1, true, 640);
  EXPECT_EQ(table.entries, small.entries);
}

TEST(ExposureTablesTest, Es2216SixtyHertzAndFullSpeedRows) {
  const ExposureTableChoice large = SelectEs2216Table(0, true, 1280);
  ExpectEntry(large, true, 71, 1053);
  ExpectEntry(large, true, large.length - 1, 1974, -1, 6, 40);
  EXPECT_EQ(large.entries, SelectEs2216Table(0, true, 640).entries);
  ExpectOrderedByExposure(large, true, Es2216Signal);
  ExpectWholePeriodsFromFloor(large, true, 131.6);

  const ExposureTableChoice fifty = SelectEs2216Table(1, false, 320);
  const ExposureTableChoice sixty = SelectEs2216Table(0, false, 320);
  ExpectEntry(fifty, true, fifty.length - 1, 911, 12);
  ExpectEntry(sixty, true, sixty.length - 1, 920, 12);
  for (const ExposureTableChoice &table : {fifty, sixty}) {
    for (uint32_t i = 0; i < table.length; ++i) {
      EXPECT_EQ(100u, EntryOf(table, i, true).level);
      EXPECT_EQ(24u, EntryOf(table, i, true).clock);
    }
    ExpectOrderedByExposure(table, true, Es2216Signal);
  }
  ExpectWholePeriodsFromFloor(fifty, true, 27.6);
  ExpectWholePeriodsFromFloor(sixty, true, 23.0);
}

TEST(ExposureTablesTest, Mo4000Rows) {
  const ExposureTableChoice fifty = SelectMo4000Table(1);
  EXPECT_EQ(278u, fifty.length);
  EXPECT_EQ(155, fifty.floor);
  EXPECT_EQ(130, fifty.startIndex);
  for (uint32_t i = 0; i <= 155; ++i) ExpectEntry(fifty, false, i, i + 1, 0, 0, 100);
  ExpectEntry(fifty, false, 156, 156, 1);
  ExpectEntry(fifty, false, 157, 156, 2);
  ExpectEntry(fifty, false, 197, 625, 0, -1, 94);
  ExpectEntry(fifty, false, 227, 2031, -1, -1, 62);
  ExpectEntry(fifty, false, 229, 1094, 0, 1, 60);
  for (uint32_t i = 249; i <= 277; ++i) ExpectEntry(fifty, false, i, 2031, static_cast<int>(i - 246), 1, 40);
  ExpectOrderedByExposure(fifty, false, Mo4000Signal);
  ExpectLevelsFall(fifty, false, 40);
  ExpectWholePeriodsFromFloor(fifty, false, 156.25);

  const ExposureTableChoice sixty = SelectMo4000Table(0);
  EXPECT_EQ(264u, sixty.length);
  EXPECT_EQ(129, sixty.floor);
  EXPECT_EQ(130, sixty.startIndex);
  ExpectEntry(sixty, false, 129, 130, 0, 0, 100);
  ExpectEntry(sixty, false, sixty.length - 1, 1953, 31, 1, 40);
  ExpectOrderedByExposure(sixty, false, Mo4000Signal);
  ExpectWholePeriodsFromFloor(sixty, false, 130.2);
}

TEST(ExposureTablesTest, Ov9650FiftyHertzSmallRows) {
  const ExposureTableChoice table = SelectOv9650Table(1, 640);
  EXPECT_EQ(284u, table.length);
  EXPECT_EQ(152, table.floor);
  EXPECT_EQ(180, table.startIndex);
  for (uint32_t i = 0; i <= 152; ++i) ExpectEntry(table, false, i, i, 0, 24, 100);
  for (uint32_t i = 153; i <= 167; ++i) ExpectEntry(table, false, i, 152, static_cast<int>(i - 152));
  ExpectEntry(table, false, 182, 448, 6, 24, 98);
  ExpectEntry(table, false, 188, 384, 8, 20);
  ExpectEntry(table, false, 191, 508, -1, 16);
  EXPECT_EQ(12u, EntryOf(table, 200, false).clock);
  ExpectEntry(table, false, 207, 416, -1, 8);
  EXPECT_EQ(6u, EntryOf(table, 218, false).clock);
  EXPECT_EQ(5u, EntryOf(table, 224, false).clock);
  ExpectEntry(table, false, 230, 492, 8, 4, 48);
  EXPECT_EQ(16u, EntryOf(table, 238, false).gain);
  for (uint32_t i = 238; i <= 271; ++i) EXPECT_EQ(40u, EntryOf(table, i, false).level) << i;
  for (uint32_t i = 272; i <= 283; ++i) ExpectEntry(table, false, i, 492, static_cast<int>(i - 156), 4, static_cast<int>(39 - (i - 272)));
  ExpectOrderedByExposure(table, false, Ov96xxSignal);
  ExpectLevelsFall(table, false, 28);
}

TEST(ExposureTablesTest, Ov96xxOtherTables) {
  struct Case {
    uint32_t flicker;
    uint32_t width;
    uint32_t length;
    int32_t floor;
  };
  for (const Case &c : {Case{1, 1280, 306, 158}, Case{0, 640, 261, 128}, Case{0, 1280, 283, 132}}) {
    const ExposureTableChoice table = SelectOv9650Table(c.flicker, c.width);
    EXPECT_EQ(c.length, table.length);
    EXPECT_EQ(c.floor, table.floor);
    EXPECT_EQ(180, table.startIndex);
    ExpectOrderedByExposure(table, false, Ov96xxSignal);
    ExpectLevelsFall(table, false, 28);
    const ExposureTableChoice ov9655 = SelectOv9655Table(c.flicker, c.width);
    EXPECT_EQ(c.length, ov9655.length);
    EXPECT_EQ(c.floor, ov9655.floor);
    EXPECT_EQ(130, ov9655.startIndex);
  }
}

// The OV9655 tables equal the OV9650 ones but for the 44 entries of 508
// lines between indices 158 and 206 of the 60 Hz small table.
TEST(ExposureTablesTest, Ov9655DiffersOnlyInTheSixtyHertzSmallTable) {
  for (uint32_t flicker : {0u, 1u}) {
    for (uint32_t width : {640u, 1280u}) {
      const ExposureTableChoice ov9650 = SelectOv9650Table(flicker, width);
      const ExposureTableChoice ov9655 = SelectOv9655Table(flicker, width);
      uint32_t changed = 0;
      for (uint32_t i = 0; i < ov9650.length; ++i) {
        const Entry a = EntryOf(ov9650, i, false);
        const Entry b = EntryOf(ov9655, i, false);
        EXPECT_EQ(a.gain, b.gain);
        EXPECT_EQ(a.clock, b.clock);
        EXPECT_EQ(a.level, b.level);
        if (a.exposure == b.exposure) continue;
        ++changed;
        EXPECT_TRUE(flicker != 1 && width == 640) << "index " << i;
        EXPECT_GE(i, 158u);
        EXPECT_LE(i, 206u);
        EXPECT_EQ(508u, a.exposure);
        EXPECT_EQ(496u, b.exposure);
      }
      EXPECT_EQ(flicker != 1 && width == 640 ? 44u : 0u, changed);
    }
  }
  // Every 508-line entry of that range changes.
  const ExposureTableChoice ov9650 = SelectOv9650Table(0, 640);
  uint32_t lines508 = 0;
  for (uint32_t i = 158; i <= 206; ++i) lines508 += EntryOf(ov9650, i, false).exposure == 508 ? 1 : 0;
  EXPECT_EQ(44u, lines508);
}

// ---- S5K4AA ----

struct S5k4aaStep {
  uint32_t selector;
  uint32_t gain;
  uint32_t level;
};
struct S5k4aaSetting {
  uint32_t exposure, valueA, valueB, flag1, flag2, mode;
};

S5k4aaStep StepOf(const S5k4aaTableChoice &table, uint32_t index) {
  const uint8_t *s = table.steps + index * kS5k4aaStepBytes;
  return {s[0], s[1], s[2]};
}
S5k4aaSetting SettingOf(const S5k4aaTableChoice &table, uint32_t number) {
  const uint8_t *s = table.settings + number * kS5k4aaSettingBytes;
  return {ReadLe16(s), ReadLe16(s + 2), ReadLe16(s + 4), s[6], s[7], s[8]};
}
// Exposure in pixel clocks times gain.
double S5k4aaSignal(const S5k4aaTableChoice &table, uint32_t index) {
  const S5k4aaStep step = StepOf(table, index);
  const S5k4aaSetting setting = SettingOf(table, step.selector >= 192 ? step.selector & 63 : 0);
  const double lines = step.selector >= 192 ? setting.exposure : step.selector;
  return lines * setting.valueA * step.gain;
}

TEST(ExposureTablesTest, S5k4aaChoiceAndFiftyHertzSmallRows) {
  struct Case {
    uint32_t flicker;
    uint32_t width;
    uint32_t length;
    int32_t floor;
  };
  for (const Case &c : {Case{1, 640, 1164, 614}, Case{1, 1280, 1155, 605}, Case{0, 320, 1144, 684},
                        Case{0, 1280, 1150, 655}}) {
    const S5k4aaTableChoice table = SelectS5k4aaTable(c.flicker, c.width);
    EXPECT_EQ(c.length, table.length);
    EXPECT_EQ(c.floor, table.floor);
    EXPECT_EQ(700, table.startIndex);
  }

  const S5k4aaTableChoice table = SelectS5k4aaTable(1, 640);
  EXPECT_EQ(2u, StepOf(table, 0).selector);
  EXPECT_EQ(191u, StepOf(table, 613).selector);
  for (uint32_t i = 1; i < 614; ++i) {
    EXPECT_LT(StepOf(table, i).selector, 192u);
    EXPECT_GE(StepOf(table, i).selector, StepOf(table, i - 1).selector) << i;
    EXPECT_GE(StepOf(table, i).gain, StepOf(table, i - 1).gain) << i;
    EXPECT_EQ(100u, StepOf(table, i).level);
  }
  EXPECT_GT(StepOf(table, 613).gain, StepOf(table, 0).gain);
  for (uint32_t i = 614; i < table.length; ++i) EXPECT_GE(StepOf(table, i).selector, 193u) << i;
  EXPECT_EQ(192u + 6, StepOf(table, 800).selector);
  EXPECT_EQ(86u, StepOf(table, 800).level);
  uint32_t topGain = 0;
  for (uint32_t i = 1100; i <= 1163; ++i) {
    EXPECT_EQ(192u + 16, StepOf(table, i).selector) << i;
    EXPECT_EQ(40u, StepOf(table, i).level) << i;
    topGain = std::max(topGain, StepOf(table, i).gain);
  }
  EXPECT_EQ(80u, topGain);
  const S5k4aaSetting first = SettingOf(table, 1);
  EXPECT_EQ(171u, first.exposure);
  EXPECT_EQ(757u, first.valueA);
  EXPECT_EQ(1009u, first.valueB);
  EXPECT_EQ(8u, first.flag1);
  EXPECT_EQ(2u, first.flag2);
  EXPECT_EQ(16u, first.mode);
}

TEST(ExposureTablesTest, S5k4aaShape) {
  for (uint32_t flicker : {0u, 1u}) {
    for (uint32_t width : {640u, 1280u}) {
      const S5k4aaTableChoice table = SelectS5k4aaTable(flicker, width);
      const double halfPeriodClocks = flicker == 1 ? 129447.0 : 107872.5;
      for (uint32_t i = 1; i < table.length; ++i) {
        EXPECT_GE(S5k4aaSignal(table, i), S5k4aaSignal(table, i - 1)) << "index " << i;
        EXPECT_LE(StepOf(table, i).level, StepOf(table, i - 1).level) << i;
        // Every selector names a setting of the table.
        if (StepOf(table, i).selector >= 192) {
          EXPECT_LT(StepOf(table, i).selector & 63, kS5k4aaSettings);
        }
      }
      EXPECT_EQ(40u, StepOf(table, table.length - 1).level);
      // The settings are whole mains half-periods (within a line's rounding).
      for (uint32_t number = 1; number < kS5k4aaSettings; ++number) {
        const S5k4aaSetting setting = SettingOf(table, number);
        const double periods = setting.exposure * setting.valueA / halfPeriodClocks;
        EXPECT_NEAR(std::round(periods), periods, 0.01) << "setting " << number;
        EXPECT_GT(setting.valueB, setting.exposure) << "setting " << number;
      }
    }
  }
}

TEST(ExposureTablesTest, LimitIndexKeepsLookupsInTheTable) {
  EXPECT_EQ(0, LimitIndex(-5, 100));
  EXPECT_EQ(99, LimitIndex(100, 100));
  EXPECT_EQ(99, LimitIndex(0x7FFFFFFF, 100));
  EXPECT_EQ(42, LimitIndex(42, 100));
  EXPECT_EQ(0, LimitIndex(3, 0));
  EXPECT_EQ(nullptr, TableEntry(nullptr, 10, 5, 1));
}

}  // namespace
