// The camera's settings in the registry: factory defaults ("Default_"
// values, written by the installer) and current values ("Camera_" values,
// written here at ISPFunc_Exit), below the device's driver key in a key named
// after the sensor and its "PageSetting" subkey. Passive level only.
#pragma once

#include "core/isp_context.h"

namespace sorvex0 {

// Handles of the open settings keys, closed in reverse order.
struct SettingsKeys {
  HANDLE driverKey;
  HANDLE sensorKey;
  HANDLE pageKey;
};

// Opens the driver key of `physicalDevice` and creates (or opens) the sensor
// key and "PageSetting" below it. Returns the first failure status, with
// whatever was opened already closed again.
NTSTATUS OpenSettingsKey(const IspContext *context, void *physicalDevice, SettingsKeys *keys);
// Closes the handles in reverse order; returns the status of closing the driver key.
NTSTATUS CloseSettingsKey(SettingsKeys *keys);

// Creates every key along `path` (backslash-separated) relative to `rootKey`.
NTSTATUS CreateKeyPath(HANDLE rootKey, ACCESS_MASK access, const WCHAR *path, HANDLE *handle);

// Reads the data of a value into `buffer`, at most *size bytes. On success
// *size is the data length. A value larger than *size fails with
// STATUS_BUFFER_OVERFLOW and leaves the buffer untouched.
NTSTATUS QueryValueData(HANDLE key, const WCHAR *valueName, void *buffer, ULONG *size);
// A 4-byte value, or `fallback` when it cannot be read. Shorter data is zero-extended.
uint32_t QueryDwordOrDefault(HANDLE key, const WCHAR *valueName, uint32_t fallback);
NTSTATUS SetDwordValue(HANDLE key, const WCHAR *valueName, uint32_t value);

// Sets every setting from its "Default_" value or built-in fallback.
void LoadDefaultSettings(IspContext *context);
// Overrides the settings with the stored "Camera_" values and the gamma curve,
// and detects the host chipset. Returns the failure status of opening the
// driver key, or the status of closing it.
NTSTATUS LoadCurrentSettings(IspContext *context, void *physicalDevice);
// ISPFunc_Init's load: the sensor's default gamma, the defaults, the
// exposure loop's starting brightness, then the current values. Returns the
// status of LoadCurrentSettings.
NTSTATUS LoadSettingsAtInit(IspContext *context, void *physicalDevice);
// Writes the "Camera_" values and the gamma curve. Failures are ignored.
void SaveCurrentSettings(IspContext *context, void *physicalDevice);

}  // namespace sorvex0
