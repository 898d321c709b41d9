#include "sensor_model_source.h"

#include <algorithm>
#include <cmath>

#include "bayer_fit.h"

namespace sorvexcam {
namespace {

constexpr uint64_t kNoiseSeed = 0x5EC0CAFE;
constexpr double kVignetting = 0.35;  // light lost in the corners
constexpr uint32_t kDefectPixels = 8; // of each kind

struct NamedFamily {
  const char *name;
  sensorsim::Family family;
};
constexpr NamedFamily kFamilies[] = {{"ES2216", sensorsim::Family::kEs2216},
                                     {"MO4000", sensorsim::Family::kMo4000},
                                     {"OV9650", sensorsim::Family::kOv9650},
                                     {"OV9655", sensorsim::Family::kOv9655},
                                     {"S5K4AA", sensorsim::Family::kS5k4aa}};

double Vignetting(uint32_t x, uint32_t y, uint32_t width, uint32_t height) {
  const double dx = (2.0 * x + 1.0) / width - 1.0;
  const double dy = (2.0 * y + 1.0) / height - 1.0;
  return 1.0 - kVignetting * (dx * dx + dy * dy) / 2.0;
}

// Fixed places, as fractions of the frame, so they stay put at every size.
double DefectPlace(uint32_t index, uint32_t salt) {
  uint64_t z = (static_cast<uint64_t>(index) << 8 | salt) * 0x9E3779B97F4A7C15ull;
  z = (z ^ (z >> 31)) * 0xBF58476D1CE4E5B9ull;
  return static_cast<double>((z ^ (z >> 29)) >> 11) / 9007199254740992.0;
}

}  // namespace

std::unique_ptr<SensorModelSource> SensorModelSource::Create(const std::string &sensor, SorvexDevice device,
                                                             std::unique_ptr<LinearScene> scene,
                                                             sensorsim::Illuminant illuminant,
                                                             std::string *error) {
  for (const NamedFamily &family : kFamilies) {
    if (sensor == family.name) {
      return std::unique_ptr<SensorModelSource>(
          new SensorModelSource(family.family, device, std::move(scene), illuminant));
    }
  }
  *error = "the sensor model covers ES2216, MO4000, OV9650, OV9655 and S5K4AA, not " + sensor;
  return nullptr;
}

SensorModelSource::SensorModelSource(sensorsim::Family family, SorvexDevice device,
                                     std::unique_ptr<LinearScene> scene, sensorsim::Illuminant illuminant)
    : model_(family, device), device_(device), picture_(std::move(scene)) {
  scene_.illuminant = illuminant;
  scene_.noiseSeed = kNoiseSeed;
  scene_.reflectance = [this](uint32_t x, uint32_t y, uint32_t width, uint32_t height) {
    return Reflectance(x, y, width, height);
  };
}

std::string SensorModelSource::Describe() const {
  return picture_->Name() + " through the " + sensorsim::SensorName(model_.family()) + " sensor model at " +
         std::to_string(lightPercent_) + "% light";
}

double SensorModelSource::Reflectance(uint32_t x, uint32_t y, uint32_t width, uint32_t height) {
  if (reflectanceWidth_ != width || reflectanceHeight_ != height) {
    const std::vector<float> &mosaic = picture_->Mosaic(width, height);
    reflectance_.resize(mosaic.size());
    for (uint32_t row = 0; row < height; ++row) {
      for (uint32_t column = 0; column < width; ++column) {
        const size_t at = static_cast<size_t>(row) * width + column;
        reflectance_[at] = mosaic[at] * Vignetting(column, row, width, height);
      }
    }
    reflectanceWidth_ = width;
    reflectanceHeight_ = height;
  }
  return reflectance_[static_cast<size_t>(y) * width + x];
}

void SensorModelSource::SetLight(uint32_t lightPercent, uint32_t target, uint32_t width, uint32_t height) {
  lightPercent_ = lightPercent;
  double sums[3] = {};
  uint64_t counts[3] = {};
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      const BayerColour colour = CameraColourAt(x, y);
      sums[colour] += Reflectance(x, y, width, height);
      ++counts[colour];
    }
  }
  // What the sensor records: its own colour response times the light's cast.
  const sensorsim::Illuminant native = sensorsim::NativeResponse(model_.family());
  const sensorsim::Illuminant cast = {native.red * scene_.illuminant.red, native.green * scene_.illuminant.green,
                                      native.blue * scene_.illuminant.blue};
  const double meanLuma = 0.299 * cast.red * sums[kRed] / std::max<uint64_t>(1, counts[kRed]) +
                          0.587 * cast.green * sums[kGreen] / std::max<uint64_t>(1, counts[kGreen]) +
                          0.114 * cast.blue * sums[kBlue] / std::max<uint64_t>(1, counts[kBlue]);
  const double signal = model_.Signal() > 0 ? model_.Signal() : 1.0;
  scene_.light = lightPercent / 100.0 * target / (std::max(meanLuma, 1e-3) * signal);
}

bool SensorModelSource::RenderFrame(uint32_t, const RawFrameShape &shape, std::vector<uint8_t> *frame,
                                    std::string *error) {
  if (shape.layout != RawLayout::kBayer8) {
    *error = "the sensor model renders Bayer frames only";
    return false;
  }
  *frame = model_.RenderFrame(scene_, shape.width, shape.height);
  AddDefectPixels(frame, shape.width, shape.height);
  return true;
}

void SensorModelSource::AddDefectPixels(std::vector<uint8_t> *frame, uint32_t width, uint32_t height) const {
  for (uint32_t i = 0; i < 2 * kDefectPixels; ++i) {
    const uint32_t x = std::min(width - 1, static_cast<uint32_t>(DefectPlace(i, 1) * width));
    const uint32_t y = std::min(height - 1, static_cast<uint32_t>(DefectPlace(i, 2) * height));
    (*frame)[static_cast<size_t>(y) * width + x] = i < kDefectPixels ? 255 : 0;  // hot, then dead
  }
}

void SensorModelSource::WriteRegisters(RegisterSpace space, const uint8_t *pairs, uint32_t count) {
  if (space == RegisterSpace::kSensor) {
    sensorsim::SensorModel::WriteRegistersA(device_, pairs, count);
  } else {
    sensorsim::SensorModel::WriteRegistersB(device_, pairs, count);
  }
}

uint8_t SensorModelSource::ReadRegister(RegisterSpace space, uint8_t reg) {
  const uint32_t value = space == RegisterSpace::kSensor ? sensorsim::SensorModel::ReadRegisterA(device_, reg)
                                                         : sensorsim::SensorModel::ReadRegisterB(device_, reg);
  return static_cast<uint8_t>(value);
}

void SensorModelSource::SelectMode(const std::string &name) {
  sensorsim::SensorModel::SelectSensorMode(device_, name.c_str());
}

SensorState SensorModelSource::LastSensorState() const {
  SensorState state;
  state.known = true;
  state.exposureLines = model_.ExposureLines();
  state.gainPercent = static_cast<uint32_t>(std::lround(model_.Gain() * 100.0));
  return state;
}

}  // namespace sorvexcam
