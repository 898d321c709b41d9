#include "fuzz_camera.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <iterator>
#include <memory>

#include "fuzz_check.h"
#include "sorvex0_property.h"

namespace sorvexfuzz {

const char *const kSensorNames[10] = {"ES2216", "S5K4AA", "OV9650", "MI1320", "S5K3BA",
                                      "OV7670", "MI2020", "OV9655", "MO4000", "MI0360"};

namespace {

constexpr size_t kHeaderBytes = SORVEX_PROPERTY_HEADER_BYTES;
constexpr size_t kRecordBytes = SORVEX_PROPERTY_RECORD_BYTES;
constexpr size_t kSnapshotBytes = SORVEX_SNAPSHOT_RESULT_BYTES;  // get 57
constexpr size_t kGammaBytes = SORVEX_GAMMA_RECORD_BYTES;
constexpr size_t kMaxNameUnits = 40;

// In this order: the seed corpus picks them by index.
constexpr uint32_t kGetIds[] = {
    SORVEX_PROPERTY_ITEM,          SORVEX_PROPERTY_REPORT_TWO,       SORVEX_PROPERTY_CONTROLLER_REGISTER,
    SORVEX_PROPERTY_SENSOR_REGISTER, SORVEX_PROPERTY_SENSOR_ID,      SORVEX_PROPERTY_SNAPSHOT,
    SORVEX_PROPERTY_ZOOM,          SORVEX_PROPERTY_FACE_TRACKING,    SORVEX_PROPERTY_FACE_DESCRIPTION,
    SORVEX_PROPERTY_GAMMA,         SORVEX_PROPERTY_FLICKER};
constexpr uint32_t kSetIds[] = {
    SORVEX_PROPERTY_SELECT_ITEM,         SORVEX_PROPERTY_SET_ITEM,        SORVEX_PROPERTY_SELECT_REGISTER,
    SORVEX_PROPERTY_CONTROLLER_REGISTER, SORVEX_PROPERTY_SELECT_REGISTER_B, SORVEX_PROPERTY_SENSOR_REGISTER,
    SORVEX_PROPERTY_SNAPSHOT,            SORVEX_PROPERTY_ZOOM,            SORVEX_PROPERTY_FACE_TRACKING,
    SORVEX_PROPERTY_FACE_DESCRIPTION,    SORVEX_PROPERTY_SELECT_ITEM_B,   SORVEX_PROPERTY_GAMMA,
    SORVEX_PROPERTY_FLICKER};
// The settings items (SORVEX_ITEM_FLICKER .. SORVEX_ITEM_FACTORY_DEFAULTS),
// and a few that are not items.
constexpr uint32_t kItems[] = {
    SORVEX_ITEM_FLICKER,          SORVEX_ITEM_OUT_DOOR,         SORVEX_ITEM_LOW_LIGHT,
    SORVEX_ITEM_FLIP_VERTICAL,    SORVEX_ITEM_FLIP_HORIZONTAL,  SORVEX_ITEM_RIC,
    SORVEX_ITEM_BPC,              SORVEX_ITEM_DENOISE,          SORVEX_ITEM_AWB_TYPE,
    SORVEX_ITEM_AWB_PRESET_1,     SORVEX_ITEM_AWB_PRESET_1 + 1, SORVEX_ITEM_AWB_PRESET_1 + 2,
    SORVEX_ITEM_AWB_PRESET_1 + 3, SORVEX_ITEM_AWB_PRESET_1 + 4, SORVEX_ITEM_AWB_PRESET_1 + 5,
    SORVEX_ITEM_AWB_PRESET_1 + 6, SORVEX_ITEM_AWB_PRESET_1 + 7, SORVEX_ITEM_AWB_PRESET_9,
    SORVEX_ITEM_AE_TYPE,          SORVEX_ITEM_AE_TARGET,        SORVEX_ITEM_AE_TABLE_LENGTH,
    SORVEX_ITEM_AE_INDEX,         SORVEX_ITEM_EXPOSURE_VALUE,   SORVEX_ITEM_CLOCK,
    SORVEX_ITEM_SSBS,             SORVEX_ITEM_FBF,              SORVEX_ITEM_IP_MODE,
    SORVEX_ITEM_REQUESTED_WIDTH,  SORVEX_ITEM_REQUESTED_HEIGHT, SORVEX_ITEM_CAPTURE_WIDTH,
    SORVEX_ITEM_CAPTURE_HEIGHT,   SORVEX_ITEM_RESET_GAMMA,      SORVEX_ITEM_FACTORY_DEFAULTS,
    0,                            9,                            41};

// Register values the fake sensor reads back; changes with every write so
// that the library's read-modify-write paths see varied values.
uint8_t registerBank[2][256];

void CheckDevice(SorvexDevice device) { FUZZ_CHECK(device == kDevice, "a callback got its device value"); }

uint32_t ReadRegister(int space, SorvexDevice device, uint32_t reg) {
  CheckDevice(device);
  return registerBank[space][reg & 0xFF];
}

uint32_t WriteRegisters(int space, SorvexDevice device, const uint8_t *pairs, uint32_t count) {
  CheckDevice(device);
  FUZZ_CHECK(count == 0 || pairs != nullptr, "register pairs to write");
  for (uint32_t i = 0; i < count; ++i) registerBank[space][pairs[2 * i]] = pairs[2 * i + 1];
  return 0;
}

uint32_t ReadRegisterA(SorvexDevice device, uint32_t reg) { return ReadRegister(0, device, reg); }
uint32_t ReadRegisterB(SorvexDevice device, uint32_t reg) { return ReadRegister(1, device, reg); }
uint32_t WriteRegistersA(SorvexDevice device, const uint8_t *pairs, uint32_t count) {
  return WriteRegisters(0, device, pairs, count);
}
uint32_t WriteRegistersB(SorvexDevice device, const uint8_t *pairs, uint32_t count) {
  return WriteRegisters(1, device, pairs, count);
}
uint32_t SelectSensorMode(SorvexDevice device, const char *name) {
  CheckDevice(device);
  FUZZ_CHECK(name != nullptr && std::strlen(name) < 64, "a mode script name");
  return 0;
}

bool Contains(const uint32_t *ids, size_t count, uint32_t id) {
  for (size_t i = 0; i < count; ++i) {
    if (ids[i] == id) return true;
  }
  return false;
}

// The byte count each request needs and returns; 0 for one not handled.
size_t RequestBytes(bool set, uint32_t id) {
  const bool handled = set ? Contains(kSetIds, std::size(kSetIds), id) : Contains(kGetIds, std::size(kGetIds), id);
  if (!handled) return 0;
  if (id == SORVEX_PROPERTY_GAMMA) return kGammaBytes;
  if (id == SORVEX_PROPERTY_SNAPSHOT && !set) return kSnapshotBytes;
  return kRecordBytes;
}

// The request's data: a standard record with its value and item words from
// the input (the item mostly one of the table's) and a fixed header copy,
// or a gamma record with its point count, points and curve from the input.
std::vector<uint8_t> RequestData(FuzzInput &input, size_t size) {
  std::vector<uint8_t> data(size, 0xA5);
  if (size == kRecordBytes) {
    const uint32_t value = input.U32();
    const uint32_t item = input.Bool() ? input.Pick(kItems) : input.U32();
    std::memcpy(data.data() + offsetof(SorvexPropertyRecord, value), &value, 4);
    std::memcpy(data.data() + offsetof(SorvexPropertyRecord, item), &item, 4);
  } else if (size == kGammaBytes) {
    // Mostly a count that fits the record's 32 points.
    const uint32_t count = input.Bool() ? input.Range(0, 32) : input.U32();
    std::memcpy(data.data() + offsetof(SorvexGammaRecord, pointCount), &count, 4);
    constexpr size_t kPointsOffset = offsetof(SorvexGammaRecord, points);
    const std::vector<uint8_t> pointsAndCurve = input.Bytes(kGammaBytes - kPointsOffset);
    std::copy(pointsAndCurve.begin(), pointsAndCurve.end(), data.begin() + kPointsOffset);
  }
  return data;
}

}  // namespace

std::u16string PickSensorName(FuzzInput &input) {
  if (input.U8() % 8 != 0) {
    const std::string name = input.Pick(kSensorNames);
    return std::u16string(name.begin(), name.end());
  }
  std::u16string name;
  const size_t length = input.Range(0, kMaxNameUnits);
  for (size_t i = 0; i < length; ++i) {
    const char16_t unit = input.U16();
    if (unit == 0) break;
    name += unit;
  }
  return name;
}

FuzzCamera::FuzzCamera() {
  hostkernel::ResetRegistry();
  hostkernel::ClearKeyFailures();
  hostkernel::FailNthAllocation(0);
  hostkernel::ClearDebugOutput();
  hostkernel::SetSystemTime(132000000000000000LL);
  std::memset(registerBank, 0, sizeof registerBank);
  device_ = hostkernel::CreateDeviceObject(
      "\\REGISTRY\\MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\"
      "{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\\0000");
}

FuzzCamera::~FuzzCamera() {
  Exit();
  hostkernel::DeleteDeviceObject(device_);
  FUZZ_CHECK(hostkernel::LivePoolBlocks().empty(), "no pool block is left after Exit");
  FUZZ_CHECK(hostkernel::OpenKeyHandleCount() == 0, "no registry handle is left open");
}

bool FuzzCamera::Init(const std::u16string &sensorName, uint32_t highSpeed) {
  FUZZ_CHECK(context_ == nullptr, "one context at a time");
  // Exactly the name and its terminator on the heap, so that a read past the
  // terminator is seen.
  std::unique_ptr<SorvexChar16[]> name(new SorvexChar16[sensorName.size() + 1]);
  for (size_t i = 0; i < sensorName.size(); ++i) name[i] = sensorName[i];
  name[sensorName.size()] = 0;
  ISPFunc_Init(&context_, 0, device_, name.get(), highSpeed, ReadRegisterA, WriteRegistersA,
               SelectSensorMode, ReadRegisterB, WriteRegistersB);
  return context_ != nullptr;
}

void FuzzCamera::Exit() {
  if (context_ == nullptr) return;
  ISPFunc_Exit(context_, 0, device_);
  context_ = nullptr;
}

void FuzzCamera::RequestProperty(FuzzInput &input) {
  const bool set = input.Bool();
  uint32_t id = 0;
  if (input.U8() % 8 != 0) {
    id = set ? input.Pick(kSetIds) : input.Pick(kGetIds);
  } else {
    id = input.U32();
  }
  // Without a context nothing is handled.
  const size_t expected = context_ != nullptr ? RequestBytes(set, id) : 0;
  // An identifier that is not handled still comes with a standard record.
  const size_t size = expected != 0 ? expected : kRecordBytes;

  std::unique_ptr<uint8_t[]> header(new uint8_t[kHeaderBytes]);
  std::memset(header.get(), 0xC3, kHeaderBytes);
  std::memcpy(header.get() + SORVEX_PROPERTY_ID_OFFSET, &id, 4);
  const std::vector<uint8_t> sent = RequestData(input, size);
  std::unique_ptr<uint8_t[]> data(new uint8_t[size]);
  std::memcpy(data.get(), sent.data(), size);

  SorvexPropertyDescriptor request{header.get(), 0, data.get(), static_cast<uint32_t>(size),
                                   static_cast<uint32_t>(size)};
  const uint32_t result = set ? ISPFunc_prpmanf_SetCustomProperty(context_, kDevice, &request)
                              : ISPFunc_prpmanf_GetCustomProperty(context_, kDevice, &request);

  FUZZ_CHECK(result == expected, "the byte count is the one the request needs");
  uint8_t expectedHeader[kHeaderBytes];
  std::memset(expectedHeader, 0xC3, kHeaderBytes);
  std::memcpy(expectedHeader + SORVEX_PROPERTY_ID_OFFSET, &id, 4);
  FUZZ_CHECK(std::memcmp(header.get(), expectedHeader, kHeaderBytes) == 0, "the property header is left alone");
  if (expected == 0) {
    FUZZ_CHECK(std::memcmp(data.get(), sent.data(), size) == 0, "an unhandled request changes no data");
  } else if (size == kRecordBytes) {
    FUZZ_CHECK(std::memcmp(data.get(), sent.data(), kHeaderBytes) == 0, "the record's header copy is left alone");
  }
}

}  // namespace sorvexfuzz
