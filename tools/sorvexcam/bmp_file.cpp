#include "bmp_file.h"

#include <cstdio>

namespace sorvexcam {
namespace {

void PutLe(std::vector<uint8_t> &out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

}  // namespace

bool WriteBottomUpBgrBmp(const std::string &path, int width, int height,
                         const std::vector<uint8_t> &bgr) {
  const uint32_t lineBytes = static_cast<uint32_t>(width) * 3;
  const uint32_t paddedLine = (lineBytes + 3) & ~3u;  // bitmap lines are 4-byte aligned
  const uint32_t pixelBytes = paddedLine * static_cast<uint32_t>(height);
  std::vector<uint8_t> file;
  file.reserve(54 + pixelBytes);
  file.push_back('B');
  file.push_back('M');
  PutLe(file, 54 + pixelBytes, 4);
  PutLe(file, 0, 4);
  PutLe(file, 54, 4);
  PutLe(file, 40, 4);
  PutLe(file, static_cast<uint32_t>(width), 4);
  PutLe(file, static_cast<uint32_t>(height), 4);  // positive: bottom-up
  PutLe(file, 1, 2);
  PutLe(file, 24, 2);
  PutLe(file, 0, 4);
  PutLe(file, pixelBytes, 4);
  PutLe(file, 2835, 4);  // 72 dpi
  PutLe(file, 2835, 4);
  PutLe(file, 0, 4);
  PutLe(file, 0, 4);
  for (int y = 0; y < height; ++y) {
    const uint8_t *line = bgr.data() + static_cast<size_t>(y) * lineBytes;
    file.insert(file.end(), line, line + lineBytes);
    file.insert(file.end(), paddedLine - lineBytes, 0);
  }
  std::FILE *out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) return false;
  const bool ok = std::fwrite(file.data(), 1, file.size(), out) == file.size();
  return std::fclose(out) == 0 && ok;
}

}  // namespace sorvexcam
