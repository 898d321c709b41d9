// Where the camera's raw frames come from. The front end asks a source for
// one frame at a time, at the capture size the library chose, and routes the
// minidriver's register and mode-script callbacks to it, so that a simulated
// sensor can answer them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sorvexcam {

enum class RawLayout {
  kBayer8,  // one byte a sample: green-blue on even lines, red-green on odd lines
  kYuyv,    // Y0 U Y1 V per pixel pair (the MI1320 delivers this for small outputs)
};

struct RawFrameShape {
  uint32_t width = 0;
  uint32_t height = 0;
  RawLayout layout = RawLayout::kBayer8;
};

inline size_t RawFrameBytes(const RawFrameShape &shape) {
  const size_t samples = static_cast<size_t>(shape.width) * shape.height;
  return shape.layout == RawLayout::kYuyv ? samples * 2 : samples;
}

enum class RegisterSpace { kSensor, kController };  // the callbacks' spaces A and B

// What a simulated sensor reports about the frame it rendered last.
struct SensorState {
  bool known = false;
  uint32_t exposureLines = 0;
  uint32_t gainPercent = 0;
};

// 256 registers a space that read back what was written: the answer of a
// source that is not a sensor, so register peeks and pokes still round-trip.
class RegisterFile {
 public:
  void Write(RegisterSpace space, uint8_t reg, uint8_t value) { values_[Index(space)][reg] = value; }
  uint8_t Read(RegisterSpace space, uint8_t reg) const { return values_[Index(space)][reg]; }

 private:
  static int Index(RegisterSpace space) { return space == RegisterSpace::kSensor ? 0 : 1; }
  uint8_t values_[2][256] = {};
};

class FrameSource {
 public:
  virtual ~FrameSource() = default;

  // One line for the summary, such as "built-in scene, still".
  virtual std::string Describe() const = 0;
  // Frames the source holds, or 0 when it renders any number.
  virtual uint32_t FrameCount() const { return 0; }
  virtual bool Supports(RawLayout layout) const { return layout == RawLayout::kBayer8; }
  // Fills `frame` (resized to the shape) with raw frame `index`. False, with a
  // reason, when it cannot.
  virtual bool RenderFrame(uint32_t index, const RawFrameShape &shape, std::vector<uint8_t> *frame,
                           std::string *error) = 0;

  // The minidriver's callbacks: `count` (register, value) pairs in one
  // write. The default keeps the registers in a file.
  virtual void WriteRegisters(RegisterSpace space, const uint8_t *pairs, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) registers_.Write(space, pairs[2 * i], pairs[2 * i + 1]);
  }
  virtual uint8_t ReadRegister(RegisterSpace space, uint8_t reg) { return registers_.Read(space, reg); }
  virtual void SelectMode(const std::string &) {}
  virtual SensorState LastSensorState() const { return SensorState(); }

 private:
  RegisterFile registers_;
};

}  // namespace sorvexcam
