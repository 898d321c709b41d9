// The camera's private property set: applications read and change the
// settings, read the capture geometry, peek and poke single registers,
// exchange the gamma curve, arm raw snapshots, reset the gamma curve and
// reload the factory defaults. The minidriver forwards each request here.

#include "exposure/exposure_loop.h"
#include "exposure/tone_curve.h"
#include "core/capture_control.h"
#include "core/isp_context.h"
#include "core/register_access.h"
#include "store/registry_settings.h"

namespace {

// Bytes of the data buffers the requests exchange.
constexpr uint32_t kCustomPropertyBytes = 32;
constexpr uint32_t kSnapshotResultBytes = 4;
constexpr uint32_t kGammaPropertyBytes = 648;

// The 32-byte record most requests use: the client's property header (left
// untouched), then the value word and the item word.
struct CustomPropertyData {
  uint8_t header[24];
  int32_t value;
  uint32_t item;
};
static_assert(sizeof(CustomPropertyData) == kCustomPropertyBytes, "custom property record");

// The 648-byte gamma record.
struct GammaPropertyData {
  uint32_t reserved;
  int32_t pointCount;
  int32_t points[kMaxGammaPoints];
  uint16_t curve[256];
};
static_assert(sizeof(GammaPropertyData) == kGammaPropertyBytes, "gamma record");

enum PropertyId : uint32_t {
  kGetItem = 32,
  kSetItemSelector = 31,
  kSetItemValue = 33,
  kReportTwo = 50,
  kSelectorA = 51,
  kControllerRegister = 52,
  kSelectorB = 53,
  kSensorRegister = 54,
  kSensorId = 55,
  kSnapshot = 57,
  kZoom = 60,
  kFaceTracking = 61,
  kFaceDescription = 62,
  kSelectorC = 63,
  kGamma = 64,
  kFlicker = 66,
};

enum SettingsItem : uint32_t {
  kItemFlicker = 1,
  kItemOutDoor = 2,
  kItemLowLight = 3,
  kItemFlipVertical = 4,
  kItemFlipHorizontal = 5,
  kItemRic = 6,
  kItemBpc = 7,
  kItemDeNoise = 8,
  kItemAwbType = 21,
  kItemAwbPresetFirst = 22,
  kItemAwbPresetLast = 30,
  kItemAeType = 32,
  kItemAeTarget = 33,
  kItemAeTableLength = 34,
  kItemAeIndex = 35,
  kItemExposureValue = 36,
  kItemClock = 37,
  kItemSsbs = 38,
  kItemFbf = 39,
  kItemIpMode = 40,
  kItemRequestedWidth = 91,
  kItemRequestedHeight = 92,
  kItemCaptureWidth = 93,
  kItemCaptureHeight = 94,
  kItemResetGamma = 99,
  kItemFactoryDefaults = 100,
};

// The identifier: the 32-bit word after the 16-byte set GUID.
bool ReadRequest(const SorvexPropertyDescriptor *request, uint32_t *id, void **data) {
  if (request == nullptr || request->property == nullptr || request->propertyInfo == nullptr) {
    return false;
  }
  const uint8_t *property = static_cast<const uint8_t *>(request->property);
  *id = static_cast<uint32_t>(property[16]) | static_cast<uint32_t>(property[17]) << 8 |
        static_cast<uint32_t>(property[18]) << 16 | static_cast<uint32_t>(property[19]) << 24;
  *data = request->propertyInfo;
  return true;
}

// The field behind a settings item, or null for an item without one.
uint32_t *ItemField(IspContext *context, uint32_t item) {
  switch (item) {
    case kItemFlicker: return &context->flickerMode;
    case kItemOutDoor: return &context->outDoor;
    case kItemLowLight: return &context->lowLight;
    case kItemFlipVertical: return &context->flipVertical;
    case kItemFlipHorizontal: return &context->flipHorizontal;
    case kItemRic: return &context->ric;
    case kItemBpc: return &context->bpc;
    case kItemDeNoise: return &context->deNoise;
    case kItemAwbType: return &context->awbType;
    case kItemAeType: return &context->aeType;
    case kItemAeTarget: return &context->aeTarget;
    case kItemAeTableLength: return &context->aeTableLength;
    case kItemAeIndex: return reinterpret_cast<uint32_t *>(&context->aeIndex);
    case kItemClock: return &context->clock;
    case kItemSsbs: return &context->ssbs;
    case kItemFbf: return &context->fbf;
    case kItemIpMode: return &context->ipMode;
    case kItemRequestedWidth: return &context->requestedWidth;
    case kItemRequestedHeight: return &context->requestedHeight;
    case kItemCaptureWidth: return &context->captureWidth;
    case kItemCaptureHeight: return &context->captureHeight;
    default:
      if (item >= kItemAwbPresetFirst && item <= kItemAwbPresetLast) {
        return &context->awbPreset[item - kItemAwbPresetFirst];
      }
      return nullptr;
  }
}

bool ItemIsReadOnly(uint32_t item) {
  return item == kItemAeTableLength || item == kItemExposureValue || item == kItemRequestedWidth ||
         item == kItemRequestedHeight || item == kItemCaptureWidth || item == kItemCaptureHeight;
}

// Flicker, out-door and clock changes restart the exposure loop.
void ReapplyExposure(IspContext *context, SorvexDevice device) {
  StartExposure(context, device);
  CommitEs2216Registers(context, device);
  ResetBlankCount(context);
}

// The MI1320 switches between its processed and its raw 1280-wide modes.
void SelectMi1320Mode(IspContext *context, SorvexDevice device, uint32_t ipMode) {
  if (context->sensorId != kSensorMi1320 || context->captureWidth != 1280 ||
      context->selectSensorMode == nullptr) {
    return;
  }
  const char *name = nullptr;
  if (context->captureHeight == 800) name = ipMode >= 2 ? "HS\\YUYV\\1280C" : "HS\\YUYV\\1280S";
  if (context->captureHeight == 1024) name = ipMode >= 2 ? "HS\\YUYV\\1280" : "HS\\YUYV\\1280T";
  if (name != nullptr) context->selectSensorMode(device, name);
}

void RotateAsSet(IspContext *context, SorvexDevice device) {
  ISPFunc_Rotate(context, device, context->flipHorizontal != 0, context->flipVertical != 0);
}

void ReloadFactoryDefaults(IspContext *context, SorvexDevice device) {
  const uint32_t ssbs = context->ssbs;
  LoadDefaultSettings(context);
  if (context->requestedWidth > 800 || context->ssbs == ssbs) {
    StartExposure(context, device);
    CommitEs2216Registers(context, device);
    if (context->invertImage != 0) {
      ResetBlankCount(context);
    } else {
      RotateAsSet(context, device);
    }
  } else {
    RestartCapture(context, device);
    if (context->invertImage == 0) RotateAsSet(context, device);
    context->blankFrameCount *= 2;
  }
}

void SetItem(IspContext *context, SorvexDevice device, uint32_t item, int32_t value) {
  const uint32_t word = static_cast<uint32_t>(value);
  if (item == kItemResetGamma) {
    LoadDefaultGamma(context);
    return;
  }
  if (item == kItemFactoryDefaults) {
    ReloadFactoryDefaults(context, device);
    return;
  }
  uint32_t *field = ItemField(context, item);
  if (field == nullptr || ItemIsReadOnly(item)) return;
  *field = word;
  switch (item) {
    case kItemFlicker:
    case kItemOutDoor:
    case kItemClock:
      ReapplyExposure(context, device);
      break;
    case kItemFlipVertical:
      ISPFunc_Rotate(context, device, context->flipHorizontal != 0, word != 0);
      break;
    case kItemFlipHorizontal:
      ISPFunc_Rotate(context, device, word != 0, context->flipVertical != 0);
      break;
    case kItemSsbs:
      RestartCapture(context, device);
      context->blankFrameCount *= 2;
      break;
    case kItemIpMode:
      SelectMi1320Mode(context, device, word);
      break;
    default:
      break;
  }
}

// Two 16-bit register addresses are loaded through a page register on the
// MI1320 (0xF0/0xF1) and the MI0360 (0x01/0x7F).
bool PagedRegisters(uint32_t sensorId, uint8_t *page, uint8_t *low) {
  if (sensorId == kSensorMi1320) {
    *page = 0xF0;
    *low = 0xF1;
    return true;
  }
  if (sensorId == kSensorMi0360) {
    *page = 0x01;
    *low = 0x7F;
    return true;
  }
  return false;
}

uint32_t PeekSensorRegister(IspContext *context, SorvexDevice device, uint32_t reg) {
  if (context->readRegisterA == nullptr) return 0;
  uint8_t page = 0;
  uint8_t low = 0;
  if (!PagedRegisters(context->sensorId, &page, &low)) {
    return context->readRegisterA(device, reg & 0xFF) & 0xFF;
  }
  WriteRegisterPairA(context, device, page, 0);
  WriteRegisterPairA(context, device, low, static_cast<uint8_t>(reg >> 8));
  const uint32_t high = context->readRegisterA(device, reg & 0xFF) & 0xFF;
  const uint32_t lowByte = context->readRegisterA(device, low) & 0xFF;
  return high * 256 + lowByte;
}

void PokeSensorRegister(IspContext *context, SorvexDevice device, uint32_t reg, uint32_t value) {
  uint8_t page = 0;
  uint8_t low = 0;
  if (!PagedRegisters(context->sensorId, &page, &low)) {
    WriteRegisterPairA(context, device, static_cast<uint8_t>(reg), static_cast<uint8_t>(value));
    CommitEs2216Registers(context, device);
    return;
  }
  const uint8_t pairs[8] = {page, 0,
                            low, static_cast<uint8_t>(reg >> 8),
                            static_cast<uint8_t>(reg), static_cast<uint8_t>(value >> 8),
                            low, static_cast<uint8_t>(value)};
  if (context->writeRegistersA != nullptr) context->writeRegistersA(device, pairs, 4);
}

// A point count outside 0..32 is taken as the nearest end, so nothing is
// copied past the record or the context's points.
uint32_t GammaPointsToCopy(int32_t count) {
  if (count < 0) return 0;
  return static_cast<uint32_t>(count) > kMaxGammaPoints ? kMaxGammaPoints : static_cast<uint32_t>(count);
}

uint32_t GetGamma(const IspContext *context, GammaPropertyData *record) {
  record->pointCount = context->gammaPointCount;
  const uint32_t points = GammaPointsToCopy(context->gammaPointCount);
  RtlCopyMemory(record->points, context->gammaPoints, points * sizeof(int32_t));
  RtlCopyMemory(record->curve, context->gammaCurve, sizeof(record->curve));
  return kGammaPropertyBytes;
}

uint32_t SetGamma(IspContext *context, const GammaPropertyData *record) {
  const uint32_t points = GammaPointsToCopy(record->pointCount);
  context->gammaPointCount = static_cast<int32_t>(points);
  RtlCopyMemory(context->gammaPoints, record->points, points * sizeof(int32_t));
  RtlCopyMemory(context->gammaCurve, record->curve, sizeof(context->gammaCurve));
  return kGammaPropertyBytes;
}

}  // namespace

extern "C" SORVEX_EXPORT uint32_t SORVEX_CALL ISPFunc_prpmanf_GetCustomProperty(
    IspContext *context, SorvexDevice device, SorvexPropertyDescriptor *request) {
  uint32_t id = 0;
  void *data = nullptr;
  if (context == nullptr || !ReadRequest(request, &id, &data)) return 0;
  CustomPropertyData *record = static_cast<CustomPropertyData *>(data);
  switch (id) {
    case kGetItem: {
      record->item = context->propertyItem;
      if (context->propertyItem == kItemExposureValue) {
        record->value = static_cast<int32_t>(CurrentExposureValue(context));
      } else if (const uint32_t *field = ItemField(context, context->propertyItem)) {
        record->value = static_cast<int32_t>(*field);
      }
      return kCustomPropertyBytes;
    }
    case kReportTwo:
      record->value = 2;
      return kCustomPropertyBytes;
    case kControllerRegister:
      record->value = context->readRegisterB != nullptr
                          ? static_cast<int32_t>(context->readRegisterB(device, context->propertyItem & 0xFF) & 0xFF)
                          : 0;
      return kCustomPropertyBytes;
    case kSensorRegister:
      record->value = static_cast<int32_t>(PeekSensorRegister(context, device, context->propertyItem));
      return kCustomPropertyBytes;
    case kSensorId:
      record->value = static_cast<int32_t>(context->sensorId);
      return kCustomPropertyBytes;
    case kSnapshot: {
      DbgPrint("Raw Capture Get !!!\n");
      *static_cast<uint32_t *>(data) = context->snapshotIndex;
      context->snapshotIndex = 0;
      return kSnapshotResultBytes;
    }
    case kZoom:
      record->value = static_cast<int32_t>(context->zoom);
      return kCustomPropertyBytes;
    case kFaceTracking:
      record->value = static_cast<int32_t>(context->faceTracking);
      return kCustomPropertyBytes;
    case kFaceDescription:
      record->value = static_cast<int32_t>(context->faceDescription);
      return kCustomPropertyBytes;
    case kGamma:
      return GetGamma(context, static_cast<GammaPropertyData *>(data));
    case kFlicker:
      record->value = static_cast<int32_t>(context->flickerMode);
      return kCustomPropertyBytes;
    default:
      return 0;
  }
}

extern "C" SORVEX_EXPORT uint32_t SORVEX_CALL ISPFunc_prpmanf_SetCustomProperty(
    IspContext *context, SorvexDevice device, SorvexPropertyDescriptor *request) {
  uint32_t id = 0;
  void *data = nullptr;
  if (context == nullptr || !ReadRequest(request, &id, &data)) return 0;
  CustomPropertyData *record = static_cast<CustomPropertyData *>(data);
  switch (id) {
    case kSetItemSelector:
    case kSelectorC:
      context->propertyItem = record->item;
      return kCustomPropertyBytes;
    case kSetItemValue:
      SetItem(context, device, record->item, record->value);
      return kCustomPropertyBytes;
    case kSelectorA:
    case kSelectorB:
      context->propertyItem = static_cast<uint32_t>(record->value);
      return kCustomPropertyBytes;
    case kControllerRegister:
      WriteRegisterPairB(context, device, static_cast<uint8_t>(record->item),
                         static_cast<uint8_t>(record->value));
      return kCustomPropertyBytes;
    case kSensorRegister:
      PokeSensorRegister(context, device, record->item, static_cast<uint32_t>(record->value));
      return kCustomPropertyBytes;
    case kSnapshot:
      context->snapshotRequest = 1;
      DbgPrint("Raw Capture Set !!!\n");
      return kCustomPropertyBytes;
    case kZoom:
      context->zoom = static_cast<uint32_t>(record->value);
      return kCustomPropertyBytes;
    case kFaceTracking:
      context->faceTracking = static_cast<uint32_t>(record->value);
      return kCustomPropertyBytes;
    case kFaceDescription:
      context->faceDescription = static_cast<uint32_t>(record->value);
      return kCustomPropertyBytes;
    case kGamma:
      return SetGamma(context, static_cast<const GammaPropertyData *>(data));
    case kFlicker:
      context->flickerMode = static_cast<uint32_t>(record->value);
      ReapplyExposure(context, device);
      return kCustomPropertyBytes;
    default:
      return 0;
  }
}
