// The camera's settings, each described once: its registry values, its
// custom-property item, its field in the context, the bytes it takes and
// its built-in fallback. The settings load and save and the custom
// properties all read this table. Values are kept as they are sent or
// stored: no setting has a range that is enforced.
#pragma once

#include "core/sensor_table.h"

namespace sorvex0 {

struct Setting {
  // The factory default, written by the installer (null: none); InvertImage
  // lives in the driver key itself, the others in "PageSetting".
  const WCHAR *defaultName;
  bool inDriverKey;
  // The current value, read at ISPFunc_Init and written at ISPFunc_Exit
  // (null: never kept).
  const WCHAR *currentName;
  // The property item of get 32 and set 33 (0: none); a read-only item is
  // reported and never set.
  uint32_t item;
  bool readOnly;
  uint32_t *(*field)(IspContext *context);
  uint32_t width;  // bytes of the registry value and the field
  // The fallback when the default cannot be read: the sensor's own, or the
  // constant when the sensor has none.
  uint32_t SensorDescriptor::*sensorFallback;
  uint32_t fallback;
};

// Every setting, in the order the registry values are read and written.
const Setting *SettingsBegin();
const Setting *SettingsEnd();

// The setting of a property item; null for an item without one.
const Setting *SettingOfItem(uint32_t item);

// The fallback of a setting for the context's sensor.
uint32_t SettingFallback(const Setting &setting, const IspContext *context);

}  // namespace sorvex0
