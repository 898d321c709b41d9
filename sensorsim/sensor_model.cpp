#include "sensorsim/sensor_model.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

namespace sensorsim {

namespace {

constexpr double kS5k4aaReferenceLine = 757.0;
constexpr uint32_t kOvDefaultClass = 24;

std::map<SorvexDevice, SensorModel *> &Models() {
  static std::map<SorvexDevice, SensorModel *> models;
  return models;
}

uint32_t Le16(uint8_t high, uint8_t low) { return (static_cast<uint32_t>(high) << 8) | low; }

// A small deterministic generator (splitmix64) for the shot noise.
uint64_t NextRandom(uint64_t &state) {
  state += 0x9E3779B97F4A7C15ull;
  uint64_t z = state;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

// Roughly normal: the sum of four uniform values, centred and scaled.
double NormalSample(uint64_t &state) {
  double sum = 0.0;
  for (int i = 0; i < 4; ++i) sum += static_cast<double>(NextRandom(state) >> 11) / 9007199254740992.0;
  return (sum - 2.0) * std::sqrt(3.0);
}

double DefaultReflectance(uint32_t x, uint32_t y, uint32_t width, uint32_t height) {
  const double gradient = 0.2 * ((static_cast<double>(x) / width + static_cast<double>(y) / height) - 1.0);
  const double texture = ((x / 16 + y / 16) % 2 == 0) ? 0.05 : -0.05;
  return kDefaultSceneReflectance + gradient + texture;
}

enum class Channel { kRed, kGreen, kBlue };

// Green-blue on even lines with green at even columns, red-green on odd lines.
Channel ChannelAt(uint32_t x, uint32_t y) {
  if (y % 2 == 0) return x % 2 == 0 ? Channel::kGreen : Channel::kBlue;
  return x % 2 == 0 ? Channel::kRed : Channel::kGreen;
}

double Cast(const Illuminant &illuminant, Channel channel) {
  switch (channel) {
    case Channel::kRed:
      return illuminant.red;
    case Channel::kGreen:
      return illuminant.green;
    case Channel::kBlue:
      return illuminant.blue;
  }
  return 1.0;
}

}  // namespace

const char *SensorName(Family family) {
  switch (family) {
    case Family::kEs2216:
      return "ES2216";
    case Family::kMo4000:
      return "MO4000";
    case Family::kOv9650:
      return "OV9650";
    case Family::kOv9655:
      return "OV9655";
    case Family::kS5k4aa:
      return "S5K4AA";
  }
  return "";
}

// Mild enough that the camera can represent the cast: its white-balance
// ratios stop at 0.5 and its gains at three times the smallest channel.
Illuminant WarmIlluminant() { return {1.3, 1.0, 0.8}; }
Illuminant CoolIlluminant() { return {0.9, 1.0, 1.1}; }

Illuminant NativeResponse(Family family) {
  // The MO4000's table is the common one moved toward more red and less blue.
  if (family == Family::kMo4000) return {0.94, 1.0, 0.70};
  return {0.67, 1.0, 0.78};
}

Scene GreyCardScene(double light, double reflectance, Illuminant illuminant) {
  Scene scene;
  scene.light = light;
  scene.illuminant = illuminant;
  scene.reflectance = [reflectance](uint32_t, uint32_t, uint32_t, uint32_t) { return reflectance; };
  return scene;
}

double Es2216Gain(uint32_t code) { return std::pow(2.0, code / 6.0); }
double Mo4000Gain(uint32_t code) { return std::pow(2.0, code / 21.0); }
double S5k4aaGain(uint32_t code) { return code / 32.0; }

double Ov96xxGain(uint32_t code) {
  double gain = 1.0 + (code & 15) / 16.0;
  for (uint32_t bit = 16; bit <= 128; bit <<= 1) {
    if ((code & bit) != 0) gain *= 2.0;
  }
  return gain;
}

uint32_t Ov96xxClockClass(uint8_t high, uint8_t low) {
  struct ClockSetting {
    uint32_t value;
    uint32_t clockClass;
  };
  static const ClockSetting kSettings[] = {
      {0x1001, 24}, {0x102, 20}, {0x1002, 16}, {0x1003, 12}, {0x105, 10},
      {0x1005, 8},  {0x1007, 6}, {0x205, 5},   {0x206, 4},
  };
  const uint32_t value = Le16(high, low);
  for (const ClockSetting &setting : kSettings) {
    if (setting.value == value) return setting.clockClass;
  }
  return 0;
}

SensorModel::SensorModel(Family family, SorvexDevice device) : family_(family), device_(device) {
  // Power-on state: the controller runs the OV96xx at class 24.
  registers_[1][0x10] = 0x10;
  registers_[1][0xC1] = 0x01;
  Models()[device] = this;
}

SensorModel::~SensorModel() { Models().erase(device_); }

SensorModel *SensorModel::Find(SorvexDevice device) {
  auto found = Models().find(device);
  return found == Models().end() ? nullptr : found->second;
}

uint32_t SensorModel::ReadRegisterA(SorvexDevice device, uint32_t reg) {
  SensorModel *model = Find(device);
  return model != nullptr ? model->registers_[0][reg & 0xFF] : 0;
}

uint32_t SensorModel::ReadRegisterB(SorvexDevice device, uint32_t reg) {
  SensorModel *model = Find(device);
  return model != nullptr ? model->registers_[1][reg & 0xFF] : 0;
}

uint32_t SensorModel::WriteRegistersA(SorvexDevice device, const uint8_t *pairs, uint32_t count) {
  if (SensorModel *model = Find(device)) model->Write(0, pairs, count);
  return 0;
}

uint32_t SensorModel::WriteRegistersB(SorvexDevice device, const uint8_t *pairs, uint32_t count) {
  if (SensorModel *model = Find(device)) model->Write(1, pairs, count);
  return 0;
}

uint32_t SensorModel::SelectSensorMode(SorvexDevice device, const char *name) {
  SensorModel *model = Find(device);
  if (model == nullptr || name == nullptr) return 0;
  model->modeNames_.emplace_back(name);
  if (std::strcmp(name, "LOW_LIGHT") == 0) model->lowLight_ = true;
  if (std::strcmp(name, "NORMAL_LIGHT") == 0) model->lowLight_ = false;
  return 0;
}

void SensorModel::Write(int space, const uint8_t *pairs, uint32_t count) {
  for (uint32_t i = 0; i < count; ++i) registers_[space][pairs[2 * i]] = pairs[2 * i + 1];
  ++writeCount_;
}

uint32_t SensorModel::ExposureLines() const {
  const uint8_t *a = registers_[0];
  switch (family_) {
    case Family::kEs2216:
      return Le16(a[0x01], a[0x00]);
    case Family::kMo4000:
      return (static_cast<uint32_t>(a[0x0F]) << 2) | ((a[0x10] >> 4) & 3) |
             (static_cast<uint32_t>(a[0x10] & 0x0F) << 10);
    case Family::kOv9650:
    case Family::kOv9655:
      return (static_cast<uint32_t>(a[0xA1]) << 10) | (static_cast<uint32_t>(a[0x10]) << 2) | (a[0x04] & 3);
    case Family::kS5k4aa:
      return Le16(a[0x0F], a[0x10]);
  }
  return 0;
}

uint32_t SensorModel::ClockClass() const {
  const uint32_t clockClass = Ov96xxClockClass(registers_[1][0x10], registers_[1][0xC1]);
  return clockClass != 0 ? clockClass : kOvDefaultClass;
}

double SensorModel::ExposureTime() const {
  const double lines = ExposureLines();
  const uint8_t *a = registers_[0];
  switch (family_) {
    case Family::kEs2216:
      return lines * (lowLight_ ? 4.0 : 1.0);
    case Family::kMo4000:
      return lines * ((a[0x11] & 1) != 0 ? 2.0 : 1.0);
    case Family::kOv9650:
    case Family::kOv9655:
      return lines * 24.0 / ClockClass();
    case Family::kS5k4aa:
      return lines * Le16(a[0x1D], a[0x1E]) / kS5k4aaReferenceLine;
  }
  return 0.0;
}

double SensorModel::Gain() const {
  const uint8_t *a = registers_[0];
  switch (family_) {
    case Family::kEs2216:
      return Es2216Gain(a[0x0A]);
    case Family::kMo4000:
      return Mo4000Gain(a[0x00]);
    case Family::kOv9650:
    case Family::kOv9655:
      return Ov96xxGain(a[0x00]);
    case Family::kS5k4aa:
      return S5k4aaGain(a[0x20]);
  }
  return 1.0;
}

const std::vector<double> &SensorModel::DefaultReflectanceMap(uint32_t width, uint32_t height) {
  if (defaultMapWidth_ != width || defaultMapHeight_ != height) {
    defaultMap_.resize(static_cast<size_t>(width) * height);
    for (uint32_t y = 0; y < height; ++y) {
      for (uint32_t x = 0; x < width; ++x) {
        defaultMap_[static_cast<size_t>(y) * width + x] = DefaultReflectance(x, y, width, height);
      }
    }
    defaultMapWidth_ = width;
    defaultMapHeight_ = height;
  }
  return defaultMap_;
}

std::vector<uint8_t> SensorModel::RenderFrame(const Scene &scene, uint32_t width, uint32_t height) {
  std::vector<uint8_t> frame(static_cast<size_t>(width) * height);
  uint64_t noise = scene.noiseSeed ^ (frameNumber_ * 0xD1B54A32D192ED03ull);
  ++frameNumber_;
  const double scale = scene.light * Signal();
  const Illuminant native = NativeResponse(family_);
  const Illuminant cast = {native.red * scene.illuminant.red, native.green * scene.illuminant.green,
                           native.blue * scene.illuminant.blue};
  const std::vector<double> *map = scene.reflectance ? nullptr : &DefaultReflectanceMap(width, height);
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      const double reflectance =
          map != nullptr ? (*map)[static_cast<size_t>(y) * width + x] : scene.reflectance(x, y, width, height);
      double value = scale * std::max(0.0, reflectance) * Cast(cast, ChannelAt(x, y));
      if (scene.noiseSeed != 0) value += scene.noiseScale * std::sqrt(value) * NormalSample(noise);
      frame[static_cast<size_t>(y) * width + x] =
          static_cast<uint8_t>(std::lround(std::clamp(value, 0.0, 255.0)));
    }
  }
  return frame;
}

}  // namespace sensorsim
