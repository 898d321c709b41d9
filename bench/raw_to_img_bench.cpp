// The whole ISPFunc_RawToImg per frame, driven as the minidriver drives it:
// the processing mode comes from the registry ("Default_IPMode"), the
// capture size from ISPFunc_StartCapture, and each timed frame gets a fresh
// copy of the raw frame (the call repairs and changes it in place).
#include <vector>

#include "bench_camera.h"
#include "bench_cases.h"
#include "bench_frames.h"
#include "bench_suites.h"

namespace bench {
namespace {

// Processing modes measured. Mode 2, the full pipeline with the exposure
// loop, lens shading and zoom, joins this list when the full pipeline is in.
constexpr uint32_t kModes[] = {0};

struct Format {
  uint32_t code;
  const char *name;
};
constexpr Format kFormats[] = {{SORVEX_FORMAT_RGB24, "rgb24"}, {SORVEX_FORMAT_YUYV, "yuyv"}, {SORVEX_FORMAT_I420, "i420"}};

// Output sizes; at high speed the OV9650 captures 320 x 240 at 640 x 480 and
// 640 x 480 at 1280 x 960 (its "SSBS" default is on).
constexpr int kSizes[][2] = {{320, 240}, {640, 480}, {1280, 960}};
// More than the longest run of blank frames after a start.
constexpr int kBlankFrames = 6;
const char *const kSensor = "OV9650";

size_t OutputBytes(uint32_t format, int width, int height) {
  if (format == SORVEX_FORMAT_YUYV) return YuyvBytes(width, height);
  if (format == SORVEX_FORMAT_I420) return I420Bytes(width, height);
  return BitmapBytes(width, height);
}

// The capture size the camera chooses for an output size, for naming.
void CaptureSizeFor(int width, int height, int *captureWidth, int *captureHeight) {
  BenchCamera camera(kSensor, 0);
  uint32_t cw = 0;
  uint32_t ch = 0;
  camera.Start(SORVEX_FORMAT_YUYV, static_cast<uint32_t>(width), static_cast<uint32_t>(height), &cw, &ch);
  *captureWidth = static_cast<int>(cw);
  *captureHeight = static_cast<int>(ch);
}

void AddRawToImg(uint32_t mode, const Format &format, int width, int height) {
  int captureWidth = 0;
  int captureHeight = 0;
  CaptureSizeFor(width, height, &captureWidth, &captureHeight);
  const std::string name = "sorvex0/raw_to_img_mode" + std::to_string(mode) + "_" + format.name + "/" +
                           SizeName(captureWidth, captureHeight, width, height);
  const size_t rawBytes = static_cast<size_t>(captureWidth) * captureHeight;
  const size_t outputBytes = OutputBytes(format.code, width, height);
  AddOurs(name, "", rawBytes > outputBytes ? rawBytes : outputBytes, [=](benchmark::State &state) {
    BenchCamera camera(kSensor, mode);
    uint32_t cw = 0;
    uint32_t ch = 0;
    camera.Start(format.code, static_cast<uint32_t>(width), static_cast<uint32_t>(height), &cw, &ch);
    const std::vector<uint8_t> &raw = SceneRaw(static_cast<int>(cw), static_cast<int>(ch));
    std::vector<uint8_t> frame = raw;
    std::vector<uint8_t> destination(outputBytes);
    for (int i = 0; i < kBlankFrames; ++i) {
      camera.Frame(format.code, destination.data(), frame.data(), static_cast<uint32_t>(width),
                   static_cast<uint32_t>(height));
    }
    TimeInPlace(state, raw, [&](uint8_t *fresh) {
      camera.Frame(format.code, destination.data(), fresh, static_cast<uint32_t>(width),
                   static_cast<uint32_t>(height));
    });
  });
}

}  // namespace

void AddRawToImgBenchmarks() {
  for (uint32_t mode : kModes) {
    for (const Format &format : kFormats) {
      for (const auto &size : kSizes) AddRawToImg(mode, format, size[0], size[1]);
    }
  }
}

}  // namespace bench
