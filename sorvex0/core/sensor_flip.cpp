#include "core/sensor_flip.h"

#include "core/capture_control.h"
#include "core/sensor_table.h"

namespace sorvex0 {

namespace {

struct FlipRow {
  uint8_t controller[6];  // registers 0xD0..0xD5
  uint8_t sensorReg3;
};

constexpr FlipRow kFlipTable[5] = {
    {{0x02, 0x20, 0x01, 0x01, 0x28, 0x00}, 0x20},  // 1280 x 1024 and any size not listed
    {{0x02, 0x18, 0xC1, 0x01, 0x28, 0x00}, 0x20},  // 1280 x 960, 1600 x 1200
    {{0x02, 0x18, 0x21, 0x01, 0x28, 0x00}, 0x20},  // 1280 x 800
    {{0x02, 0x08, 0xE1, 0x01, 0x10, 0x80}, 0x25},  // 640 x 480
    {{0x02, 0x00, 0xF1, 0x01, 0x08, 0x40}, 0x2A},  // 320 x 240
};

const FlipRow &FlipRowForCapture(uint32_t width, uint32_t height) {
  if ((width == 1280 && height == 960) || (width == 1600 && height == 1200)) return kFlipTable[1];
  if (width == 1280 && height == 800) return kFlipTable[2];
  if (width == 640 && height == 480) return kFlipTable[3];
  if (width == 320 && height == 240) return kFlipTable[4];
  return kFlipTable[0];
}

}  // namespace

void ProgramFlip(IspContext *context, SorvexDevice device, bool horizontal, bool vertical) {
  if (!SensorOf(context).flipsHere) return;
  context->flipHorizontal = horizontal ? 1 : 0;
  context->flipVertical = vertical ? 1 : 0;

  const FlipRow &row = FlipRowForCapture(context->captureWidth, context->captureHeight);
  uint8_t pairs[12];
  for (uint8_t i = 0; i < 6; ++i) {
    pairs[2 * i] = static_cast<uint8_t>(0xD0 + i);
    pairs[2 * i + 1] = row.controller[i];
  }
  if (horizontal) {
    pairs[2 * 3 + 1] = static_cast<uint8_t>(pairs[2 * 3 + 1] + 1);  // 0xD3
    pairs[2 * 5 + 1] = static_cast<uint8_t>(pairs[2 * 5 + 1] + 1);  // 0xD5
  }
  if (vertical) {
    pairs[2 * 0 + 1] = static_cast<uint8_t>(pairs[2 * 0 + 1] - 1);  // 0xD0
    pairs[2 * 2 + 1] = static_cast<uint8_t>(pairs[2 * 2 + 1] - 1);  // 0xD2
  }
  if (context->writeRegistersB != nullptr) context->writeRegistersB(device, pairs, 6);

  uint8_t sensorPair[2] = {3, row.sensorReg3};
  if (horizontal) sensorPair[1] |= 0x40;
  if (vertical) sensorPair[1] |= 0x80;
  if (context->writeRegistersA != nullptr) context->writeRegistersA(device, sensorPair, 1);

  ResetBlankCount(context);
}

}  // namespace sorvex0
