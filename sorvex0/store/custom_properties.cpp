// The camera's private property set: applications read and change the
// settings, read the capture geometry, peek and poke single registers,
// exchange the gamma curve, arm raw snapshots, reset the gamma curve and
// reload the factory defaults. The minidriver forwards each request here.

#include "store/custom_properties.h"

#include "core/capture_control.h"
#include "core/register_access.h"
#include "core/sensor_flip.h"
#include "core/sensor_table.h"
#include "exposure/exposure_loop.h"
#include "exposure/tone_curve.h"
#include "sorvex0_property.h"
#include "store/registry_settings.h"
#include "store/settings_table.h"

namespace sorvex0 {

namespace {

static_assert(sizeof(SorvexPropertyRecord) == SORVEX_PROPERTY_RECORD_BYTES, "custom property record");
static_assert(sizeof(SorvexGammaRecord) == SORVEX_GAMMA_RECORD_BYTES, "gamma record");
static_assert(SORVEX_GAMMA_POINTS == kMaxGammaPoints, "gamma points of the record and the context");

// The identifier: the 32-bit word after the 16-byte set GUID.
bool ReadRequest(const SorvexPropertyDescriptor *request, uint32_t *id, void **data) {
  if (request == nullptr || request->property == nullptr || request->propertyInfo == nullptr) {
    return false;
  }
  const uint8_t *word = static_cast<const uint8_t *>(request->property) + SORVEX_PROPERTY_ID_OFFSET;
  *id = static_cast<uint32_t>(word[0]) | static_cast<uint32_t>(word[1]) << 8 |
        static_cast<uint32_t>(word[2]) << 16 | static_cast<uint32_t>(word[3]) << 24;
  *data = request->propertyInfo;
  return true;
}

// The field behind a settings item, or null for an item without one.
uint32_t *ItemField(IspContext *context, uint32_t item) {
  const Setting *setting = SettingOfItem(item);
  return setting != nullptr ? setting->field(context) : nullptr;
}

bool ItemIsReadOnly(uint32_t item) {
  const Setting *setting = SettingOfItem(item);
  return item == SORVEX_ITEM_EXPOSURE_VALUE || (setting != nullptr && setting->readOnly);
}

// Flicker, out-door and clock changes restart the exposure loop.
void ReapplyExposure(IspContext *context, SorvexDevice device) {
  StartExposure(context, device);
  CommitSensorRegisters(context, device);
  ResetBlankCount(context);
}

// A sensor with its own processor (the MI1320) switches between its
// processed and its raw 1280-wide modes.
void SelectProcessorMode(IspContext *context, SorvexDevice device, uint32_t ipMode) {
  if (!SensorOf(context).ownProcessor || context->captureWidth != 1280 ||
      context->selectSensorMode == nullptr) {
    return;
  }
  const char *name = nullptr;
  if (context->captureHeight == 800) name = ipMode >= 2 ? "HS\\YUYV\\1280C" : "HS\\YUYV\\1280S";
  if (context->captureHeight == 1024) name = ipMode >= 2 ? "HS\\YUYV\\1280" : "HS\\YUYV\\1280T";
  if (name != nullptr) context->selectSensorMode(device, name);
}

void RotateAsSet(IspContext *context, SorvexDevice device) {
  ProgramFlip(context, device, context->flipHorizontal != 0, context->flipVertical != 0);
}

void ReloadFactoryDefaults(IspContext *context, SorvexDevice device, const StreamControl &stream) {
  const uint32_t ssbs = context->ssbs;
  LoadDefaultSettings(context);
  if (context->requestedWidth > 800 || context->ssbs == ssbs) {
    StartExposure(context, device);
    CommitSensorRegisters(context, device);
    if (context->invertImage != 0) {
      ResetBlankCount(context);
    } else {
      RotateAsSet(context, device);
    }
  } else {
    stream.restart(context, device);
    if (context->invertImage == 0) RotateAsSet(context, device);
    context->blankFrameCount *= 2;
  }
}

void SetItem(IspContext *context, SorvexDevice device, uint32_t item, int32_t value,
             const StreamControl &stream) {
  const uint32_t word = static_cast<uint32_t>(value);
  if (item == SORVEX_ITEM_RESET_GAMMA) {
    LoadDefaultGamma(context);
    return;
  }
  if (item == SORVEX_ITEM_FACTORY_DEFAULTS) {
    ReloadFactoryDefaults(context, device, stream);
    return;
  }
  uint32_t *field = ItemField(context, item);
  if (field == nullptr || ItemIsReadOnly(item)) return;
  *field = word;
  switch (item) {
    case SORVEX_ITEM_FLICKER:
    case SORVEX_ITEM_OUT_DOOR:
    case SORVEX_ITEM_CLOCK:
      ReapplyExposure(context, device);
      break;
    case SORVEX_ITEM_FLIP_VERTICAL:
      ProgramFlip(context, device, context->flipHorizontal != 0, word != 0);
      break;
    case SORVEX_ITEM_FLIP_HORIZONTAL:
      ProgramFlip(context, device, word != 0, context->flipVertical != 0);
      break;
    case SORVEX_ITEM_SSBS:
      stream.restart(context, device);
      context->blankFrameCount *= 2;
      break;
    case SORVEX_ITEM_IP_MODE:
      SelectProcessorMode(context, device, word);
      break;
    default:
      break;
  }
}

// A point count outside 0..32 is taken as the nearest end, so nothing is
// copied past the record or the context's points.
uint32_t GammaPointsToCopy(int32_t count) {
  if (count < 0) return 0;
  return static_cast<uint32_t>(count) > kMaxGammaPoints ? kMaxGammaPoints : static_cast<uint32_t>(count);
}

uint32_t GetGamma(const IspContext *context, SorvexGammaRecord *record) {
  record->pointCount = context->gammaPointCount;
  const uint32_t points = GammaPointsToCopy(context->gammaPointCount);
  RtlCopyMemory(record->points, context->gammaPoints, points * sizeof(int32_t));
  RtlCopyMemory(record->curve, context->gammaCurve, sizeof(record->curve));
  return SORVEX_GAMMA_RECORD_BYTES;
}

uint32_t SetGamma(IspContext *context, const SorvexGammaRecord *record) {
  const uint32_t points = GammaPointsToCopy(record->pointCount);
  context->gammaPointCount = static_cast<int32_t>(points);
  RtlCopyMemory(context->gammaPoints, record->points, points * sizeof(int32_t));
  RtlCopyMemory(context->gammaCurve, record->curve, sizeof(context->gammaCurve));
  return SORVEX_GAMMA_RECORD_BYTES;
}

}  // namespace

uint32_t AnswerGetProperty(IspContext *context, SorvexDevice device,
                           const SorvexPropertyDescriptor *request) {
  uint32_t id = 0;
  void *data = nullptr;
  if (context == nullptr || !ReadRequest(request, &id, &data)) return 0;
  SorvexPropertyRecord *record = static_cast<SorvexPropertyRecord *>(data);
  switch (id) {
    case SORVEX_PROPERTY_ITEM: {
      record->item = context->propertyItem;
      if (context->propertyItem == SORVEX_ITEM_EXPOSURE_VALUE) {
        record->value = static_cast<int32_t>(CurrentExposureValue(context));
      } else if (const uint32_t *field = ItemField(context, context->propertyItem)) {
        record->value = static_cast<int32_t>(*field);
      }
      return SORVEX_PROPERTY_RECORD_BYTES;
    }
    case SORVEX_PROPERTY_REPORT_TWO:
      record->value = 2;
      return SORVEX_PROPERTY_RECORD_BYTES;
    case SORVEX_PROPERTY_CONTROLLER_REGISTER:
      record->value = context->readRegisterB != nullptr
                          ? static_cast<int32_t>(context->readRegisterB(device, context->propertyItem & 0xFF) & 0xFF)
                          : 0;
      return SORVEX_PROPERTY_RECORD_BYTES;
    case SORVEX_PROPERTY_SENSOR_REGISTER:
      record->value = static_cast<int32_t>(PeekSensorRegister(context, device, context->propertyItem));
      return SORVEX_PROPERTY_RECORD_BYTES;
    case SORVEX_PROPERTY_SENSOR_ID:
      record->value = static_cast<int32_t>(context->sensorId);
      return SORVEX_PROPERTY_RECORD_BYTES;
    case SORVEX_PROPERTY_SNAPSHOT: {
      DbgPrint("Raw Capture Get !!!\n");
      *static_cast<uint32_t *>(data) = context->snapshotIndex;
      context->snapshotIndex = 0;
      return SORVEX_SNAPSHOT_RESULT_BYTES;
    }
    case SORVEX_PROPERTY_ZOOM:
      record->value = static_cast<int32_t>(context->zoom);
      return SORVEX_PROPERTY_RECORD_BYTES;
    case SORVEX_PROPERTY_FACE_TRACKING:
      record->value = static_cast<int32_t>(context->faceTracking);
      return SORVEX_PROPERTY_RECORD_BYTES;
    case SORVEX_PROPERTY_FACE_DESCRIPTION:
      record->value = static_cast<int32_t>(context->faceDescription);
      return SORVEX_PROPERTY_RECORD_BYTES;
    case SORVEX_PROPERTY_GAMMA:
      return GetGamma(context, static_cast<SorvexGammaRecord *>(data));
    case SORVEX_PROPERTY_FLICKER:
      record->value = static_cast<int32_t>(context->flickerMode);
      return SORVEX_PROPERTY_RECORD_BYTES;
    default:
      return 0;
  }
}

uint32_t AnswerSetProperty(IspContext *context, SorvexDevice device,
                           const SorvexPropertyDescriptor *request, const StreamControl &stream) {
  uint32_t id = 0;
  void *data = nullptr;
  if (context == nullptr || !ReadRequest(request, &id, &data)) return 0;
  SorvexPropertyRecord *record = static_cast<SorvexPropertyRecord *>(data);
  switch (id) {
    case SORVEX_PROPERTY_SELECT_ITEM:
    case SORVEX_PROPERTY_SELECT_ITEM_B:
      context->propertyItem = record->item;
      return SORVEX_PROPERTY_RECORD_BYTES;
    case SORVEX_PROPERTY_SET_ITEM:
      SetItem(context, device, record->item, record->value, stream);
      return SORVEX_PROPERTY_RECORD_BYTES;
    case SORVEX_PROPERTY_SELECT_REGISTER:
    case SORVEX_PROPERTY_SELECT_REGISTER_B:
      context->propertyItem = static_cast<uint32_t>(record->value);
      return SORVEX_PROPERTY_RECORD_BYTES;
    case SORVEX_PROPERTY_CONTROLLER_REGISTER:
      WriteRegisterPairB(context, device, static_cast<uint8_t>(record->item),
                         static_cast<uint8_t>(record->value));
      return SORVEX_PROPERTY_RECORD_BYTES;
    case SORVEX_PROPERTY_SENSOR_REGISTER:
      PokeSensorRegister(context, device, record->item, static_cast<uint32_t>(record->value));
      return SORVEX_PROPERTY_RECORD_BYTES;
    case SORVEX_PROPERTY_SNAPSHOT:
      context->snapshotRequest = 1;
      DbgPrint("Raw Capture Set !!!\n");
      return SORVEX_PROPERTY_RECORD_BYTES;
    case SORVEX_PROPERTY_ZOOM:
      context->zoom = static_cast<uint32_t>(record->value);
      return SORVEX_PROPERTY_RECORD_BYTES;
    case SORVEX_PROPERTY_FACE_TRACKING:
      context->faceTracking = static_cast<uint32_t>(record->value);
      return SORVEX_PROPERTY_RECORD_BYTES;
    case SORVEX_PROPERTY_FACE_DESCRIPTION:
      context->faceDescription = static_cast<uint32_t>(record->value);
      return SORVEX_PROPERTY_RECORD_BYTES;
    case SORVEX_PROPERTY_GAMMA:
      return SetGamma(context, static_cast<const SorvexGammaRecord *>(data));
    case SORVEX_PROPERTY_FLICKER:
      context->flickerMode = static_cast<uint32_t>(record->value);
      ReapplyExposure(context, device);
      return SORVEX_PROPERTY_RECORD_BYTES;
    default:
      return 0;
  }
}

}  // namespace sorvex0
