#include "frame/blank_image.h"

#include "core/image_sizes.h"
#include "sorvex0.h"
#include "sorvex_kernel.h"

namespace sorvex0 {

void WriteBlankImage(uint8_t *destination, uint32_t outputFormat, uint32_t width, uint32_t height) {
  const size_t pixels = static_cast<size_t>(width) * height;
  if (destination == nullptr || pixels == 0) return;
  switch (outputFormat) {
    case SORVEX_FORMAT_YUYV:
      for (size_t i = 0; i < pixels; ++i) {
        destination[2 * i] = 0x00;
        destination[2 * i + 1] = 0x80;
      }
      break;
    case SORVEX_FORMAT_I420: {
      // Not blanked at all by the original design; a black picture is what a
      // viewer expects rather than whatever the buffer held.
      const size_t total = ImageBytes(outputFormat, width, height);
      RtlZeroMemory(destination, pixels);
      RtlFillMemory(destination + pixels, total - pixels, 0x80);
      break;
    }
    default:
      RtlZeroMemory(destination, pixels * 3);
      destination[0] = 0xA0;
      destination[1] = 0xA0;
      destination[2] = 0xA0;
      break;
  }
}

}  // namespace sorvex0
