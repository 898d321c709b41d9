// A sensor that answers: a model of the camera's image sensor for the tests
// and the camera tool. It takes the register writes that sorvex0 sends
// through the minidriver callbacks, decodes them back into exposure time and
// gain, and renders the next raw Bayer frame of a scene at that exposure.
//
// Brightness is proportional to exposure time x gain x scene light x
// reflectance x the sensor's own colour response x the illuminant's channel
// cast, clipped at 255, with optional shot noise from a seeded generator. Frames use the camera's Bayer layout:
// green-blue on even lines (green at even columns), red-green on odd lines.
//
// Exposure time is counted in reference lines of each family:
// - ES2216: lines at the 24 MHz normal-light clock; the low-light mode
//   ("LOW_LIGHT") runs the clock at 6 MHz, four times longer per line. Gain
//   code g gives 2^(g/6).
// - MO4000: lines at full clock; clock bit 0 of register 0x11 halves the
//   clock (twice as long). Gain code g gives 2^(g/21).
// - OV9650, OV9655: lines at clock class 24; the controller's clock setting
//   (space B, registers 0x10 and 0xC1) selects the class c, a line then
//   lasting 24/c as long. Gain: four fine bits (1 + n/16) and doubling bits
//   4 to 7.
// - S5K4AA: exposure lines x line length (registers 0x1D/0x1E) / 757.
//   Global gain (register 0x20) / 32.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "sorvex0.h"

namespace sensorsim {

enum class Family { kEs2216, kMo4000, kOv9650, kOv9655, kS5k4aa };

// The sensor name ISPFunc_Init expects for a family.
const char *SensorName(Family family);

// Channel multipliers of the light source relative to a neutral one.
struct Illuminant {
  double red = 1.0;
  double green = 1.0;
  double blue = 1.0;
};

// A warm (a 3500 K lamp) and a cool (shade) light, relative to the daylight
// the sensors' responses are given for.
Illuminant WarmIlluminant();
Illuminant CoolIlluminant();

// What a family's sensor records of a grey card in daylight, per channel
// relative to green. Like a real sensor its red and blue are weaker than its
// green, and the camera's white-balance weight tables are made for that:
// a sensor that saw grey as equal channels would fall in no weighted cell.
// The values put daylight, warm and cool light on well-weighted cells of the
// family's table.
Illuminant NativeResponse(Family family);

struct Scene {
  // Scale of the whole scene: the raw value of a white patch is light x
  // exposure time x gain (before the cast).
  double light = 1.0;
  Illuminant illuminant;
  // Reflectance 0..1 at pixel (x, y) of a width x height frame. Empty: a
  // grey scene with a gentle gradient and texture (mean reflectance 0.5).
  std::function<double(uint32_t x, uint32_t y, uint32_t width, uint32_t height)> reflectance;
  // Shot noise: 0 turns it off; otherwise the seed of the generator.
  uint64_t noiseSeed = 0;
  // Standard deviation of the noise of a value v is noiseScale * sqrt(v).
  double noiseScale = 0.5;
};

// A scene of one uniform grey card of the given reflectance.
Scene GreyCardScene(double light, double reflectance, Illuminant illuminant = {});

// Mean reflectance of the default scene.
constexpr double kDefaultSceneReflectance = 0.5;

class SensorModel {
 public:
  // The model answers the callbacks that carry `device`.
  SensorModel(Family family, SorvexDevice device);
  ~SensorModel();
  SensorModel(const SensorModel &) = delete;
  SensorModel &operator=(const SensorModel &) = delete;

  // The callbacks to hand to ISPFunc_Init; they find the model by the
  // device value.
  static uint32_t SORVEX_CALL ReadRegisterA(SorvexDevice device, uint32_t reg);
  static uint32_t SORVEX_CALL ReadRegisterB(SorvexDevice device, uint32_t reg);
  static uint32_t SORVEX_CALL WriteRegistersA(SorvexDevice device, const uint8_t *pairs, uint32_t count);
  static uint32_t SORVEX_CALL WriteRegistersB(SorvexDevice device, const uint8_t *pairs, uint32_t count);
  static uint32_t SORVEX_CALL SelectSensorMode(SorvexDevice device, const char *name);

  Family family() const { return family_; }
  SorvexDevice device() const { return device_; }

  // Decoded state.
  uint32_t ExposureLines() const;     // the exposure register value
  double ExposureTime() const;        // reference lines
  double Gain() const;
  double Signal() const { return ExposureTime() * Gain(); }
  uint32_t ClockClass() const;        // OV96xx: the class the controller runs
  bool LowLightMode() const { return lowLight_; }
  uint8_t Register(bool spaceB, uint8_t reg) const { return registers_[spaceB ? 1 : 0][reg]; }
  // Register writes and mode names received, in order.
  uint32_t WriteCount() const { return writeCount_; }
  const std::vector<std::string> &ModeNames() const { return modeNames_; }

  // The next raw frame of the scene at the current exposure.
  std::vector<uint8_t> RenderFrame(const Scene &scene, uint32_t width, uint32_t height);

 private:
  static SensorModel *Find(SorvexDevice device);
  void Write(int space, const uint8_t *pairs, uint32_t count);
  // The default scene's reflectance, computed once per frame size.
  const std::vector<double> &DefaultReflectanceMap(uint32_t width, uint32_t height);

  Family family_;
  SorvexDevice device_;
  uint8_t registers_[2][256] = {};
  bool lowLight_ = false;
  uint32_t writeCount_ = 0;
  std::vector<std::string> modeNames_;
  uint64_t frameNumber_ = 0;
  std::vector<double> defaultMap_;
  uint32_t defaultMapWidth_ = 0;
  uint32_t defaultMapHeight_ = 0;
};

// Gain laws and clock decoding of the families, also for tests that check
// the tables against the model.
double Es2216Gain(uint32_t code);
double Mo4000Gain(uint32_t code);
double Ov96xxGain(uint32_t code);
double S5k4aaGain(uint32_t code);
// The OV96xx clock class of the controller's clock setting (high byte of
// register 0x10, low byte of 0xC1); 0 for a setting the camera does not use.
uint32_t Ov96xxClockClass(uint8_t high, uint8_t low);

}  // namespace sensorsim
