// OV9650 and OV9655: exposure table walk, the clock change through the
// controller's registers, the frame hold and the four sensor register pairs
// of an entry.

#include "exposure/exposure_entries.h"
#include "exposure/exposure_family.h"
#include "exposure/exposure_tables.h"
#include "exposure/exposure_update.h"
#include "exposure/frame_hold.h"

namespace sorvex0 {

namespace {

constexpr LadderRow kSteps[] = {
    {0, LadderTest::kIndexBelow, 4, 1}, {32, LadderTest::kNone, 0, 42}, {28, LadderTest::kNone, 0, 35},
    {24, LadderTest::kNone, 0, 28},     {20, LadderTest::kNone, 0, 21}, {16, LadderTest::kNone, 0, 15},
    {14, LadderTest::kNone, 0, 9},      {12, LadderTest::kNone, 0, 5},  {10, LadderTest::kNone, 0, 2},
};
constexpr ExposureRules kRules = {TargetRule::kLightLevelScaled, ToleranceRule::kOv96xx,
                                  LadderOf(kSteps), LadderOf(kSteps)};

constexpr uint32_t kGainOffset = 2;
constexpr uint32_t kClassOffset = 3;
constexpr uint32_t kLevelOffset = 4;

// The controller's clock setting of each clock class (classes without one
// hold 0).
constexpr uint32_t kClockClasses = 32;
constexpr uint32_t kClockOfClass[kClockClasses] = {
    0, 0, 0, 0, 0x206, 0x205, 0x1007, 0, 0x1005, 0, 0x105, 0, 0x1003, 0, 0, 0,
    0x1002, 0, 0, 0, 0x102, 0, 0, 0, 0x1001, 0, 0, 0, 0, 0, 0, 0,
};

// The two sensors differ only in their tables: where the choice is kept and
// how it is made.
struct Ov96xxModel {
  const uint8_t *IspContext::*table;
  ExposureTableChoice (*select)(uint32_t flickerMode, uint32_t captureWidth);
};
constexpr Ov96xxModel kOv9650 = {&IspContext::aeTableOv9650, SelectOv9650Table};
constexpr Ov96xxModel kOv9655 = {&IspContext::aeTableOv9655, SelectOv9655Table};

const uint8_t *EntryAt(const Ov96xxModel &model, const IspContext *context, int32_t index) {
  return TableEntry(context->*model.table, context->aeTableLength, kOv96xxEntryBytes, index);
}

void ProgramClock(IspContext *context, SorvexDevice device, uint8_t clockClass) {
  if (context->writeRegistersB == nullptr) return;
  const uint32_t value = kClockOfClass[clockClass < kClockClasses ? clockClass : kClockClasses - 1];
  const uint8_t pairs[] = {0x10, static_cast<uint8_t>((value >> 8) & 0xFF), 0xC1,
                           static_cast<uint8_t>(value & 0xFF)};
  context->writeRegistersB(device, pairs, sizeof(pairs) / 2);
}

// The clock first when the class differs from that of the programmed entry,
// then the exposure and gain.
void ProgramEntry(IspContext *context, SorvexDevice device, const uint8_t *entry,
                  const uint8_t *programmed) {
  if (entry == nullptr) return;
  if (entry[kClassOffset] != programmed[kClassOffset]) ProgramClock(context, device, entry[kClassOffset]);
  if (context->writeRegistersA == nullptr) return;
  const uint32_t exposure = ReadLe16(entry);
  const uint8_t pairs[] = {
      0x04, static_cast<uint8_t>(exposure & 3),
      0x10, static_cast<uint8_t>((exposure >> 2) & 0xFF),
      0xA1, static_cast<uint8_t>(exposure >> 10),
      0x00, entry[kGainOffset],
  };
  context->writeRegistersA(device, pairs, sizeof(pairs) / 2);
}

// Two held frames when the clock changes by a large step (24 to 16, 12 to
// 8, 16 to 4), one for the other clock changes.
uint32_t HoldClass(const uint8_t *programmed, const uint8_t *entry) {
  const uint32_t from = programmed[kClassOffset];
  const uint32_t to = entry[kClassOffset];
  if (from == to) return 0;
  return from + to == 40 || from + to == 20 ? 2 : 1;
}

template <const Ov96xxModel &kModel>
void StartOv96xxExposure(IspContext *context, SorvexDevice device) {
  const ExposureTableChoice choice = kModel.select(context->flickerMode, context->captureWidth);
  context->*kModel.table = choice.entries;
  context->aeTableLength = choice.length;
  context->aeMinIndex = choice.floor;
  context->aeIndex = choice.startIndex;
  context->aePrevIndex = choice.startIndex;
  const uint8_t *entry = EntryAt(kModel, context, context->aeIndex);
  ProgramEntry(context, device, entry, entry);
  ResetExposureClock(context);
}

template <const Ov96xxModel &kModel>
uint32_t Ov96xxLevelByte(const IspContext *context) {
  const uint8_t *entry = EntryAt(kModel, context, context->aeIndex);
  return entry != nullptr ? entry[kLevelOffset] : 100;
}

template <const Ov96xxModel &kModel>
bool UpdateOv96xxExposure(IspContext *context, SorvexDevice device, const RawFrame &frame,
                          uint32_t p8, uint32_t brightness) {
  if (EntryAt(kModel, context, 0) == nullptr) return false;
  if (!MoveExposureIndex(context, kRules, Ov96xxLevelByte<kModel>(context), p8, brightness)) {
    return false;
  }
  const uint8_t *entry = EntryAt(kModel, context, context->aeIndex);
  const uint8_t *programmed = EntryAt(kModel, context, context->aePrevIndex);
  context->noiseLevel = NoiseLevelOfLight(entry[kLevelOffset]);
  RequestHoldOfClass(context, frame, HoldClass(programmed, entry), ReadLe16(entry) != ReadLe16(programmed));
  ProgramEntry(context, device, entry, programmed);
  context->aePrevIndex = context->aeIndex;
  return true;
}

template <const Ov96xxModel &kModel>
uint32_t Ov96xxExposureCode(const IspContext *context) {
  const uint8_t *entry = EntryAt(kModel, context, context->aeIndex);
  if (entry == nullptr) return 0;
  return ReadLe16(entry) | (static_cast<uint32_t>(entry[kGainOffset]) << 16) |
         (static_cast<uint32_t>(entry[kClassOffset]) << 24);
}

template <const Ov96xxModel &kModel>
uint32_t Ov96xxExposureValue(const IspContext *context) {
  const uint8_t *entry = EntryAt(kModel, context, context->aeIndex);
  return entry != nullptr ? ReadLe16(entry) : 0;
}

template <const Ov96xxModel &kModel>
constexpr ExposureFamily Ov96xxFamily() {
  return {StartOv96xxExposure<kModel>,      UpdateOv96xxExposure<kModel>,
          LightOfEntry<Ov96xxLevelByte<kModel>>, Ov96xxExposureCode<kModel>,
          GammaStrengthOfEntry<Ov96xxLevelByte<kModel>>, Ov96xxExposureValue<kModel>};
}

}  // namespace

const ExposureFamily kOv9650Exposure = Ov96xxFamily<kOv9650>();
const ExposureFamily kOv9655Exposure = Ov96xxFamily<kOv9655>();

}  // namespace sorvex0
