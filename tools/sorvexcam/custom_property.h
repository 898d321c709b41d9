// Custom property requests as the minidriver forwards them: a descriptor
// whose `property` points at the 24-byte property header (a 16-byte set GUID,
// the 32-bit identifier at byte 16, the get/set flags at byte 20) and whose
// `propertyInfo` points at the data buffer: the 32-byte record (a copy of the
// header, the value word at byte 24, the item word at byte 28), 4 bytes for
// get 57 (the snapshot number) and 648 bytes for 64 (the gamma record).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sorvex0.h"

namespace sorvexcam {

enum PropertyId : uint32_t {
  kPropertySelectItem = 31,
  kPropertyItem = 32,   // get: the setting selected by 31; set: the setting named by the item word
  kPropertySetItem = 33,
  kPropertySelectRegister = 51,
  kPropertyControllerRegister = 52,
  kPropertySensorRegister = 54,
  kPropertySensorId = 55,
  kPropertySnapshot = 57,
  kPropertyZoom = 60,
  kPropertyFaceTracking = 61,
  kPropertyFaceDescription = 62,
  kPropertyGamma = 64,
  kPropertyFlicker = 66,
};

constexpr size_t kPropertyHeaderBytes = 24;
constexpr size_t kPropertyRecordBytes = 32;
constexpr size_t kSnapshotResultBytes = 4;
constexpr size_t kGammaRecordBytes = 648;
constexpr size_t kGammaPointCapacity = 32;

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
