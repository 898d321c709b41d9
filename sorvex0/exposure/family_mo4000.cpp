// MO4000: exposure table walk and the four register pairs of an entry. The
// MO4000 needs no frame hold.

#include "exposure/exposure_entries.h"
#include "exposure/exposure_family.h"
#include "exposure/exposure_tables.h"
#include "exposure/exposure_update.h"

namespace sorvex0 {

namespace {

constexpr LadderRow kSteps[] = {
    {0, LadderTest::kIndexBelow, 4, 1}, {24, LadderTest::kNone, 0, 40}, {20, LadderTest::kNone, 0, 32},
    {16, LadderTest::kNone, 0, 26},     {14, LadderTest::kNone, 0, 20}, {12, LadderTest::kNone, 0, 14},
    {11, LadderTest::kNone, 0, 9},      {10, LadderTest::kNone, 0, 5},  {9, LadderTest::kNone, 0, 2},
};
constexpr ExposureRules kRules = {TargetRule::kLightLevelScaled, ToleranceRule::kMo4000,
                                  LadderOf(kSteps), LadderOf(kSteps)};

constexpr uint32_t kGainOffset = 2;
constexpr uint32_t kClockOffset = 3;
constexpr uint32_t kLevelOffset = 4;

const uint8_t *EntryAt(const IspContext *context, int32_t index) {
  return TableEntry(context->aeTableMo4000, context->aeTableLength, kMo4000EntryBytes, index);
}

void ProgramEntry(IspContext *context, SorvexDevice device, const uint8_t *entry) {
  if (entry == nullptr || context->writeRegistersA == nullptr) return;
  const uint32_t exposure = ReadLe16(entry);
  const uint8_t pairs[] = {
      0x0F, static_cast<uint8_t>((exposure >> 2) & 0xFF),
      0x10, static_cast<uint8_t>(((exposure & 3) << 4) | ((exposure >> 10) & 0x0F)),
      0x00, entry[kGainOffset],
      0x11, static_cast<uint8_t>(entry[kClockOffset] | 0x40),
  };
  context->writeRegistersA(device, pairs, sizeof(pairs) / 2);
}

uint32_t Mo4000LevelByte(const IspContext *context);

void StartMo4000Exposure(IspContext *context, SorvexDevice device) {
  const ExposureTableChoice choice = SelectMo4000Table(context->flickerMode);
  context->aeTableMo4000 = choice.entries;
  context->aeTableLength = choice.length;
  context->aeMinIndex = choice.floor;
  context->aeIndex = choice.startIndex;
  context->aePrevIndex = choice.startIndex;
  ProgramEntry(context, device, EntryAt(context, context->aeIndex));
  ResetExposureClock(context);
}

bool UpdateMo4000Exposure(IspContext *context, SorvexDevice device, const RawFrame &, uint32_t p8,
                          uint32_t brightness) {
  if (EntryAt(context, 0) == nullptr) return false;
  if (!MoveExposureIndex(context, kRules, Mo4000LevelByte(context), p8, brightness)) return false;
  const uint8_t *entry = EntryAt(context, context->aeIndex);
  context->noiseLevel = NoiseLevelOfLight(entry[kLevelOffset]);
  ProgramEntry(context, device, entry);
  context->aePrevIndex = context->aeIndex;
  return true;
}

uint32_t Mo4000LevelByte(const IspContext *context) {
  const uint8_t *entry = EntryAt(context, context->aeIndex);
  return entry != nullptr ? entry[kLevelOffset] : 100;
}

uint32_t Mo4000ExposureCode(const IspContext *context) {
  const uint8_t *entry = EntryAt(context, context->aeIndex);
  if (entry == nullptr) return 0;
  return ReadLe16(entry) | (static_cast<uint32_t>(entry[kGainOffset]) << 16) |
         (static_cast<uint32_t>(entry[kClockOffset]) << 24);
}

uint32_t Mo4000ExposureValue(const IspContext *context) {
  const uint8_t *entry = EntryAt(context, context->aeIndex);
  return entry != nullptr ? ReadLe16(entry) : 0;
}

}  // namespace

const ExposureFamily kMo4000Exposure = {
    StartMo4000Exposure, UpdateMo4000Exposure, LightOfEntry<Mo4000LevelByte>, Mo4000ExposureCode,
    nullptr,  // the gamma strength stays as given
    Mo4000ExposureValue,
};

}  // namespace sorvex0
