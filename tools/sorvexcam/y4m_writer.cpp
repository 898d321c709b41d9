#include "y4m_writer.h"

namespace sorvexcam {

std::string Y4mHeader(OutputFormat format, uint32_t width, uint32_t height, uint32_t fpsNumerator,
                      uint32_t fpsDenominator) {
  return "YUV4MPEG2 W" + std::to_string(width) + " H" + std::to_string(height) + " F" +
         std::to_string(fpsNumerator) + ":" + std::to_string(fpsDenominator) + " Ip A1:1 " +
         (format == OutputFormat::kYuyv ? "C422" : "C420jpeg") + " XCOLORRANGE=LIMITED\n";
}

std::vector<uint8_t> Y4mFrame(OutputFormat format, const uint8_t *image, uint32_t width, uint32_t height) {
  static const char kFrameTag[] = "FRAME\n";
  std::vector<uint8_t> frame(kFrameTag, kFrameTag + sizeof kFrameTag - 1);
  if (format == OutputFormat::kI420) {
    frame.insert(frame.end(), image, image + OutputImageBytes(format, width, height));
    return frame;
  }
  // De-interleave Y0 U Y1 V into the Y, U and V planes (widths are even).
  const size_t pixels = static_cast<size_t>(width) * height;
  const size_t header = frame.size();
  frame.resize(header + pixels * 2);
  uint8_t *y = &frame[header];
  uint8_t *u = y + pixels;
  uint8_t *v = u + pixels / 2;
  for (size_t pair = 0; pair < pixels / 2; ++pair) {
    const uint8_t *packed = image + 4 * pair;
    y[2 * pair] = packed[0];
    u[pair] = packed[1];
    y[2 * pair + 1] = packed[2];
    v[pair] = packed[3];
  }
  return frame;
}

}  // namespace sorvexcam
