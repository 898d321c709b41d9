#include "core/sensor_table.h"

#include "core/isp_context.h"

namespace {

struct SensorEntry {
  const WCHAR *name;
  uint32_t id;
};

// Matched in this order; the first match wins.
constexpr SensorEntry kSensors[] = {
    {KTEXT("ES2216"), kSensorEs2216}, {KTEXT("S5K4AA"), kSensorS5k4aa},
    {KTEXT("OV9650"), kSensorOv9650}, {KTEXT("OV9655"), kSensorOv9655},
    {KTEXT("MI1320"), kSensorMi1320}, {KTEXT("S5K3BA"), kSensorS5k3ba},
    {KTEXT("OV7670"), kSensorOv7670}, {KTEXT("MI2020"), kSensorMi2020},
    {KTEXT("MO4000"), kSensorMo4000}, {KTEXT("MI0360"), kSensorMi0360},
};

}  // namespace

uint32_t SensorIdFromName(const WCHAR *name) {
  if (name == nullptr) return kSensorNone;
  for (const SensorEntry &entry : kSensors) {
    if (wcscmp(name, entry.name) == 0) return entry.id;
  }
  return kSensorNone;
}

const WCHAR *SensorNameFromId(uint32_t sensorId) {
  for (const SensorEntry &entry : kSensors) {
    if (entry.id == sensorId) return entry.name;
  }
  return nullptr;
}
