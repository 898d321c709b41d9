// A directory of raw Bayer frames: 8-bit binary PGM files, or headerless
// .raw files of one byte a sample with a size given on the command line.
// The frames are played in name order (again from the first when more are
// asked for), re-phased from their colour pattern and fitted to the capture
// size.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "bayer_fit.h"
#include "frame_source.h"

namespace sorvexcam {

struct RawFrameFile {
  std::string path;
  uint32_t width = 0;
  uint32_t height = 0;
  size_t dataOffset = 0;  // where the samples start
};

// Reads the header of an 8-bit binary PGM ("P5", maxval at most 255) and
// checks that the file holds all its samples. False, with a reason, otherwise.
bool ReadPgmHeader(const std::string &path, RawFrameFile *file, std::string *error);

class RawDirectorySource : public FrameSource {
 public:
  // `rawWidth` x `rawHeight` is the size of .raw files (0 x 0: none given);
  // `pattern` the colour cell of the files. Checks every file first; null,
  // with a reason, when the directory holds no usable frame or a bad one.
  static std::unique_ptr<RawDirectorySource> Open(const std::string &directory, uint32_t rawWidth,
                                                  uint32_t rawHeight, const CellPattern &pattern,
                                                  std::string *error);

  std::string Describe() const override;
  uint32_t FrameCount() const override { return static_cast<uint32_t>(files_.size()); }
  bool RenderFrame(uint32_t index, const RawFrameShape &shape, std::vector<uint8_t> *frame,
                   std::string *error) override;

 private:
  RawDirectorySource(std::string directory, std::vector<RawFrameFile> files, PhaseOffset phase)
      : directory_(std::move(directory)), files_(std::move(files)), phase_(phase) {}

  std::string directory_;
  std::vector<RawFrameFile> files_;
  PhaseOffset phase_;
};

}  // namespace sorvexcam
