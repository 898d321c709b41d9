#include "snapshot_store.h"

#include <cstdio>

#include "hostkernel/host_control.h"

namespace sorvexsnap {
namespace {

constexpr const char *kServiceKey =
    "\\REGISTRY\\MACHINE\\SYSTEM\\CurrentControlSet\\Services\\DCamSorvex";
constexpr uint32_t kRegBinary = 3;
constexpr uint32_t kRegDword = 4;
constexpr size_t kInfoBytes = 128;

std::string Name(const char *format, uint32_t number, uint32_t index = 0) {
  char name[64];
  std::snprintf(name, sizeof name, format, number, index);
  return name;
}

bool ReadDword(const std::string &name, uint32_t *value) {
  uint32_t type = 0;
  std::vector<uint8_t> data;
  if (!hostkernel::GetRegistryValue(kServiceKey, name, &type, &data) || type != kRegDword ||
      data.size() != 4) {
    return false;
  }
  *value = static_cast<uint32_t>(data[0]) | static_cast<uint32_t>(data[1]) << 8 |
           static_cast<uint32_t>(data[2]) << 16 | static_cast<uint32_t>(data[3]) << 24;
  return true;
}

uint32_t InfoWord(const Snapshot &snapshot, size_t offset) {
  const uint8_t *p = snapshot.info.data() + offset;
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace

bool ReadSnapshot(uint32_t number, Snapshot *snapshot, std::string *error) {
  if (!ReadDword(Name("Raw%02uW", number), &snapshot->width) ||
      !ReadDword(Name("Raw%02uH", number), &snapshot->height)) {
    *error = "snapshot " + std::to_string(number) + " has no size values";
    return false;
  }
  uint32_t type = 0;
  if (!hostkernel::GetRegistryValue(kServiceKey, Name("Raw%02uInfo", number), &type, &snapshot->info) ||
      type != kRegBinary || snapshot->info.size() != kInfoBytes) {
    *error = "snapshot " + std::to_string(number) + " has no 128-byte record";
    return false;
  }
  // A frame of no size has nothing to read; data chunks there are those of
  // an earlier snapshot with this number, which the record does not describe.
  const size_t total = static_cast<size_t>(snapshot->width) * snapshot->height;
  if (total == 0) {
    *error = "snapshot " + std::to_string(number) + " records an empty frame (" + std::to_string(snapshot->width) +
             "x" + std::to_string(snapshot->height) + ")";
    return false;
  }
  snapshot->frame.clear();
  for (uint32_t index = 0; snapshot->frame.size() < total; ++index) {
    std::vector<uint8_t> chunk;
    if (!hostkernel::GetRegistryValue(kServiceKey, Name("Raw%02uData%02u", number, index), &type,
                                      &chunk) ||
        type != kRegBinary || chunk.empty()) {
      *error = "snapshot " + std::to_string(number) + " lacks chunk " + std::to_string(index);
      return false;
    }
    snapshot->frame.insert(snapshot->frame.end(), chunk.begin(), chunk.end());
  }
  if (snapshot->frame.size() != total) {
    *error = "snapshot " + std::to_string(number) + " holds more data than its size";
    return false;
  }
  return true;
}

std::string ToPgm(const Snapshot &snapshot) {
  std::string pgm = "P5\n" + std::to_string(snapshot.width) + " " + std::to_string(snapshot.height) +
                    "\n255\n";
  pgm.append(snapshot.frame.begin(), snapshot.frame.end());
  return pgm;
}

std::string DescribeInfo(const Snapshot &snapshot) {
  static const struct {
    size_t offset;
    const char *name;
  } kFields[] = {{4, "outputWidth"},  {8, "outputHeight"},  {12, "p1"},         {16, "p2"},
                 {20, "p3"},          {24, "p4"},           {28, "p5"},         {32, "p6"},
                 {36, "p7"},          {40, "p8"},           {44, "noiseLevel"}, {48, "ric"},
                 {52, "awbRefR"},     {56, "awbRefG"},      {60, "awbRefB"},    {64, "awbGainLimit"},
                 {68, "aeTarget"},    {72, "colourOff"},    {76, "sensorId"},   {80, "reference"},
                 {84, "lightLevel"},  {88, "blackLevel"}};
  std::string text = "signature " + std::string(snapshot.info.begin(), snapshot.info.begin() + 4) + "\n";
  text += "captureWidth " + std::to_string(snapshot.width) + "\n";
  text += "captureHeight " + std::to_string(snapshot.height) + "\n";
  for (const auto &field : kFields) {
    text += std::string(field.name) + " " + std::to_string(InfoWord(snapshot, field.offset)) + "\n";
  }
  return text;
}

}  // namespace sorvexsnap
