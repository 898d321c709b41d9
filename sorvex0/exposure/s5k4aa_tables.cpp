// The four S5K4AA table pairs: a step table, which the exposure index walks,
// and a table of sensor settings.
//
// A step entry holds a selector, the global gain (32 is unity) and the
// light level. Selectors below 192 are exposures in lines, taken with the
// values of setting 0; from the floor on the selector is 192 plus the
// number of a setting, each setting a whole number of mains half-periods.
// The settings give the exposure in lines, the line length in pixel clocks
// (value A), the frame length in lines (value B), two flag bytes and a mode
// byte: bits 0-1 mark a frame longer than the short one, bits 2-3 a doubled
// line length.
//
// The steps below the floor let the exposure grow from 2 to 191 lines and
// the gain rise with it, both geometrically. From the floor the brightness
// (exposure times gain) grows geometrically between four points: setting 1
// at unity gain on the floor, setting 6 at unity gain 186 entries later,
// the last setting at unity gain 64 entries before the end, and the last
// setting at gain 80 on the last entry. Each entry takes the longest setting
// that does not need a gain below unity.

#include "exposure/exposure_table_builder.h"
#include "exposure/exposure_tables.h"

namespace sorvex0 {

namespace {

using exposure_tables::GrownValue;
using exposure_tables::GrowthRatioQ;
using exposure_tables::LevelAt;
using exposure_tables::LevelPoint;

constexpr uint32_t kUnityGain = 32;
constexpr uint32_t kTopGain = 80;
constexpr uint32_t kFirstSelector = 2;
constexpr uint32_t kLastSelector = 191;
constexpr uint32_t kSettingSelector = 192;
constexpr uint32_t kSixthSettingOffset = 186;
constexpr uint32_t kTopGainEntries = 64;
constexpr uint32_t kFrameMargin = 8;
constexpr uint8_t kFlag1 = 8;
constexpr uint8_t kFlag2 = 2;
constexpr uint8_t kModeShort = 16;
constexpr uint8_t kModeLongFrame = 17;
constexpr uint8_t kModeLongLine = 21;

struct Shape {
  uint32_t steps;
  uint32_t floor;
  uint32_t lastSetting;
  uint32_t halfPeriodClocks;  // pixel clocks of a mains half-period
  uint32_t lineClocks;        // value A of setting 0 and the short settings
  uint32_t frameLines;        // value B of setting 0 and the short settings
  uint32_t firstGain;         // global gain of step 0
  int32_t start;
};

// Small captures: 757-clock lines, so that a 50 Hz half-period is exactly
// 171 lines; large captures have twice the line length.
constexpr Shape kShape50Small = {1164, 614, 16, 129447, 757, 1009, 16, 700};
constexpr Shape kShape50Large = {1155, 605, 16, 129447, 1514, 1033, 8, 700};
constexpr Shape kShape60Small = {1144, 684, 19, 107873, 757, 1009, 16, 700};
constexpr Shape kShape60Large = {1150, 655, 19, 107873, 1514, 1033, 8, 700};

struct Setting {
  uint32_t exposure;
  uint32_t valueA;
  uint32_t valueB;
  uint8_t mode;
};

constexpr Setting SettingNumber(const Shape &shape, uint32_t number) {
  if (number == 0) return {0, shape.lineClocks, shape.frameLines, kModeShort};
  const uint32_t clocks = number * shape.halfPeriodClocks;
  const uint32_t lines = (clocks + shape.lineClocks / 2) / shape.lineClocks;
  if (lines + kFrameMargin <= shape.frameLines) {
    return {lines, shape.lineClocks, shape.frameLines, kModeShort};
  }
  if (lines <= 2 * shape.frameLines) return {lines, shape.lineClocks, lines + kFrameMargin, kModeLongFrame};
  const uint32_t doubled = (clocks + shape.lineClocks) / (2 * shape.lineClocks);
  return {doubled, 2 * shape.lineClocks, doubled + kFrameMargin, kModeLongLine};
}

// The exposure of a setting in lines of setting 0.
constexpr uint32_t SettingLines(const Shape &shape, uint32_t number) {
  const Setting setting = SettingNumber(shape, number);
  return setting.exposure * setting.valueA / shape.lineClocks;
}

template <uint32_t kSteps>
struct StepTable {
  uint8_t bytes[kSteps * kS5k4aaStepBytes];
};

struct SettingTable {
  uint8_t bytes[kS5k4aaSettings * kS5k4aaSettingBytes];
};

constexpr void PutLe16(uint8_t *bytes, uint32_t value) {
  bytes[0] = static_cast<uint8_t>(value & 0xFF);
  bytes[1] = static_cast<uint8_t>((value >> 8) & 0xFF);
}

constexpr SettingTable BuildSettings(const Shape &shape) {
  SettingTable table{};
  for (uint32_t number = 0; number < kS5k4aaSettings; ++number) {
    // Numbers past the last setting repeat it.
    const uint32_t used = number <= shape.lastSetting ? number : shape.lastSetting;
    const Setting setting = SettingNumber(shape, used);
    uint8_t *entry = table.bytes + number * kS5k4aaSettingBytes;
    PutLe16(entry, setting.exposure);
    PutLe16(entry + 2, setting.valueA);
    PutLe16(entry + 4, setting.valueB);
    entry[6] = kFlag1;
    entry[7] = kFlag2;
    entry[8] = setting.mode;
  }
  return table;
}

template <uint32_t kSteps>
constexpr void PutStep(StepTable<kSteps> &table, uint32_t index, uint32_t selector, uint32_t gain,
                       uint8_t level) {
  uint8_t *entry = table.bytes + index * kS5k4aaStepBytes;
  entry[0] = static_cast<uint8_t>(selector);
  entry[1] = static_cast<uint8_t>(gain > 255 ? 255 : gain);
  entry[2] = level;
}

// Steps 0 to floor - 1: the brightness (lines times gain) grows
// geometrically from 2 lines at the first gain to 191 lines at the gain that
// stays just below setting 1 at unity gain. The gain follows a geometric
// rise of its own and the exposure takes the rest; neither ever falls.
template <uint32_t kSteps, uint32_t kPoints>
constexpr void BuildDirectSteps(StepTable<kSteps> &table, const Shape &shape,
                                const LevelPoint (&levels)[kPoints]) {
  const uint32_t last = shape.floor - 1;
  const uint32_t topGain = SettingLines(shape, 1) * kUnityGain * 99 / 100 / kLastSelector;
  const uint32_t firstBrightness = kFirstSelector * shape.firstGain;
  const uint32_t lastBrightness = kLastSelector * topGain;
  const uint64_t brightnessGrowth = GrowthRatioQ(firstBrightness, lastBrightness, last);
  const uint64_t gainGrowth = GrowthRatioQ(shape.firstGain, topGain, last);
  uint32_t lines = kFirstSelector;
  uint32_t gain = shape.firstGain;
  for (uint32_t i = 0; i <= last; ++i) {
    const uint32_t brightness = GrownValue(firstBrightness, brightnessGrowth, i);
    const uint32_t nominalGain = GrownValue(shape.firstGain, gainGrowth, i);
    const uint32_t nominalLines = (brightness + nominalGain / 2) / nominalGain;
    if (nominalLines > lines) lines = nominalLines < kLastSelector ? nominalLines : kLastSelector;
    const uint32_t fittingGain = (brightness + lines / 2) / lines;
    if (fittingGain > gain) gain = fittingGain < topGain ? fittingGain : topGain;
    if (i == last) {
      lines = kLastSelector;
      gain = topGain;
    }
    PutStep(table, i, lines, gain, LevelAt(levels, i));
  }
}

// The longest setting whose exposure at unity gain does not exceed the
// brightness.
constexpr uint32_t SettingForBrightness(const Shape &shape, uint32_t brightness) {
  uint32_t number = 1;
  while (number < shape.lastSetting && SettingLines(shape, number + 1) * kUnityGain <= brightness) {
    ++number;
  }
  return number;
}

// Steps from the floor: brightness (lines of setting 0 times gain) grows
// geometrically between the four points.
template <uint32_t kSteps, uint32_t kPoints>
constexpr void BuildSettingSteps(StepTable<kSteps> &table, const Shape &shape,
                                 const LevelPoint (&levels)[kPoints]) {
  const uint32_t lastLines = SettingLines(shape, shape.lastSetting);
  const uint32_t pointIndex[4] = {shape.floor, shape.floor + kSixthSettingOffset,
                                  kSteps - kTopGainEntries, kSteps - 1};
  const uint32_t pointBrightness[4] = {SettingLines(shape, 1) * kUnityGain,
                                       SettingLines(shape, 6) * kUnityGain, lastLines * kUnityGain,
                                       lastLines * kTopGain};
  uint32_t previous = 0;
  for (uint32_t segment = 0; segment < 3; ++segment) {
    const uint32_t from = pointIndex[segment];
    const uint32_t to = pointIndex[segment + 1];
    const uint64_t growth = GrowthRatioQ(pointBrightness[segment], pointBrightness[segment + 1], to - from);
    for (uint32_t i = segment == 0 ? from : from + 1; i <= to; ++i) {
      const uint32_t brightness =
          i == to ? pointBrightness[segment + 1] : GrownValue(pointBrightness[segment], growth, i - from);
      const uint32_t number = SettingForBrightness(shape, brightness);
      const uint32_t lines = SettingLines(shape, number);
      uint32_t gain = (brightness + lines / 2) / lines;
      // Never darker than the entry before, whatever the rounding.
      while (lines * gain < previous) ++gain;
      previous = lines * gain;
      PutStep(table, i, kSettingSelector + number, gain, LevelAt(levels, i));
    }
  }
}

template <uint32_t kSteps>
constexpr StepTable<kSteps> BuildSteps(const Shape &shape) {
  StepTable<kSteps> table{};
  if (shape.steps != kSteps) return table;
  const LevelPoint levels[] = {{0, 100},
                               {static_cast<uint16_t>(shape.start), 100},
                               {static_cast<uint16_t>(shape.floor + kSixthSettingOffset), 86},
                               {static_cast<uint16_t>(kSteps - kTopGainEntries), 40},
                               {static_cast<uint16_t>(kSteps - 1), 40}};
  BuildDirectSteps(table, shape, levels);
  BuildSettingSteps(table, shape, levels);
  return table;
}

static_assert(kShape50Small.start < kShape50Small.floor + kSixthSettingOffset &&
                  kShape60Small.start < kShape60Small.floor + kSixthSettingOffset,
              "the start entries have full light");

constexpr auto kSteps50Small = BuildSteps<1164>(kShape50Small);
constexpr auto kSteps50Large = BuildSteps<1155>(kShape50Large);
constexpr auto kSteps60Small = BuildSteps<1144>(kShape60Small);
constexpr auto kSteps60Large = BuildSteps<1150>(kShape60Large);
constexpr SettingTable kSettings50Small = BuildSettings(kShape50Small);
constexpr SettingTable kSettings50Large = BuildSettings(kShape50Large);
constexpr SettingTable kSettings60Small = BuildSettings(kShape60Small);
constexpr SettingTable kSettings60Large = BuildSettings(kShape60Large);

static_assert(kSteps50Small.bytes[0] != 0 && kSteps50Large.bytes[0] != 0 &&
                  kSteps60Small.bytes[0] != 0 && kSteps60Large.bytes[0] != 0,
              "every step table has the length of its shape");

constexpr S5k4aaTableChoice Choice(const uint8_t *steps, const SettingTable &settings,
                                   const Shape &shape) {
  return {steps, settings.bytes, shape.steps, static_cast<int32_t>(shape.floor), shape.start};
}

}  // namespace

S5k4aaTableChoice SelectS5k4aaTable(uint32_t flickerMode, uint32_t captureWidth) {
  const bool small = IsSmallCapture(captureWidth);
  if (IsFiftyHertz(flickerMode)) {
    return small ? Choice(kSteps50Small.bytes, kSettings50Small, kShape50Small)
                 : Choice(kSteps50Large.bytes, kSettings50Large, kShape50Large);
  }
  return small ? Choice(kSteps60Small.bytes, kSettings60Small, kShape60Small)
               : Choice(kSteps60Large.bytes, kSettings60Large, kShape60Large);
}

}  // namespace sorvex0
