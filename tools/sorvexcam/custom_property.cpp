#include "custom_property.h"

#include <algorithm>

namespace sorvexcam {
namespace {

// The camera's private property set.
constexpr uint8_t kPropertySetGuid[16] = {0x53, 0x56, 0x58, 0x30, 0x2E, 0x43, 0x61, 0x6D,
                                          0x50, 0x72, 0x6F, 0x70, 0x65, 0x72, 0x74, 0x79};
constexpr uint32_t kFlagGet = 1;
constexpr uint32_t kFlagSet = 2;
constexpr size_t kValueOffset = offsetof(SorvexPropertyRecord, value);
constexpr size_t kItemOffset = offsetof(SorvexPropertyRecord, item);
constexpr size_t kGammaCountOffset = offsetof(SorvexGammaRecord, pointCount);
constexpr size_t kGammaPointsOffset = offsetof(SorvexGammaRecord, points);
constexpr size_t kGammaCurveOffset = offsetof(SorvexGammaRecord, curve);
constexpr size_t kGammaCurveBytes = sizeof(SorvexGammaRecord::curve);

std::vector<uint8_t> PropertyHeader(uint32_t id, uint32_t flags) {
  std::vector<uint8_t> header(kPropertyHeaderBytes, 0);
  std::copy(std::begin(kPropertySetGuid), std::end(kPropertySetGuid), header.begin());
  StoreWord(&header[SORVEX_PROPERTY_ID_OFFSET], id);
  StoreWord(&header[20], flags);
  return header;
}

// Sends one request; `data` is the data buffer, sized for the request.
uint32_t Send(IspContext *context, SorvexDevice device, uint32_t id, bool set, std::vector<uint8_t> *data) {
  std::vector<uint8_t> header = PropertyHeader(id, set ? kFlagSet : kFlagGet);
  SorvexPropertyDescriptor request = {};
  request.property = header.data();
  request.propertyInfo = data->data();
  request.propertyInputSize = static_cast<uint32_t>(header.size());
  request.propertyOutputSize = static_cast<uint32_t>(data->size());
  return set ? ISPFunc_prpmanf_SetCustomProperty(context, device, &request)
             : ISPFunc_prpmanf_GetCustomProperty(context, device, &request);
}

PropertyAnswer SendRecord(IspContext *context, SorvexDevice device, uint32_t id, bool set, uint32_t value,
                          uint32_t item) {
  std::vector<uint8_t> record = PropertyHeader(id, set ? kFlagSet : kFlagGet);
  record.resize(kPropertyRecordBytes);
  StoreWord(&record[kValueOffset], value);
  StoreWord(&record[kItemOffset], item);
  PropertyAnswer answer;
  answer.bytes = Send(context, device, id, set, &record);
  answer.value = LoadWord(&record[kValueOffset]);
  answer.item = LoadWord(&record[kItemOffset]);
  return answer;
}

}  // namespace

uint32_t LoadWord(const uint8_t *bytes) {
  return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
         static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

void StoreWord(uint8_t *bytes, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
}

PropertyAnswer GetProperty(IspContext *context, SorvexDevice device, uint32_t id, uint32_t value,
                           uint32_t item) {
  return SendRecord(context, device, id, false, value, item);
}

PropertyAnswer SetProperty(IspContext *context, SorvexDevice device, uint32_t id, uint32_t value,
                           uint32_t item) {
  return SendRecord(context, device, id, true, value, item);
}

PropertyAnswer GetSnapshotNumber(IspContext *context, SorvexDevice device) {
  std::vector<uint8_t> result(kSnapshotResultBytes, 0);
  PropertyAnswer answer;
  answer.bytes = Send(context, device, kPropertySnapshot, false, &result);
  answer.value = LoadWord(result.data());
  return answer;
}

GammaAnswer GetGamma(IspContext *context, SorvexDevice device) {
  std::vector<uint8_t> record(kGammaRecordBytes, 0);
  GammaAnswer answer;
  answer.bytes = Send(context, device, kPropertyGamma, false, &record);
  answer.pointCount = LoadWord(&record[kGammaCountOffset]);
  const size_t shown = std::min<size_t>(answer.pointCount, kGammaPointCapacity);
  for (size_t i = 0; i < shown; ++i) answer.points.push_back(LoadWord(&record[kGammaPointsOffset + 4 * i]));
  answer.curve.assign(record.begin() + kGammaCurveOffset, record.begin() + kGammaCurveOffset + kGammaCurveBytes);
  return answer;
}

PropertyAnswer GetSettingItem(IspContext *context, SorvexDevice device, uint32_t item) {
  SetProperty(context, device, kPropertySelectItem, 0, item);
  return GetProperty(context, device, kPropertyItem, 0, 0);
}

}  // namespace sorvexcam
