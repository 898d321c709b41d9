#include "store/registry_settings.h"

#include "core/sensor_table.h"
#include "exposure/tone_curve.h"
#include "platform/host_bridge.h"
#include "store/settings_table.h"

namespace sorvex0 {

namespace {

// Room of the sensor key name, in UTF-16 units.
constexpr uint32_t kSensorKeyNameUnits = 32;
// Size of the gamma exchange buffer: the whole curve, and room for the points.
constexpr ULONG kGammaBufferBytes = 512;

NTSTATUS CreateKey(HANDLE rootKey, ACCESS_MASK access, const WCHAR *name, HANDLE *handle) {
  UNICODE_STRING keyName;
  RtlInitUnicodeString(&keyName, name);
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &keyName, OBJ_CASE_INSENSITIVE, rootKey, nullptr);
  ULONG disposition = 0;
  return ZwCreateKey(handle, access, &attributes, 0, nullptr, 0, &disposition);
}

// Reads a current value straight into its field; data shorter than the
// field replaces only the low-order bytes it has.
void QueryIntoField(HANDLE key, const Setting &setting, IspContext *context) {
  ULONG size = setting.width;
  QueryValueData(key, setting.currentName, setting.field(context), &size);
}

uint32_t ReadDefault(HANDLE key, const WCHAR *name, uint32_t fallback) {
  return key != nullptr ? QueryDwordOrDefault(key, name, fallback) : fallback;
}

int32_t ClampGammaPointCount(int32_t count) {
  if (count < 0) return 0;
  if (count > static_cast<int32_t>(kMaxGammaPoints)) return static_cast<int32_t>(kMaxGammaPoints);
  return count;
}

void LoadGammaCurve(IspContext *context, HANDLE key) {
  ULONG size = sizeof(context->gammaPointCount);
  if (!NT_SUCCESS(QueryValueData(key, KTEXT("GammaCurveSize"), &context->gammaPointCount, &size))) {
    return;
  }
  // A stored count beyond the room of the points is taken as the room, so no
  // read can run past the points or the exchange buffer.
  context->gammaPointCount = ClampGammaPointCount(context->gammaPointCount);
  uint8_t buffer[kGammaBufferBytes];
  RtlZeroMemory(buffer, sizeof(buffer));
  const ULONG pointBytes = static_cast<ULONG>(context->gammaPointCount) * 4;
  size = pointBytes;
  if (NT_SUCCESS(QueryValueData(key, KTEXT("GammaCurve"), buffer, &size))) {
    RtlCopyMemory(context->gammaPoints, buffer, pointBytes);
  }
  size = kGammaBufferBytes;
  if (NT_SUCCESS(QueryValueData(key, KTEXT("GammaPoint"), buffer, &size))) {
    RtlCopyMemory(context->gammaCurve, buffer, kGammaBufferBytes);
  }
}

void SaveGammaCurve(IspContext *context, HANDLE key) {
  if (SetDwordValue(key, KTEXT("GammaCurveSize"), static_cast<uint32_t>(context->gammaPointCount)) !=
      STATUS_SUCCESS) {
    return;
  }
  uint8_t buffer[kGammaBufferBytes];
  RtlZeroMemory(buffer, sizeof(buffer));
  const ULONG pointBytes = static_cast<ULONG>(ClampGammaPointCount(context->gammaPointCount)) * 4;
  RtlCopyMemory(buffer, context->gammaPoints, pointBytes);
  UNICODE_STRING name;
  RtlInitUnicodeString(&name, KTEXT("GammaCurve"));
  ZwSetValueKey(key, &name, 0, REG_BINARY, buffer, pointBytes);
  RtlInitUnicodeString(&name, KTEXT("GammaPoint"));
  ZwSetValueKey(key, &name, 0, REG_BINARY, context->gammaCurve,
                kGammaBufferBytes);
}

}  // namespace

NTSTATUS OpenSettingsKey(const IspContext *context, void *physicalDevice, SettingsKeys *keys) {
  keys->driverKey = nullptr;
  keys->sensorKey = nullptr;
  keys->pageKey = nullptr;
  // KEY_READ rather than bare STANDARD_RIGHTS_READ: the latter grants no
  // KEY_QUERY_VALUE, so "InvertImage", which lives in this key, could never
  // be read and the setting would silently never take effect.
  NTSTATUS status = IoOpenDeviceRegistryKey(static_cast<PDEVICE_OBJECT>(physicalDevice),
                                            PLUGPLAY_REGKEY_DRIVER, KEY_READ, &keys->driverKey);
  if (!NT_SUCCESS(status)) {
    keys->driverKey = nullptr;
    return status;
  }
  // The sensor's key name, or "Settings" for a sensor outside the table.
  WCHAR sensorKeyName[kSensorKeyNameUnits];
  RtlZeroMemory(sensorKeyName, sizeof(sensorKeyName));
  const WCHAR *sensorName = SensorOf(context).name;
  wcscpy(sensorKeyName, sensorName != nullptr ? sensorName : KTEXT("Settings"));

  status = CreateKeyPath(keys->driverKey, KEY_ALL_ACCESS, sensorKeyName, &keys->sensorKey);
  if (NT_SUCCESS(status)) {
    status = CreateKeyPath(keys->sensorKey, KEY_ALL_ACCESS, KTEXT("PageSetting"), &keys->pageKey);
  } else {
    keys->sensorKey = nullptr;
  }
  if (!NT_SUCCESS(status)) {
    keys->pageKey = nullptr;
    CloseSettingsKey(keys);
  }
  return status;
}

NTSTATUS CloseSettingsKey(SettingsKeys *keys) {
  if (keys->pageKey != nullptr) ZwClose(keys->pageKey);
  if (keys->sensorKey != nullptr) ZwClose(keys->sensorKey);
  NTSTATUS status = STATUS_SUCCESS;
  if (keys->driverKey != nullptr) status = ZwClose(keys->driverKey);
  keys->pageKey = nullptr;
  keys->sensorKey = nullptr;
  keys->driverKey = nullptr;
  return status;
}

NTSTATUS CreateKeyPath(HANDLE rootKey, ACCESS_MASK access, const WCHAR *path, HANDLE *handle) {
  // The prefixes are cut in a copy; a path longer than a registry key path
  // can be is refused rather than cut.
  constexpr SIZE_T kMaxPathUnits = 256;
  const SIZE_T length = wcslen(path);
  if (length >= kMaxPathUnits) return STATUS_OBJECT_NAME_INVALID;
  WCHAR prefix[kMaxPathUnits];
  wcscpy(prefix, path);
  for (SIZE_T i = 1; i < length; ++i) {
    if (prefix[i] != u'\\') continue;
    prefix[i] = 0;
    HANDLE intermediate = nullptr;
    const NTSTATUS status = CreateKey(rootKey, access, prefix, &intermediate);
    prefix[i] = u'\\';
    if (!NT_SUCCESS(status)) return status;
    ZwClose(intermediate);
  }
  return CreateKey(rootKey, access, prefix, handle);
}

NTSTATUS QueryValueData(HANDLE key, const WCHAR *valueName, void *buffer, ULONG *size) {
  UNICODE_STRING name;
  RtlInitUnicodeString(&name, valueName);
  const ULONG blockBytes = 24 + (name.Length + 2u) + *size;
  auto *info = static_cast<KEY_VALUE_FULL_INFORMATION *>(
      ExAllocatePoolWithTag(PagedPool, blockBytes, SORVEX_POOL_TAG));
  if (info == nullptr) return STATUS_INSUFFICIENT_RESOURCES;
  ULONG resultLength = 0;
  NTSTATUS status =
      ZwQueryValueKey(key, &name, KeyValueFullInformation, info, blockBytes, &resultLength);
  if (NT_SUCCESS(status)) {
    // The block has a little slack after the data; a value longer than the
    // caller asked for must not spill into the caller's memory.
    if (info->DataLength > *size || info->DataOffset > blockBytes ||
        info->DataLength > blockBytes - info->DataOffset) {
      status = STATUS_BUFFER_OVERFLOW;
    } else {
      RtlCopyMemory(buffer, reinterpret_cast<const uint8_t *>(info) + info->DataOffset,
                    info->DataLength);
      *size = info->DataLength;
    }
  }
  ExFreePool(info);
  return status;
}

uint32_t QueryDwordOrDefault(HANDLE key, const WCHAR *valueName, uint32_t fallback) {
  uint32_t value = 0;
  ULONG size = sizeof(value);
  return NT_SUCCESS(QueryValueData(key, valueName, &value, &size)) ? value : fallback;
}

NTSTATUS SetDwordValue(HANDLE key, const WCHAR *valueName, uint32_t value) {
  UNICODE_STRING name;
  RtlInitUnicodeString(&name, valueName);
  return ZwSetValueKey(key, &name, 0, REG_DWORD, &value, sizeof(value));
}

void LoadDefaultSettings(IspContext *context) {
  SettingsKeys keys;
  const NTSTATUS status = OpenSettingsKey(context, context->physicalDevice, &keys);
  // Without the keys every setting takes its built-in fallback.
  const HANDLE driverKey = NT_SUCCESS(status) ? keys.driverKey : nullptr;
  const HANDLE pageKey = NT_SUCCESS(status) ? keys.pageKey : nullptr;
  for (const Setting *setting = SettingsBegin(); setting != SettingsEnd(); ++setting) {
    if (setting->defaultName == nullptr) continue;
    *setting->field(context) = ReadDefault(setting->inDriverKey ? driverKey : pageKey,
                                           setting->defaultName, SettingFallback(*setting, context));
  }
  if (NT_SUCCESS(status)) CloseSettingsKey(&keys);
}

NTSTATUS LoadCurrentSettings(IspContext *context, void *physicalDevice) {
  SettingsKeys keys;
  const NTSTATUS status = OpenSettingsKey(context, physicalDevice, &keys);
  if (!NT_SUCCESS(status)) return status;

  context->sisHostController = 0;
  DetectSisHost(context);

  for (const Setting *setting = SettingsBegin(); setting != SettingsEnd(); ++setting) {
    if (setting->currentName != nullptr) QueryIntoField(keys.pageKey, *setting, context);
  }
  LoadGammaCurve(context, keys.pageKey);
  return CloseSettingsKey(&keys);
}

NTSTATUS LoadSettingsAtInit(IspContext *context, void *physicalDevice) {
  LoadDefaultGamma(context);
  LoadDefaultSettings(context);
  // The exposure loop starts from the target, as if the last frame had hit it.
  context->measuredBrightness = context->aeTarget;
  return LoadCurrentSettings(context, physicalDevice);
}

void SaveCurrentSettings(IspContext *context, void *physicalDevice) {
  SettingsKeys keys;
  if (!NT_SUCCESS(OpenSettingsKey(context, physicalDevice, &keys))) return;
  for (const Setting *setting = SettingsBegin(); setting != SettingsEnd(); ++setting) {
    if (setting->currentName != nullptr) {
      SetDwordValue(keys.pageKey, setting->currentName, *setting->field(context));
    }
  }
  SaveGammaCurve(context, keys.pageKey);
  CloseSettingsKey(&keys);
}

}  // namespace sorvex0
