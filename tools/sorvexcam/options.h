// The command line of sorvexcam.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bayer_fit.h"
#include "image_convert.h"
#include "property_actions.h"

namespace sorvexcam {

// The most frames a run processes (--frames, and a live view left running).
constexpr uint32_t kMostFrames = 100000;

enum class SourceKind { kScene, kPicture, kRawDirectory, kCameraRaw };
enum class IlluminantKind { kNeutral, kWarm, kCool };

// Which frames are also written as pictures: listed numbers, the last one,
// every K-th, or all.
struct FrameSelection {
  std::vector<uint32_t> frames;
  uint32_t every = 0;
  bool last = false;
  bool all = false;

  bool Includes(uint32_t frame, uint32_t frameCount) const;
};

struct Options {
  // The demo's sensor: the family whose output tables apply plain channel
  // gains, so the white balance reaches highlights and shadows alike (the
  // OV96xx and S5K4AA lift red and blue through a highlight curve that
  // leaves bright greys tinted).
  std::string sensor = "ES2216";
  bool highSpeed = true;
  OutputFormat format = OutputFormat::kRgb24;
  uint32_t width = 640;
  uint32_t height = 480;
  uint32_t frames = 90;
  bool framesGiven = false;
  uint32_t fpsNumerator = 30;  // the frame rate as a fraction
  uint32_t fpsDenominator = 1;
  uint32_t pictureValues[9] = {50, 50, 50, 50, 50, 50, 50, 50, 50};

  SourceKind source = SourceKind::kScene;
  std::string sourcePath;  // picture, directory or camera raw file
  bool still = false;      // the scene or picture without the sensor model
  uint32_t sceneLight = 25;  // percent of the light that exposes the scene well
  IlluminantKind illuminant = IlluminantKind::kNeutral;
  uint32_t rawWidth = 0;   // size of .raw frames
  uint32_t rawHeight = 0;
  CellPattern rawPattern = {kGreen, kBlue, kRed, kGreen};

  std::vector<PropertyAction> actions;
  std::string outDir = "out";
  std::string registryFile;  // default <outDir>/registry.reg
  FrameSelection save;
  bool view = false;  // the live view; without --frames it runs until the user quits
  bool help = false;
};

// Parses the arguments. False, with a one-line reason, for anything invalid;
// nothing is touched on disk.
bool ParseOptions(const std::vector<std::string> &args, Options *options, std::string *error);

std::string UsageText();

// The sensor names the library knows, and the output sizes the camera offers.
const std::vector<std::string> &SensorNames();
bool IsSupportedSize(uint32_t width, uint32_t height);
std::string SupportedSizesText();

}  // namespace sorvexcam
