#include "camera_raw_source.h"

#include <libraw/libraw.h>

#include <algorithm>
#include <cstdio>

namespace sorvexcam {
namespace {

// LibRaw's colour index: 0 red, 1 and 3 green, 2 blue.
BayerColour ColourOfIndex(int index) {
  switch (index) {
    case 0: return kRed;
    case 2: return kBlue;
    default: return kGreen;
  }
}

std::string PatternName(const CellPattern &pattern) {
  const char names[] = {'R', 'G', 'B'};
  return {names[pattern.topLeft], names[pattern.topRight], names[pattern.bottomLeft],
          names[pattern.bottomRight]};
}

// Red, green, blue relative to green, from four multipliers in LibRaw's
// colour order; false when they are missing (a file without a colour matrix).
bool RelativeMultipliers(const float multipliers[4], double relative[3]) {
  const double green = multipliers[1];
  if (!(green > 0) || !(multipliers[0] > 0) || !(multipliers[2] > 0)) return false;
  relative[kRed] = multipliers[0] / green;
  relative[kGreen] = 1.0;
  relative[kBlue] = multipliers[2] / green;
  return true;
}

std::string MultipliersText(const double multipliers[3]) {
  char text[64];
  std::snprintf(text, sizeof text, "%.2f/1/%.2f", multipliers[kRed], multipliers[kBlue]);
  return text;
}

}  // namespace

bool ReadCameraRaw(const std::string &path, CameraRaw *result, std::string *error) {
  std::unique_ptr<LibRaw> raw(new LibRaw(0));
  int status = raw->open_file(path.c_str());
  if (status == LIBRAW_SUCCESS) status = raw->unpack();
  if (status != LIBRAW_SUCCESS) {
    *error = path + ": " + libraw_strerror(status);
    return false;
  }
  const libraw_rawdata_t &data = raw->imgdata.rawdata;
  const libraw_image_sizes_t &sizes = data.sizes;
  const unsigned filters = raw->imgdata.idata.filters;
  // 0: no mosaic (already colour); 1 and 9: Leaf and X-Trans layouts, not 2 x 2.
  if (data.raw_image == nullptr || filters == 0 || filters == 1 || filters == 9 || raw->imgdata.idata.colors != 3) {
    *error = path + ": not a Bayer raw file";
    return false;
  }
  const CellPattern pattern = {ColourOfIndex(raw->COLOR(0, 0)), ColourOfIndex(raw->COLOR(0, 1)),
                               ColourOfIndex(raw->COLOR(1, 0)), ColourOfIndex(raw->COLOR(1, 1))};
  const std::optional<PhaseOffset> phase = FindCameraPhase(pattern);
  if (!phase || sizes.width < 4 || sizes.height < 4) {
    *error = path + ": colour pattern " + PatternName(pattern) + " of a " + std::to_string(sizes.width) +
             "x" + std::to_string(sizes.height) + " area cannot be read";
    return false;
  }

  const uint32_t black = data.color.black;
  const uint32_t white = std::max<uint32_t>(data.color.maximum, black + 1);
  const size_t pitch = sizes.raw_pitch / 2;  // in 16-bit samples
  BayerImage16 &image = result->linear;
  image.width = sizes.width - phase->columns;
  image.height = sizes.height - phase->rows;
  image.samples.resize(static_cast<size_t>(image.width) * image.height);
  for (uint32_t y = 0; y < image.height; ++y) {
    const uint32_t row = y + phase->rows;
    const uint16_t *line = data.raw_image + static_cast<size_t>(row + sizes.top_margin) * pitch + sizes.left_margin;
    for (uint32_t x = 0; x < image.width; ++x) {
      const uint32_t column = x + phase->columns;
      const uint32_t channelBlack = black + data.color.cblack[raw->COLOR(static_cast<int>(row), static_cast<int>(column))];
      const uint32_t value = line[column] > channelBlack ? line[column] - channelBlack : 0;
      image.samples[static_cast<size_t>(y) * image.width + x] = static_cast<uint16_t>(std::min(value, white - black));
    }
  }
  result->white = white - black;
  // The daylight multipliers LibRaw derives from the camera's colour matrix;
  // the ones the camera chose for the shot stand in when a file has no matrix.
  std::string multipliers = "daylight multipliers";
  if (!RelativeMultipliers(raw->imgdata.color.pre_mul, result->daylight)) {
    multipliers = "as-shot multipliers";
    if (!RelativeMultipliers(raw->imgdata.color.cam_mul, result->daylight)) {
      multipliers = "no multipliers";
      std::fill(std::begin(result->daylight), std::end(result->daylight), 1.0);
    }
  }
  result->description =
      "camera raw " + path + " (" + raw->imgdata.idata.make + " " + raw->imgdata.idata.model + ", " +
      std::to_string(sizes.width) + "x" + std::to_string(sizes.height) + " " + PatternName(pattern) +
      ", black " + std::to_string(black) + ", white " + std::to_string(white) + ", " + multipliers + " " +
      MultipliersText(result->daylight) + ", re-phased by " + std::to_string(phase->rows) + " line(s) and " +
      std::to_string(phase->columns) + " column(s))";
  return true;
}

CameraRawScene::CameraRawScene(const CameraRaw &raw) : name_(raw.description), white_(raw.white) {
  // Scaled so that the weakest multiplier is 1 and clipped at white, as raw
  // converters do: a highlight the sensor clipped in every channel stays
  // white instead of taking the colour of the multipliers.
  const double weakest = *std::min_element(std::begin(raw.daylight), std::end(raw.daylight));
  neutral_.width = raw.linear.width;
  neutral_.height = raw.linear.height;
  neutral_.samples.resize(raw.linear.samples.size());
  for (uint32_t y = 0; y < neutral_.height; ++y) {
    for (uint32_t x = 0; x < neutral_.width; ++x) {
      const size_t at = static_cast<size_t>(y) * neutral_.width + x;
      const double value = raw.linear.samples[at] * raw.daylight[CameraColourAt(x, y)] / weakest;
      neutral_.samples[at] = static_cast<uint16_t>(std::min<double>(white_, value + 0.5));
    }
  }
}

const std::vector<float> &CameraRawScene::Mosaic(uint32_t width, uint32_t height) {
  if (mosaicWidth_ != width || mosaicHeight_ != height) {
    const std::vector<uint16_t> fitted = FitBayer(neutral_, width, height);
    mosaic_.resize(fitted.size());
    for (size_t i = 0; i < fitted.size(); ++i) mosaic_[i] = static_cast<float>(fitted[i]) / static_cast<float>(white_);
    mosaicWidth_ = width;
    mosaicHeight_ = height;
  }
  return mosaic_;
}

CameraRawSource::CameraRawSource(const CameraRaw &raw) : description_(raw.description + ", still") {
  image_.width = raw.linear.width;
  image_.height = raw.linear.height;
  image_.samples.resize(raw.linear.samples.size());
  for (size_t i = 0; i < raw.linear.samples.size(); ++i) {
    image_.samples[i] = static_cast<uint8_t>(uint32_t{raw.linear.samples[i]} * 255 / raw.white);
  }
}

bool CameraRawSource::RenderFrame(uint32_t, const RawFrameShape &shape, std::vector<uint8_t> *frame,
                                  std::string *) {
  *frame = FitBayer(image_, shape.width, shape.height);
  return true;
}

}  // namespace sorvexcam
