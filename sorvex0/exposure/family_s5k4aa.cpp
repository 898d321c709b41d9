// S5K4AA: walk over the step table, whose entries select exposures and
// sensor settings, the frame hold and the eight register pairs of an entry.

#include "exposure/exposure_entries.h"
#include "exposure/exposure_family.h"
#include "exposure/exposure_tables.h"
#include "exposure/exposure_update.h"
#include "exposure/frame_hold.h"

namespace sorvex0 {

namespace {

constexpr LadderRow kDownSteps[] = {
    {40, LadderTest::kIndexAbove, 360, 180}, {32, LadderTest::kIndexAbove, 300, 150},
    {24, LadderTest::kIndexAbove, 224, 112}, {18, LadderTest::kIndexAbove, 170, 85},
    {17, LadderTest::kNone, 0, 63},          {16, LadderTest::kNone, 0, 52},
    {15, LadderTest::kNone, 0, 42},          {14, LadderTest::kNone, 0, 33},
    {13, LadderTest::kNone, 0, 25},          {12, LadderTest::kNone, 0, 18},
    {11, LadderTest::kNone, 0, 12},          {10, LadderTest::kNone, 0, 7},
    {9, LadderTest::kNone, 0, 3},
};
constexpr LadderRow kUpSteps[] = {
    {40, LadderTest::kLevelAbove, 80, 180}, {32, LadderTest::kLevelAbove, 70, 150},
    {24, LadderTest::kLevelAbove, 60, 112}, {18, LadderTest::kLevelAbove, 50, 85},
    {17, LadderTest::kNone, 0, 63},         {16, LadderTest::kNone, 0, 52},
    {15, LadderTest::kNone, 0, 42},         {14, LadderTest::kNone, 0, 33},
    {13, LadderTest::kNone, 0, 25},         {12, LadderTest::kNone, 0, 18},
    {11, LadderTest::kNone, 0, 12},         {10, LadderTest::kNone, 0, 7},
    {9, LadderTest::kNone, 0, 3},
};
constexpr ExposureRules kRules = {TargetRule::kLightLevelScaled, ToleranceRule::kS5k4aa,
                                  LadderOf(kDownSteps), LadderOf(kUpSteps)};

constexpr uint32_t kSelectorOffset = 0;
constexpr uint32_t kGainOffset = 1;
constexpr uint32_t kLevelOffset = 2;
constexpr uint32_t kSettingSelector = 192;
constexpr uint32_t kUnityGain = 32;

// An entry with its setting resolved.
struct S5k4aaEntry {
  uint32_t exposure;
  uint32_t valueA;
  uint32_t valueB;
  uint8_t flags;  // flag byte 1 OR flag byte 2
  uint8_t mode;
  uint8_t gain;
  uint8_t levelByte;
};

bool TableChosen(const IspContext *context) {
  return context->aeStepTableS5k4aa != nullptr && context->aeSettingTableS5k4aa != nullptr &&
         context->aeTableLength != 0;
}

// The entry at the (limited) index: selectors below 192 are exposures with
// the values of setting 0; the others select setting (selector AND 63),
// limited to the settings the table holds.
S5k4aaEntry EntryAt(const IspContext *context, int32_t index) {
  const uint8_t *step = TableEntry(context->aeStepTableS5k4aa, context->aeTableLength,
                                   kS5k4aaStepBytes, index);
  const uint32_t selector = step[kSelectorOffset];
  uint32_t number = selector >= kSettingSelector ? (selector & 63) : 0;
  if (number >= kS5k4aaSettings) number = kS5k4aaSettings - 1;
  const uint8_t *setting = context->aeSettingTableS5k4aa + number * kS5k4aaSettingBytes;
  S5k4aaEntry entry = {};
  entry.exposure = number == 0 ? selector : ReadLe16(setting);
  entry.valueA = ReadLe16(setting + 2);
  entry.valueB = ReadLe16(setting + 4);
  entry.flags = static_cast<uint8_t>(setting[6] | setting[7]);
  entry.mode = setting[8];
  entry.gain = step[kGainOffset];
  entry.levelByte = step[kLevelOffset];
  return entry;
}

void ProgramEntry(IspContext *context, SorvexDevice device, const S5k4aaEntry &entry) {
  if (context->writeRegistersA == nullptr) return;
  // At full speed the sensor needs at least unity gain.
  const uint8_t gain =
      context->highSpeed == 0 && entry.gain < kUnityGain ? static_cast<uint8_t>(kUnityGain) : entry.gain;
  const uint8_t pairs[] = {
      0x0F, static_cast<uint8_t>((entry.exposure >> 8) & 0xFF),
      0x10, static_cast<uint8_t>(entry.exposure & 0xFF),
      0x11, static_cast<uint8_t>((entry.valueB >> 8) & 0xFF),
      0x12, static_cast<uint8_t>(entry.valueB & 0xFF),
      0x1D, static_cast<uint8_t>((entry.valueA >> 8) & 0xFF),
      0x1E, static_cast<uint8_t>(entry.valueA & 0xFF),
      0x20, gain,
      0x02, static_cast<uint8_t>(entry.flags | 4),
  };
  context->writeRegistersA(device, pairs, sizeof(pairs) / 2);
}

struct HoldRequest {
  uint32_t holdClass;
  bool flag;
};

// Mode bits 2-3 change the readout enough to spoil two frames, bits 0-1 one.
// A SiS host controller also needs two frames for any exposure change.
HoldRequest HoldFor(const IspContext *context, const S5k4aaEntry &from, const S5k4aaEntry &to) {
  const bool bits23Differ = ((from.mode ^ to.mode) & 0x0C) != 0;
  const bool bits01Differ = ((from.mode ^ to.mode) & 0x03) != 0;
  const bool exposureDiffers = from.exposure != to.exposure;
  const bool valueADiffers = from.valueA != to.valueA;
  if (context->sisHostController != 0) {
    if (bits23Differ) return {2, false};
    if (bits01Differ) return {1, false};
    if (exposureDiffers || valueADiffers) return {2, false};
    return {0, false};
  }
  const bool flag = exposureDiffers || valueADiffers;
  if (bits23Differ) return {2, flag};
  if (bits01Differ) return {1, flag};
  return {0, flag};
}

uint32_t S5k4aaLevelByte(const IspContext *context);

void StartS5k4aaExposure(IspContext *context, SorvexDevice device) {
  const S5k4aaTableChoice choice = SelectS5k4aaTable(context->flickerMode, context->captureWidth);
  context->aeStepTableS5k4aa = choice.steps;
  context->aeSettingTableS5k4aa = choice.settings;
  context->aeTableLength = choice.length;
  context->aeMinIndex = choice.floor;
  context->aeIndex = choice.startIndex;
  context->aePrevIndex = choice.startIndex;
  ProgramEntry(context, device, EntryAt(context, context->aeIndex));
  ResetExposureClock(context);
  context->aeSkipNext = 1;
}

bool UpdateS5k4aaExposure(IspContext *context, SorvexDevice device, const RawFrame &frame,
                          uint32_t p8, uint32_t brightness) {
  if (!TableChosen(context)) return false;
  if (context->aeSkipNext != 0) {
    // Right after the start the current entry is programmed once more,
    // without a look at the brightness.
    context->aeSkipNext = 0;
    LimitExposureIndex(context);
  } else if (!MoveExposureIndex(context, kRules, S5k4aaLevelByte(context), p8, brightness)) {
    return false;
  }
  const S5k4aaEntry entry = EntryAt(context, context->aeIndex);
  const S5k4aaEntry programmed = EntryAt(context, context->aePrevIndex);
  context->noiseLevel = NoiseLevelOfLight(entry.levelByte);
  const HoldRequest hold = HoldFor(context, programmed, entry);
  RequestHoldOfClass(context, frame, hold.holdClass, hold.flag);
  ProgramEntry(context, device, entry);
  context->aePrevIndex = context->aeIndex;
  return true;
}

uint32_t S5k4aaLevelByte(const IspContext *context) {
  return TableChosen(context) ? EntryAt(context, context->aeIndex).levelByte : 100;
}

uint32_t S5k4aaExposureCode(const IspContext *context) {
  if (!TableChosen(context)) return 0;
  const S5k4aaEntry entry = EntryAt(context, context->aeIndex);
  // Within the normal range the mode byte stands in for the level.
  const uint32_t top = entry.levelByte > 100 ? entry.levelByte : entry.mode;
  return (entry.exposure & 0xFFFF) | (static_cast<uint32_t>(entry.gain) << 16) | (top << 24);
}

uint32_t S5k4aaExposureValue(const IspContext *context) {
  return TableChosen(context) ? EntryAt(context, context->aeIndex).exposure : 0;
}

}  // namespace

const ExposureFamily kS5k4aaExposure = {
    StartS5k4aaExposure,        UpdateS5k4aaExposure,
    LightOfEntry<S5k4aaLevelByte>, S5k4aaExposureCode,
    GammaStrengthOfEntry<S5k4aaLevelByte>, S5k4aaExposureValue,
};

}  // namespace sorvex0
