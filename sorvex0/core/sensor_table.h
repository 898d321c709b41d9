// The sensor models the library knows: one descriptor per sensor with its
// facts, chosen once at ISPFunc_Init and kept in the context. Every stage
// reads the descriptor (SensorOf) rather than testing the sensor's code.
#pragma once

#include <stdint.h>

#include "core/frame_request.h"

namespace sorvex0 {

// The per-sensor half of the exposure loop, with the families' tables and
// register programming behind it. A missing operation means the sensor
// does not take part: no start or update, light level 100, exposure code 0,
// the gamma strength as given, exposure value 0.
struct ExposureFamily {
  // Table choice, start entry and run clock.
  void (*start)(IspContext *context, SorvexDevice device);
  // The update with the measured brightness; true when the sensor was
  // reprogrammed. `p8` is the exposure-target scale.
  bool (*update)(IspContext *context, SorvexDevice device, const RawFrame &frame, uint32_t p8,
                 uint32_t brightness);
  // 0 to 100 for the current entry.
  uint32_t (*lightLevel)(const IspContext *context);
  // Compared with 80 by the run test (two frames between runs below it).
  uint32_t (*exposureCode)(const IspContext *context);
  // P7 after the family's low-light adjustment.
  uint32_t (*gammaStrength)(const IspContext *context, uint32_t p7);
  // The exposure of the current entry (sensor lines, or the family's unit).
  uint32_t (*exposureValue)(const IspContext *context);
};

// The families' operations, each defined with its family in exposure/.
extern const ExposureFamily kEs2216Exposure;
extern const ExposureFamily kMo4000Exposure;
extern const ExposureFamily kOv9650Exposure;
extern const ExposureFamily kOv9655Exposure;
extern const ExposureFamily kS5k4aaExposure;
extern const ExposureFamily kMi1320Exposure;

// The colour tables a sensor's group uses: the colour-correction matrix and
// its warm-light blend, the channel ramps of the output tables, the
// white-candidate weights, the white-balance fallback point and the
// low-light saturation.
enum class ColourGroup : uint8_t { kShared, kS5k, kOv96, kMi1320, kMo4000, kCount };

// The default gamma curve and points.
enum class GammaSet : uint8_t { kShared, kS5k, kOv9650, kOv9655, kMo4000, kMi1320, kCount };

// The lens-shading gain curves.
enum class LensCurves : uint8_t {
  kShared,
  kS5k4aa,
  kOv9650,
  kMi1320,
  kS5k3ba,
  kOv9655,
  kMo4000,
  kCount
};

// The defects the sensor leaves in every raw frame.
enum class RawRepair : uint8_t {
  kNone,
  kLastLineAt1280,       // S5K4AA: the last line of 1,280-wide frames not output at 1,280
  kLastTwoLines,         // OV9650: the last two lines of 1,024- and 960-line frames
  kLastTwoColumns,       // OV9655
  kLastTwoLinesAt1280,   // MI1320: two lines of 1,280 bytes
};

struct CaptureSize {
  uint32_t width;
  uint32_t height;
};

struct SensorDescriptor {
  uint32_t id;           // the code reported by property 55 and in snapshots
  const WCHAR *name;     // the model name the minidriver passes; null when unknown

  // Capture.
  CaptureSize fullSpeedCapture;   // what the bus carries at USB full speed
  uint32_t smallerCaptureWidth;   // a request this wide is captured at smallerCapture (0: none)
  CaptureSize smallerCapture;
  bool enlarges1280x960To1600x1200;  // the full pipeline's 1600-wide output
  bool ownProcessor;      // the sensor's own image processor delivers YUYV (MI1320)
  bool restartModeScript; // takes the mode script of the requested size after a restart
  RawRepair rawRepair;

  // Registers.
  bool flipsHere;          // mirror and flip are programmed by ISPFunc_Rotate
  bool commitsRegisters;   // takes new register values only when register 5 is set to 1
  uint8_t pageRegister;    // 16-bit registers through a page register (0: 8-bit registers)
  uint8_t pageLowRegister; // and the register of their low byte

  // Settings fallbacks.
  uint32_t awbTypeFallback;
  uint32_t awbPreset1Fallback;
  uint32_t aeTargetFallback;
  uint32_t ssbsFallback;
  uint32_t ricFallback;

  // Exposure and colour.
  const ExposureFamily *exposure;  // null: no exposure table
  bool frameHold;                  // frames go through the hold service
  bool slowRunAtFullSpeed;         // one exposure run a second at USB full speed
  uint8_t blackLevelCap;
  ColourGroup colour;
  GammaSet gamma;

  // Lens shading.
  LensCurves lensCurves;
  uint8_t lensVerticalShift;  // optical centre above the frame's middle, in lines of 240
  uint8_t lensDarkCentreSteps;  // weakening steps of a dark centre score (0: none)
};

// Code of the sensor named `name` (exact, case-sensitive UTF-16), or 0 when
// the name is unknown or null.
uint32_t SensorIdFromName(const WCHAR *name);

// The descriptor of a code; the unknown sensor's for a code not in the table.
const SensorDescriptor &SensorById(uint32_t sensorId);

// Chooses the sensor: sensorId and its descriptor.
void UseSensor(IspContext *context, uint32_t sensorId);

// The context's sensor; the unknown sensor's descriptor when none was
// chosen (a context not made by ISPFunc_Init).
const SensorDescriptor &SensorOf(const IspContext *context);

}  // namespace sorvex0
