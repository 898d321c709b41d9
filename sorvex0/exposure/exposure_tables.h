// The exposure tables of the sensor families and their choice at exposure
// start: by mains frequency (flickerMode 1 is 50 Hz, anything else 60 Hz),
// USB speed and capture width ("small" is 640 pixels or less).
#pragma once

#include <stdint.h>

namespace sorvex0 {

// Entry sizes in bytes. ES2216: exposure (u16, lines), gain, light level,
// light mode. MO4000: exposure, gain, clock, light level, reserved. OV9650
// and OV9655: exposure, gain, clock class, light level, reserved.
constexpr uint32_t kEs2216EntryBytes = 5;
constexpr uint32_t kMo4000EntryBytes = 6;
constexpr uint32_t kOv96xxEntryBytes = 6;
// S5K4AA step entries: setting selector, global gain, light level. Setting
// entries: exposure (u16), value A (u16), value B (u16), flag byte 1, flag
// byte 2, mode byte, reserved.
constexpr uint32_t kS5k4aaStepBytes = 3;
constexpr uint32_t kS5k4aaSettingBytes = 10;
// Every S5K4AA setting table holds this many settings; selectors beyond the
// last setting of a table are limited to it.
constexpr uint32_t kS5k4aaSettings = 20;

// ES2216 light modes.
constexpr uint8_t kEs2216NormalLight = 24;
constexpr uint8_t kEs2216LowLight = 6;

struct ExposureTableChoice {
  const uint8_t *entries;
  uint32_t length;
  int32_t floor;  // aeMinIndex
  int32_t startIndex;
};

struct S5k4aaTableChoice {
  const uint8_t *steps;
  const uint8_t *settings;
  uint32_t length;
  int32_t floor;
  int32_t startIndex;
};

inline bool IsFiftyHertz(uint32_t flickerMode) { return flickerMode == 1; }
inline bool IsSmallCapture(uint32_t captureWidth) { return captureWidth <= 640; }

ExposureTableChoice SelectEs2216Table(uint32_t flickerMode, bool highSpeed, uint32_t captureWidth);
ExposureTableChoice SelectMo4000Table(uint32_t flickerMode);
ExposureTableChoice SelectOv9650Table(uint32_t flickerMode, uint32_t captureWidth);
ExposureTableChoice SelectOv9655Table(uint32_t flickerMode, uint32_t captureWidth);
S5k4aaTableChoice SelectS5k4aaTable(uint32_t flickerMode, uint32_t captureWidth);

}  // namespace sorvex0
