#include "options.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>

namespace sorvexcam {
namespace {

struct Size {
  uint32_t width, height;
};
// The sizes the camera's mode scripts cover.
constexpr Size kSupportedSizes[] = {{160, 120}, {320, 240},  {640, 480},  {800, 600},
                                    {1280, 960}, {1280, 1024}, {1600, 1200}};

bool ParseUnsigned(const std::string &text, uint32_t *value) {
  if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0]))) return false;
  char *end = nullptr;
  errno = 0;
  const unsigned long long parsed = std::strtoull(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || parsed > 0xFFFFFFFFull) return false;
  *value = static_cast<uint32_t>(parsed);
  return true;
}

bool ParseSize(const std::string &text, uint32_t *width, uint32_t *height) {
  const size_t x = text.find('x');
  return x != std::string::npos && ParseUnsigned(text.substr(0, x), width) &&
         ParseUnsigned(text.substr(x + 1), height);
}

// "30", "29.97" or "30000/1001".
bool ParseFrameRate(const std::string &text, uint32_t *numerator, uint32_t *denominator) {
  const size_t slash = text.find('/');
  if (slash != std::string::npos) {
    return ParseUnsigned(text.substr(0, slash), numerator) &&
           ParseUnsigned(text.substr(slash + 1), denominator) && *denominator != 0;
  }
  const size_t dot = text.find('.');
  if (dot == std::string::npos) {
    *denominator = 1;
    return ParseUnsigned(text, numerator);
  }
  std::string fraction = text.substr(dot + 1);
  if (fraction.empty() || fraction.size() > 3) return false;
  uint32_t whole = 0, part = 0;
  if (!ParseUnsigned(text.substr(0, dot), &whole) || !ParseUnsigned(fraction, &part) || whole > 1000) {
    return false;
  }
  *denominator = 1;
  for (size_t i = 0; i < fraction.size(); ++i) *denominator *= 10;
  *numerator = whole * *denominator + part;
  return true;
}

bool ParsePattern(std::string text, CellPattern *pattern) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  if (text.size() != 4) return false;
  BayerColour colours[4];
  for (size_t i = 0; i < 4; ++i) {
    switch (text[i]) {
      case 'R': colours[i] = kRed; break;
      case 'G': colours[i] = kGreen; break;
      case 'B': colours[i] = kBlue; break;
      default: return false;
    }
  }
  *pattern = {colours[0], colours[1], colours[2], colours[3]};
  return FindCameraPhase(*pattern).has_value();
}

bool ParseSelection(const std::string &text, FrameSelection *selection) {
  *selection = FrameSelection();
  size_t start = 0;
  while (start <= text.size()) {
    const size_t comma = std::min(text.find(',', start), text.size());
    const std::string item = text.substr(start, comma - start);
    uint32_t number = 0;
    if (item == "all") {
      selection->all = true;
    } else if (item == "last") {
      selection->last = true;
    } else if (item == "none") {
    } else if (item.rfind("every:", 0) == 0 && ParseUnsigned(item.substr(6), &number) && number > 0) {
      selection->every = number;
    } else if (ParseUnsigned(item, &number)) {
      selection->frames.push_back(number);
    } else {
      return false;
    }
    start = comma + 1;
  }
  return true;
}

bool FindSensor(const std::string &name, std::string *canonical) {
  for (const std::string &sensor : SensorNames()) {
    if (sensor.size() == name.size() &&
        std::equal(sensor.begin(), sensor.end(), name.begin(), [](char a, char b) {
          return std::toupper(static_cast<unsigned char>(a)) == std::toupper(static_cast<unsigned char>(b));
        })) {
      *canonical = sensor;
      return true;
    }
  }
  return false;
}

std::string Join(const std::vector<std::string> &names) {
  std::string text;
  for (const std::string &name : names) text += (text.empty() ? "" : ", ") + name;
  return text;
}

// Checks that hold between options once all are read.
bool CheckTogether(Options *options, int sourcesGiven, bool patternGiven, std::string *error) {
  if (sourcesGiven > 1) {
    *error = "give one source: --scene, --picture, --raw-dir or --camera-raw";
    return false;
  }
  if (!IsSupportedSize(options->width, options->height)) {
    *error = "unsupported size " + std::to_string(options->width) + "x" + std::to_string(options->height) +
             " (the camera offers " + SupportedSizesText() + ")";
    return false;
  }
  if (options->still && options->source == SourceKind::kRawDirectory) {
    *error = "--still applies to --scene, --picture and --camera-raw only";
    return false;
  }
  if (options->rawWidth != 0 && options->source != SourceKind::kRawDirectory) {
    *error = "--raw-size applies to --raw-dir only";
    return false;
  }
  if (patternGiven && options->source != SourceKind::kRawDirectory) {
    *error = "--raw-pattern applies to --raw-dir only; it has no effect on other sources";
    return false;
  }
  if (options->registryFile.empty()) options->registryFile = options->outDir + "/registry.reg";
  return true;
}

}  // namespace

bool FrameSelection::Includes(uint32_t frame, uint32_t frameCount) const {
  return all || (last && frame + 1 == frameCount) || (every != 0 && frame % every == 0) ||
         std::find(frames.begin(), frames.end(), frame) != frames.end();
}

const std::vector<std::string> &SensorNames() {
  static const std::vector<std::string> kNames = {"ES2216", "S5K4AA", "OV9650", "OV9655", "MI1320",
                                                  "S5K3BA", "OV7670", "MI2020", "MO4000", "MI0360"};
  return kNames;
}

bool IsSupportedSize(uint32_t width, uint32_t height) {
  return std::any_of(std::begin(kSupportedSizes), std::end(kSupportedSizes),
                     [&](const Size &size) { return size.width == width && size.height == height; });
}

std::string SupportedSizesText() {
  std::vector<std::string> sizes;
  for (const Size &size : kSupportedSizes) sizes.push_back(std::to_string(size.width) + "x" + std::to_string(size.height));
  return Join(sizes);
}

bool ParseOptions(const std::vector<std::string> &args, Options *options, std::string *error) {
  int sourcesGiven = 0;
  bool patternGiven = false;
  bool saveGiven = false;
  options->save = FrameSelection();
  options->save.every = 10;
  options->save.last = true;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string &arg = args[i];
    if (arg == "--help" || arg == "-h") {
      options->help = true;
      return true;
    }
    if (arg == "--scene") {
      options->source = SourceKind::kScene;
      ++sourcesGiven;
      continue;
    }
    if (arg == "--still") {
      options->still = true;
      continue;
    }
    if (arg == "--view") {
      options->view = true;
      continue;
    }
    if (arg.rfind("--", 0) != 0) {
      *error = "unexpected argument \"" + arg + "\"";
      return false;
    }
    if (i + 1 >= args.size()) {
      *error = arg + " wants a value (or is unknown; see --help)";
      return false;
    }
    const std::string &value = args[++i];
    bool ok = true;
    std::string why;
    if (arg == "--sensor") {
      ok = FindSensor(value, &options->sensor);
      why = "known sensors: " + Join(SensorNames());
    } else if (arg == "--speed") {
      ok = value == "high" || value == "full";
      options->highSpeed = value == "high";
      why = "high or full";
    } else if (arg == "--format") {
      ok = value == "rgb24" || value == "yuyv" || value == "i420";
      options->format = value == "yuyv" ? OutputFormat::kYuyv : value == "i420" ? OutputFormat::kI420 : OutputFormat::kRgb24;
      why = "rgb24, yuyv or i420";
    } else if (arg == "--size") {
      ok = ParseSize(value, &options->width, &options->height);
      why = "WxH";
    } else if (arg == "--frames") {
      ok = ParseUnsigned(value, &options->frames) && options->frames >= 1 && options->frames <= kMostFrames;
      options->framesGiven = true;
      why = "1 to " + std::to_string(kMostFrames);
    } else if (arg == "--fps") {
      ok = ParseFrameRate(value, &options->fpsNumerator, &options->fpsDenominator) && options->fpsNumerator != 0 &&
           options->fpsNumerator <= 1000 * uint64_t{options->fpsDenominator};
      why = "a rate above 0 and up to 1000, such as 30, 29.97 or 30000/1001";
    } else if (arg.size() == 4 && arg[2] == 'p' && arg[3] >= '1' && arg[3] <= '9') {
      ok = ParseUnsigned(value, &options->pictureValues[arg[3] - '1']);
      why = "a number (50 is neutral)";
    } else if (arg == "--picture" || arg == "--raw-dir" || arg == "--camera-raw") {
      options->source = arg == "--picture" ? SourceKind::kPicture
                        : arg == "--raw-dir" ? SourceKind::kRawDirectory
                                             : SourceKind::kCameraRaw;
      options->sourcePath = value;
      ++sourcesGiven;
    } else if (arg == "--raw-size") {
      ok = ParseSize(value, &options->rawWidth, &options->rawHeight) && options->rawWidth >= 2 && options->rawHeight >= 2;
      why = "WxH of the .raw frames";
    } else if (arg == "--raw-pattern") {
      ok = ParsePattern(value, &options->rawPattern);
      patternGiven = true;
      why = "the colour cell of the frames: GBRG (the camera's), RGGB, GRBG or BGGR";
    } else if (arg == "--light") {
      ok = ParseUnsigned(value, &options->sceneLight) && options->sceneLight >= 1 && options->sceneLight <= 1000;
      why = "1 to 1000 (percent)";
    } else if (arg == "--illuminant") {
      ok = value == "neutral" || value == "warm" || value == "cool";
      options->illuminant = value == "warm"   ? IlluminantKind::kWarm
                            : value == "cool" ? IlluminantKind::kCool
                                              : IlluminantKind::kNeutral;
      why = "neutral, warm or cool";
    } else if (arg == "--set" || arg == "--get") {
      PropertyAction action;
      ok = ParsePropertyAction(value, arg == "--set", &action, &why);
      if (ok) options->actions.push_back(action);
    } else if (arg == "--out") {
      ok = !value.empty();
      options->outDir = value;
      why = "a directory";
    } else if (arg == "--registry") {
      ok = !value.empty();
      options->registryFile = value;
      why = "a file";
    } else if (arg == "--save") {
      ok = ParseSelection(value, &options->save);
      saveGiven = true;
      why = "a list such as 0,45,last or every:10 or all or none";
    } else {
      *error = "unknown option " + arg + " (see --help)";
      return false;
    }
    if (!ok) {
      *error = arg + " " + value + ": " + why;
      return false;
    }
  }
  // A live view left running would write every tenth frame without end.
  if (options->view && !options->framesGiven && !saveGiven) {
    options->save = FrameSelection();
    options->save.last = true;
  }
  return CheckTogether(options, sourcesGiven, patternGiven, error);
}

std::string UsageText() {
  return "usage: sorvexcam [options]\n"
         "Plays the camera's minidriver against the image-processing library: feeds raw\n"
         "frames through the exports and writes what comes out.\n"
         "\n"
         "Source (one of):\n"
         "  --scene               the built-in scene (default)\n"
         "  --picture FILE        a PNG or JPEG photograph\n"
         "  --raw-dir DIR         8-bit PGM frames, or .raw frames with --raw-size WxH\n"
         "    --raw-pattern CELL  their colour cell: GBRG (default, the camera's), RGGB, GRBG, BGGR\n"
         "  --camera-raw FILE     a camera raw file (DNG, CR2, NEF, ...)\n"
         "  --still               the scene, picture or camera raw as a fixed frame, without\n"
         "                        the sensor model\n"
         "  --light PERCENT       light on the scene for the sensor model, in percent of what\n"
         "                        the starting exposure needs (default 25: too dark)\n"
         "  --illuminant KIND     neutral (daylight, the default), warm or cool light\n"
         "Camera:\n"
         "  --sensor NAME         " + Join(SensorNames()) + " (default ES2216)\n"
         "  --speed high|full     USB speed (default high)\n"
         "  --format rgb24|yuyv|i420   output format (default rgb24)\n"
         "  --size WxH            output size (default 640x480): " + SupportedSizesText() + "\n"
         "  --frames N            frames to process (default 90, with --view until quit; a raw\n"
         "                        directory: its frames)\n"
         "  --fps RATE            frame rate of the simulated clock (default 30)\n"
         "  --p1 .. --p9 V        picture values: brightness, contrast, saturation, filter,\n"
         "                        chroma balance, unused, gamma, exposure-target scale,\n"
         "                        colour enable (50 neutral)\n"
         "Properties (repeatable; sets run before the frame, gets after it):\n"
         "  --set FRAME:NAME=VALUE   e.g. 30:zoom=4, 10:wb=3, 0:flicker=50hz, 40:snapshot,\n"
         "                           12:reg=0x0D:0x40, 5:rotate=1,0\n"
         "  --get FRAME:NAME[=ADDR]  e.g. 89:aeindex, 60:reg=0x0D, 89:snapshot\n"
         "  names: " + PropertyNamesHelp() + "\n"
         "Output:\n"
         "  --view                also show every frame in a window as it is made, at the\n"
         "                        stream's rate, with the stream's state in its title\n"
         "                        (needs a display; its keys are listed below)\n"
         "  --out DIR             output folder (default out)\n"
         "  --registry FILE       the camera's settings (default DIR/registry.reg)\n"
         "  --save LIST           frames also written as pictures: numbers, last, every:K,\n"
         "                        all or none (default every:10,last; a live view left\n"
         "                        running: last)\n";
}

}  // namespace sorvexcam
