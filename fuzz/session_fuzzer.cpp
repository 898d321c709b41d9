// A whole camera session decoded from the input: a sequence of exports as
// the minidriver makes them (Init with any sensor name, StartCapture with any
// format and size, StreamStateNotify, frames with any picture values and
// output sizes up to a bound (2.5 MB a frame), every custom property get
// and set, Rotate, StopCapture, Exit), on a clock that advances between
// frames. Calls made while no context is open go to a null context, as a
// minidriver whose Init failed would make them.
//
// The raw frame is exactly captureWidth x captureHeight bytes as
// StartCapture returned them (twice that for the MI1320, whose small frames
// are YUYV) and the destination exactly the output image's size, both on the
// heap, so that AddressSanitizer sees any access past them. At the end no
// pool block and no registry handle may be left.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fuzz_camera.h"
#include "fuzz_check.h"

namespace {

using sorvexfuzz::FuzzInput;

constexpr uint32_t kMaxSide = 1600;               // bound of requested and output sizes
constexpr uint64_t kMaxImageBytes = 1280 * 1024 * 2;  // bound of the raw frame and the image
constexpr int kMaxOperations = 48;
constexpr int kMaxFrames = 12;
// Bytes of raw frames and images one input may have processed: a few large
// frames or many small ones, so that one input stays well under a second.
constexpr uint64_t kFrameBytesBudget = 12u << 20;
constexpr int64_t kFrameInterval = 333333;        // 30 frames a second, in 100 ns
constexpr int64_t kMaxClockStep = 20000000;       // 2 s

struct Size {
  uint32_t width;
  uint32_t height;
};
constexpr Size kStandardSizes[] = {{160, 120}, {176, 144}, {320, 240}, {352, 288},  {640, 480},
                                   {800, 600}, {1280, 800}, {1280, 960}, {1280, 1024}, {1600, 1200}};
constexpr uint32_t kFormats[] = {SORVEX_FORMAT_RGB24, SORVEX_FORMAT_YUYV, SORVEX_FORMAT_I420};

enum Operation : uint8_t {
  kInit,
  kStartCapture,
  kStreamState,
  kFrames,
  kProperty,
  kRotate,
  kAdvanceClock,
  kStopCapture,
  kExit,
  kOperationCount
};

// Bytes of an output image of the format: 3 a pixel for bitmaps (and any
// code that is not YUYV or I420), 2 for YUYV, 3/2 for I420.
uint64_t ImageBytes(uint32_t format, uint32_t width, uint32_t height) {
  const uint64_t pixels = static_cast<uint64_t>(width) * height;
  if (format == SORVEX_FORMAT_YUYV) return pixels * 2;
  if (format == SORVEX_FORMAT_I420) return pixels * 3 / 2;
  return pixels * 3;
}

Size PickSize(FuzzInput &input) {
  if (input.U8() % 4 != 0) return input.Pick(kStandardSizes);
  const uint32_t width = input.Range(0, kMaxSide);
  const uint32_t height = input.Range(0, kMaxSide);
  return {width, height};
}

uint32_t PickFormat(FuzzInput &input) { return input.U8() % 8 != 0 ? input.Pick(kFormats) : input.U32(); }

class Session {
 public:
  explicit Session(FuzzInput &input) : input_(input) {}

  void Run() {
    for (int i = 0; i < kMaxOperations && input_.Remaining() > 0; ++i) {
      switch (input_.U8() % kOperationCount) {
        case kInit: Init(); break;
        case kStartCapture: StartCapture(); break;
        case kStreamState: StreamState(); break;
        case kFrames: Frames(); break;
        case kProperty: camera_.RequestProperty(input_); break;
        case kRotate: Rotate(); break;
        case kAdvanceClock: hostkernel::AdvanceSystemTime(input_.Range(0, kMaxClockStep)); break;
        case kStopCapture: ISPFunc_StopCapture(camera_.Context(), sorvexfuzz::kDevice); break;
        case kExit: camera_.Exit(); break;
      }
    }
  }

 private:
  void Init() {
    const std::u16string name = sorvexfuzz::PickSensorName(input_);
    const uint32_t highSpeed = input_.Bool() ? 1 : input_.U32();
    if (camera_.Open()) return;
    isMi1320_ = name == u"MI1320";
    captureWidth_ = captureHeight_ = 0;
    camera_.Init(name, highSpeed);
  }

  void StartCapture() {
    format_ = PickFormat(input_);
    requested_ = PickSize(input_);
    uint32_t width = 0;
    uint32_t height = 0;
    ISPFunc_StartCapture(camera_.Context(), sorvexfuzz::kDevice, format_, requested_.width,
                         requested_.height, &width, &height);
    if (camera_.Open()) {
      captureWidth_ = width;
      captureHeight_ = height;
    }
  }

  void StreamState() {
    const uint32_t state = input_.Bool() ? SORVEX_STREAM_STATE_RUN : input_.U32();
    ISPFunc_StreamStateNotify(camera_.Context(), 0, state);
  }

  void Rotate() {
    const uint32_t horizontal = input_.U32();
    const uint32_t vertical = input_.U32();
    ISPFunc_Rotate(camera_.Context(), sorvexfuzz::kDevice, horizontal, vertical);
  }

  // Picture values: all neutral, each in 0..100, or each any word.
  void PickPictureValues(uint32_t values[9]) {
    const uint8_t kind = input_.U8() % 3;
    for (int i = 0; i < 9; ++i) {
      values[i] = kind == 0 ? 50 : kind == 1 ? input_.Range(0, 100) : input_.U32();
    }
  }

  // A run of frames of one output size, format and picture values.
  void Frames() {
    const uint32_t count = input_.Range(1, 8);
    const uint32_t format = input_.U8() % 4 != 0 ? format_ : PickFormat(input_);
    const Size output = input_.Bool() ? requested_ : PickSize(input_);
    uint32_t values[9];
    PickPictureValues(values);
    const uint8_t seed = input_.U8();
    // The raw frame the minidriver would deliver for the capture size that
    // StartCapture asked for; sizes past the bound are not tried.
    const uint64_t rawBytes = static_cast<uint64_t>(captureWidth_) * captureHeight_ * (isMi1320_ ? 2 : 1);
    const uint64_t imageBytes = ImageBytes(format, output.width, output.height);
    if (rawBytes > kMaxImageBytes || imageBytes > kMaxImageBytes) return;
    const std::vector<uint8_t> scene = Scene(rawBytes, seed);
    for (uint32_t i = 0; i < count && frames_ < kMaxFrames; ++i, ++frames_) {
      if (rawBytes + imageBytes > budget_) return;
      budget_ -= rawBytes + imageBytes;
      hostkernel::AdvanceSystemTime(kFrameInterval);
      std::unique_ptr<uint8_t[]> raw(new uint8_t[rawBytes]);
      std::copy(scene.begin(), scene.end(), raw.get());
      std::unique_ptr<uint8_t[]> destination(new uint8_t[imageBytes]);
      ISPFunc_RawToImg(camera_.Context(), sorvexfuzz::kDevice, format, values[0], values[1], values[2],
                       values[3], values[4], values[5], values[6], values[7], values[8],
                       destination.get(), raw.get(), output.width, output.height);
    }
  }

  // A cheap scene that varies with the seed: gradients with bright patches,
  // so that exposure, white balance and face tracking see structure.
  std::vector<uint8_t> Scene(uint64_t bytes, uint8_t seed) const {
    std::vector<uint8_t> scene(bytes);
    const uint64_t width = captureWidth_ != 0 ? captureWidth_ : 1;
    for (uint64_t i = 0; i < bytes; ++i) {
      const uint64_t x = i % width;
      const uint64_t y = i / width;
      const bool patch = (x / 64 + y / 64 + seed) % 5 == 0;
      scene[i] = patch ? 235 : static_cast<uint8_t>(x * (seed | 1) + y * 3);
    }
    return scene;
  }

  FuzzInput &input_;
  sorvexfuzz::FuzzCamera camera_;
  bool isMi1320_ = false;
  uint32_t format_ = SORVEX_FORMAT_YUYV;
  Size requested_ = {640, 480};
  uint32_t captureWidth_ = 0;
  uint32_t captureHeight_ = 0;
  int frames_ = 0;
  uint64_t budget_ = kFrameBytesBudget;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzInput input(data, size);
  Session session(input);
  session.Run();
  return 0;
}
