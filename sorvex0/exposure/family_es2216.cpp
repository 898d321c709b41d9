// ES2216: exposure table walk, light-mode switch, frame hold and the six
// register pairs of an entry.

#include "exposure/exposure_entries.h"
#include "exposure/exposure_family.h"
#include "exposure/exposure_tables.h"
#include "exposure/exposure_update.h"
#include "exposure/frame_hold.h"

namespace sorvex0 {

namespace {

constexpr LadderRow kSteps[] = {
    {0, LadderTest::kIndexBelow, 20, 1},
    {20, LadderTest::kNone, 0, 9},
    {17, LadderTest::kNone, 0, 5},
    {14, LadderTest::kNone, 0, 2},
};
constexpr ExposureRules kRules = {TargetRule::kLightLevel, ToleranceRule::kEs2216,
                                  LadderOf(kSteps), LadderOf(kSteps)};

constexpr uint32_t kExposureOffset = 0;
constexpr uint32_t kGainOffset = 2;
constexpr uint32_t kLevelOffset = 3;
constexpr uint32_t kModeOffset = 4;

const uint8_t *EntryAt(const IspContext *context, int32_t index) {
  return TableEntry(context->aeTableEs2216, context->aeTableLength, kEs2216EntryBytes, index);
}

// Lines beyond the frame that the sensor adds for a long exposure, at least 1.
int32_t ExtraLines(const IspContext *context, uint32_t exposure) {
  int32_t base = 276;
  if (context->highSpeed != 0) base = context->captureWidth == 1280 ? 1013 : 533;
  int32_t extra = static_cast<int32_t>(exposure) - base;
  if (extra < 1) extra = 1;
  if (context->highSpeed != 0 && context->captureWidth < 640) extra += 256;
  return extra;
}

uint8_t ModeNibble(const IspContext *context) {
  if (context->highSpeed != 0 && context->captureWidth < 640) return 2;
  return context->highSpeed == 0 || context->captureWidth <= 640 ? 1 : 0;
}

void ProgramEntry(IspContext *context, SorvexDevice device, const uint8_t *entry) {
  if (entry == nullptr || context->writeRegistersA == nullptr) return;
  const uint32_t exposure = ReadLe16(entry + kExposureOffset);
  const uint32_t extra = static_cast<uint32_t>(ExtraLines(context, exposure));
  const uint8_t pairs[] = {
      0x00, static_cast<uint8_t>(exposure & 0xFF),
      0x01, static_cast<uint8_t>(exposure >> 8),
      0x0A, entry[kGainOffset],
      0x02, static_cast<uint8_t>(extra & 0xFF),
      0x04, static_cast<uint8_t>((((extra >> 8) & 0x0F) << 4) | ModeNibble(context)),
      0x05, 0x01,
  };
  context->writeRegistersA(device, pairs, sizeof(pairs) / 2);
}

uint8_t Es2216NoiseLevel(uint32_t light, const uint8_t *entry) {
  const uint32_t level = (100 - light) * 8 / 60;
  const uint8_t fromLight = static_cast<uint8_t>(level > 7 ? 7 : level);
  // Exposures of 768 lines and more are noisy whatever the light.
  const uint8_t fromExposure = entry[kExposureOffset + 1] > 2 ? 1 : 0;
  return fromLight > fromExposure ? fromLight : fromExposure;
}

uint32_t Es2216LevelByte(const IspContext *context);

// Switches the sensor's light mode when the new entry asks for the other
// one; true when it switched.
bool SwitchLightMode(IspContext *context, SorvexDevice device, const uint8_t *entry) {
  const uint8_t mode = entry[kModeOffset];
  if (mode == context->lightMode) return false;
  context->lightMode = mode;
  if (context->selectSensorMode != nullptr) {
    context->selectSensorMode(device, mode == kEs2216NormalLight ? "NORMAL_LIGHT" : "LOW_LIGHT");
  }
  return true;
}

void StartEs2216Exposure(IspContext *context, SorvexDevice device) {
  const ExposureTableChoice choice =
      SelectEs2216Table(context->flickerMode, context->highSpeed != 0, context->captureWidth);
  context->aeTableEs2216 = choice.entries;
  context->aeTableLength = choice.length;
  context->aeMinIndex = choice.floor;
  context->aeIndex = choice.startIndex;
  context->aePrevIndex = choice.startIndex;
  context->lightMode = kEs2216NormalLight;
  ProgramEntry(context, device, EntryAt(context, context->aeIndex));
  ResetExposureClock(context);
}

// The ES2216's target follows the light level alone: the exposure-target
// scale does not reach it.
bool UpdateEs2216Exposure(IspContext *context, SorvexDevice device, const RawFrame &frame,
                          uint32_t, uint32_t brightness) {
  if (EntryAt(context, 0) == nullptr) return false;
  if (!MoveExposureIndex(context, kRules, Es2216LevelByte(context), 0, brightness)) return false;
  const uint8_t *entry = EntryAt(context, context->aeIndex);
  const uint8_t *programmed = EntryAt(context, context->aePrevIndex);
  context->noiseLevel = Es2216NoiseLevel(LightOfLevelByte(entry[kLevelOffset]), entry);
  const bool modeChanged = SwitchLightMode(context, device, entry);
  RequestHoldAfterModeSwitch(context, frame, modeChanged, context->aeIndex > context->aePrevIndex,
                             entry[kExposureOffset] == programmed[kExposureOffset]);
  ProgramEntry(context, device, entry);
  context->aePrevIndex = context->aeIndex;
  return true;
}

uint32_t Es2216LevelByte(const IspContext *context) {
  const uint8_t *entry = EntryAt(context, context->aeIndex);
  return entry != nullptr ? entry[kLevelOffset] : 100;
}

uint32_t Es2216ExposureCode(const IspContext *context) {
  const uint8_t *entry = EntryAt(context, context->aeIndex);
  if (entry == nullptr) return 0;
  return ReadLe16(entry) | (static_cast<uint32_t>(entry[kGainOffset]) << 16);
}

uint32_t Es2216ExposureValue(const IspContext *context) {
  const uint8_t *entry = EntryAt(context, context->aeIndex);
  return entry != nullptr ? ReadLe16(entry + kExposureOffset) : 0;
}

}  // namespace

const ExposureFamily kEs2216Exposure = {
    StartEs2216Exposure,          UpdateEs2216Exposure, LightOfEntry<Es2216LevelByte>,
    Es2216ExposureCode,           nullptr,  // the gamma strength stays as given
    Es2216ExposureValue,
};

}  // namespace sorvex0
