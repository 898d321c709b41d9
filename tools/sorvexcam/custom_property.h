// Custom property requests as the minidriver forwards them (the set is
// declared in sorvex0_property.h): a descriptor whose `property` points at
// the property header and whose `propertyInfo` points at the data buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sorvex0.h"
#include "sorvex0_property.h"

namespace sorvexcam {

// The front end's names for the library's property set (sorvex0_property.h).
enum PropertyId : uint32_t {
  kPropertySelectItem = SORVEX_PROPERTY_SELECT_ITEM,
  kPropertyItem = SORVEX_PROPERTY_ITEM,  // get: the setting selected by 31; set: the setting named by the item word
  kPropertySetItem = SORVEX_PROPERTY_SET_ITEM,
  kPropertySelectRegister = SORVEX_PROPERTY_SELECT_REGISTER,
  kPropertyControllerRegister = SORVEX_PROPERTY_CONTROLLER_REGISTER,
  kPropertySensorRegister = SORVEX_PROPERTY_SENSOR_REGISTER,
  kPropertySensorId = SORVEX_PROPERTY_SENSOR_ID,
  kPropertySnapshot = SORVEX_PROPERTY_SNAPSHOT,
  kPropertyZoom = SORVEX_PROPERTY_ZOOM,
  kPropertyFaceTracking = SORVEX_PROPERTY_FACE_TRACKING,
  kPropertyFaceDescription = SORVEX_PROPERTY_FACE_DESCRIPTION,
  kPropertyGamma = SORVEX_PROPERTY_GAMMA,
  kPropertyFlicker = SORVEX_PROPERTY_FLICKER,
};

constexpr size_t kPropertyHeaderBytes = SORVEX_PROPERTY_HEADER_BYTES;
constexpr size_t kPropertyRecordBytes = SORVEX_PROPERTY_RECORD_BYTES;
constexpr size_t kSnapshotResultBytes = SORVEX_SNAPSHOT_RESULT_BYTES;
constexpr size_t kGammaRecordBytes = SORVEX_GAMMA_RECORD_BYTES;
constexpr size_t kGammaPointCapacity = SORVEX_GAMMA_POINTS;

struct PropertyAnswer {
  uint32_t bytes = 0;  // the export's result: valid bytes, 0 for an unhandled identifier
  uint32_t value = 0;
  uint32_t item = 0;
};

struct GammaAnswer {
  uint32_t bytes = 0;
  uint32_t pointCount = 0;
  std::vector<uint32_t> points;  // at most 32
  std::vector<uint8_t> curve;    // 512 bytes
};

// The two exports with the request built around them. `value` and `item` go
// into the record's words; the answer carries the words as the library left them.
PropertyAnswer GetProperty(IspContext *context, SorvexDevice device, uint32_t id, uint32_t value = 0,
                           uint32_t item = 0);
PropertyAnswer SetProperty(IspContext *context, SorvexDevice device, uint32_t id, uint32_t value,
                           uint32_t item = 0);
// Get 57: the number of the last snapshot taken (0: none since the last read).
PropertyAnswer GetSnapshotNumber(IspContext *context, SorvexDevice device);
GammaAnswer GetGamma(IspContext *context, SorvexDevice device);

// Reading one setting: set 31 selects the item, get 32 reads it.
PropertyAnswer GetSettingItem(IspContext *context, SorvexDevice device, uint32_t item);

// Little-endian 32-bit words of a request buffer.
uint32_t LoadWord(const uint8_t *bytes);
void StoreWord(uint8_t *bytes, uint32_t value);

}  // namespace sorvexcam
