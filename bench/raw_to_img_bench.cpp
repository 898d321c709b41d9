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

// Processing mode 0 (the conversion library alone) and mode 2, the default:
// the full pipeline with defect correction, the exposure loop, lens shading,
// filtering and zoom.
constexpr uint32_t kPlainMode = 0;
constexpr uint32_t kDefaultMode = 2;

struct Format {
  uint32_t code;
  const char *name;
};
constexpr Format kFormats[] = {{SORVEX_FORMAT_RGB24, "rgb24"}, {SORVEX_FORMAT_YUYV, "yuyv"}, {SORVEX_FORMAT_I420, "i420"}};

struct Stream {
  const char *sensor;
  int width;
  int height;
};
// Output sizes; at high speed the OV9650 captures 320 x 240 at 640 x 480 and
// 640 x 480 at 1280 x 960 (its "SSBS" default is on). The S5K4AA's
// 1600 x 1200 is processed at 1280 x 960 and enlarged at the end.
constexpr Stream kStreams[] = {{"OV9650", 320, 240}, {"OV9650", 640, 480}, {"OV9650", 1280, 960}};
constexpr Stream kEnlargedStream = {"S5K4AA", 1600, 1200};
// More than the longest run of blank frames after a start.
constexpr int kBlankFrames = 6;

size_t OutputBytes(uint32_t format, int width, int height) {
  if (format == SORVEX_FORMAT_YUYV) return YuyvBytes(width, height);
  if (format == SORVEX_FORMAT_I420) return I420Bytes(width, height);
  return BitmapBytes(width, height);
}

// The capture size the camera chooses for an output size, for naming.
void CaptureSizeFor(const Stream &stream, int *captureWidth, int *captureHeight) {
  BenchCamera camera(stream.sensor, 0);
  uint32_t cw = 0;
  uint32_t ch = 0;
  camera.Start(SORVEX_FORMAT_YUYV, static_cast<uint32_t>(stream.width), static_cast<uint32_t>(stream.height), &cw,
               &ch);
  *captureWidth = static_cast<int>(cw);
  *captureHeight = static_cast<int>(ch);
}

void AddRawToImg(uint32_t mode, const Format &format, const Stream &stream) {
  int captureWidth = 0;
  int captureHeight = 0;
  CaptureSizeFor(stream, &captureWidth, &captureHeight);
  const int width = stream.width;
  const int height = stream.height;
  const std::string name = "sorvex0/raw_to_img_mode" + std::to_string(mode) + "_" + format.name + "/" +
                           SizeName(captureWidth, captureHeight, width, height);
  const size_t rawBytes = static_cast<size_t>(captureWidth) * captureHeight;
  const size_t outputBytes = OutputBytes(format.code, width, height);
  // The default processing in every form; the conversion library alone in the host build's best forms.
  const auto add = mode == kDefaultMode ? AddOursInForms : AddOurs;
  add(name, "", rawBytes > outputBytes ? rawBytes : outputBytes, [=](benchmark::State &state) {
    BenchCamera camera(stream.sensor, mode);
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
  for (const Format &format : kFormats) {
    for (const Stream &stream : kStreams) {
      AddRawToImg(kPlainMode, format, stream);
      AddRawToImg(kDefaultMode, format, stream);
    }
    AddRawToImg(kDefaultMode, format, kEnlargedStream);
  }
}

}  // namespace bench
