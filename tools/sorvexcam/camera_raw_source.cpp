#include "camera_raw_source.h"

#include <libraw/libraw.h>

#include <algorithm>

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

}  // namespace

std::unique_ptr<CameraRawSource> CameraRawSource::Open(const std::string &path, std::string *error) {
  std::unique_ptr<LibRaw> raw(new LibRaw(0));
  int status = raw->open_file(path.c_str());
  if (status == LIBRAW_SUCCESS) status = raw->unpack();
  if (status != LIBRAW_SUCCESS) {
    *error = path + ": " + libraw_strerror(status);
    return nullptr;
  }
  const libraw_rawdata_t &data = raw->imgdata.rawdata;
  const libraw_image_sizes_t &sizes = data.sizes;
  const unsigned filters = raw->imgdata.idata.filters;
  // 0: no mosaic (already colour); 1 and 9: Leaf and X-Trans layouts, not 2 x 2.
  if (data.raw_image == nullptr || filters == 0 || filters == 1 || filters == 9 || raw->imgdata.idata.colors != 3) {
    *error = path + ": not a Bayer raw file";
    return nullptr;
  }
  const CellPattern pattern = {ColourOfIndex(raw->COLOR(0, 0)), ColourOfIndex(raw->COLOR(0, 1)),
                               ColourOfIndex(raw->COLOR(1, 0)), ColourOfIndex(raw->COLOR(1, 1))};
  const std::optional<PhaseOffset> phase = FindCameraPhase(pattern);
  if (!phase || sizes.width < 4 || sizes.height < 4) {
    *error = path + ": colour pattern " + PatternName(pattern) + " of a " + std::to_string(sizes.width) +
             "x" + std::to_string(sizes.height) + " area cannot be read";
    return nullptr;
  }

  const uint32_t black = data.color.black;
  const uint32_t white = std::max<uint32_t>(data.color.maximum, black + 1);
  const size_t pitch = sizes.raw_pitch / 2;  // in 16-bit samples
  BayerImage image;
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
      image.samples[static_cast<size_t>(y) * image.width + x] =
          static_cast<uint8_t>(std::min<uint32_t>(255, value * 255 / (white - black)));
    }
  }
  const std::string description =
      "camera raw " + path + " (" + raw->imgdata.idata.make + " " + raw->imgdata.idata.model + ", " +
      std::to_string(sizes.width) + "x" + std::to_string(sizes.height) + " " + PatternName(pattern) +
      ", black " + std::to_string(black) + ", white " + std::to_string(white) + ", re-phased by " +
      std::to_string(phase->rows) + " line(s) and " + std::to_string(phase->columns) + " column(s))";
  return std::unique_ptr<CameraRawSource>(new CameraRawSource(description, std::move(image)));
}

bool CameraRawSource::RenderFrame(uint32_t, const RawFrameShape &shape, std::vector<uint8_t> *frame,
                                  std::string *) {
  *frame = FitBayer(image_, shape.width, shape.height);
  return true;
}

}  // namespace sorvexcam
