// The sensor models the library knows, by the name the minidriver passes and
// the code the rest of the library switches on.
#pragma once

#include <stdint.h>

#include "sorvex_kernel.h"

// Code of the sensor named `name` (exact, case-sensitive UTF-16), or 0 when
// the name is unknown or null.
uint32_t SensorIdFromName(const WCHAR *name);

// Model name of a sensor code ("MI1320"), or null for a code not in the table.
const WCHAR *SensorNameFromId(uint32_t sensorId);
