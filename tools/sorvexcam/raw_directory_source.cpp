#include "raw_directory_source.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace sorvexcam {
namespace {

namespace fs = std::filesystem;

constexpr uint32_t kLargestSide = 16384;

std::string LowerExtension(const fs::path &path) {
  std::string extension = path.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension;
}

// The next header number of a PGM, skipping white space and comments.
bool NextPgmNumber(std::istream &in, uint32_t *value) {
  int c = in.get();
  while (c != EOF && (std::isspace(c) || c == '#')) {
    if (c == '#') {
      while (c != EOF && c != '\n') c = in.get();
    }
    c = in.get();
  }
  if (c == EOF || !std::isdigit(c)) return false;
  uint64_t number = 0;
  while (c != EOF && std::isdigit(c)) {
    number = number * 10 + static_cast<uint64_t>(c - '0');
    if (number > 0xFFFFFFFFu) return false;
    c = in.get();
  }
  // Exactly one white-space character ends the number (the last one ends the header).
  if (c == EOF || !std::isspace(c)) return false;
  *value = static_cast<uint32_t>(number);
  return true;
}

bool CheckSize(const std::string &path, uint32_t width, uint32_t height, std::string *error) {
  if (width < 2 || height < 2 || width > kLargestSide || height > kLargestSide) {
    *error = path + ": frame size " + std::to_string(width) + "x" + std::to_string(height) +
             " is outside 2x2 .. " + std::to_string(kLargestSide) + "x" + std::to_string(kLargestSide);
    return false;
  }
  return true;
}

bool CheckFileHolds(const std::string &path, size_t bytes, bool exact, std::string *error) {
  std::error_code code;
  const uintmax_t size = fs::file_size(path, code);
  if (code) {
    *error = path + ": " + code.message();
    return false;
  }
  if (size < bytes || (exact && size != bytes)) {
    *error = path + ": holds " + std::to_string(size) + " bytes where " + std::to_string(bytes) +
             " are expected";
    return false;
  }
  return true;
}

}  // namespace

bool ReadPgmHeader(const std::string &path, RawFrameFile *file, std::string *error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = path + ": cannot be opened";
    return false;
  }
  char magic[2] = {};
  uint32_t maxValue = 0;
  if (!in.read(magic, 2) || magic[0] != 'P' || magic[1] != '5' || !NextPgmNumber(in, &file->width) ||
      !NextPgmNumber(in, &file->height) || !NextPgmNumber(in, &maxValue)) {
    *error = path + ": not a binary PGM (P5) file";
    return false;
  }
  if (maxValue == 0 || maxValue > 255) {
    *error = path + ": only 8-bit PGM frames are read (maxval " + std::to_string(maxValue) + ")";
    return false;
  }
  file->path = path;
  file->dataOffset = static_cast<size_t>(in.tellg());
  return CheckSize(path, file->width, file->height, error) &&
         CheckFileHolds(path, file->dataOffset + static_cast<size_t>(file->width) * file->height, false,
                        error);
}

std::unique_ptr<RawDirectorySource> RawDirectorySource::Open(const std::string &directory,
                                                             uint32_t rawWidth, uint32_t rawHeight,
                                                             const CellPattern &pattern,
                                                             std::string *error) {
  const std::optional<PhaseOffset> phase = FindCameraPhase(pattern);
  if (!phase) {
    *error = "the colour pattern is not a Bayer mosaic";
    return nullptr;
  }
  std::error_code code;
  if (!fs::is_directory(directory, code)) {
    *error = directory + ": not a directory";
    return nullptr;
  }
  // An entry that cannot be examined (a link in a loop, one without access)
  // is skipped with a warning; the throwing forms of the calls would end the
  // program.
  std::vector<std::string> paths;
  fs::directory_iterator it(directory, code);
  for (; !code && it != fs::directory_iterator(); it.increment(code)) {
    const std::string extension = LowerExtension(it->path());
    if (extension != ".pgm" && extension != ".raw") continue;
    std::error_code entryCode;
    const bool regular = it->is_regular_file(entryCode);
    if (entryCode) {
      std::fprintf(stderr, "sorvexcam: warning: %s: skipped (%s)\n", it->path().c_str(), entryCode.message().c_str());
    } else if (regular) {
      paths.push_back(it->path().string());
    }
  }
  if (code) {
    *error = directory + ": " + code.message();
    return nullptr;
  }
  std::sort(paths.begin(), paths.end());
  if (paths.empty()) {
    *error = directory + ": holds no .pgm or .raw frames";
    return nullptr;
  }
  std::vector<RawFrameFile> files;
  for (const std::string &path : paths) {
    RawFrameFile file;
    if (LowerExtension(path) == ".pgm") {
      if (!ReadPgmHeader(path, &file, error)) return nullptr;
    } else {
      if (rawWidth == 0) {
        *error = path + ": a .raw frame needs its size (--raw-size WxH)";
        return nullptr;
      }
      file = {path, rawWidth, rawHeight, 0};
      if (!CheckSize(path, rawWidth, rawHeight, error) ||
          !CheckFileHolds(path, static_cast<size_t>(rawWidth) * rawHeight, true, error)) {
        return nullptr;
      }
    }
    files.push_back(file);
  }
  return std::unique_ptr<RawDirectorySource>(new RawDirectorySource(directory, std::move(files), *phase));
}

std::string RawDirectorySource::Describe() const {
  return "raw frames in " + directory_ + " (" + std::to_string(files_.size()) + " files)";
}

bool RawDirectorySource::RenderFrame(uint32_t index, const RawFrameShape &shape,
                                     std::vector<uint8_t> *frame, std::string *error) {
  const RawFrameFile &file = files_[index % files_.size()];
  std::ifstream in(file.path, std::ios::binary);
  std::vector<uint8_t> samples(static_cast<size_t>(file.width) * file.height);
  in.seekg(static_cast<std::streamoff>(file.dataOffset));
  if (!in.read(reinterpret_cast<char *>(samples.data()), static_cast<std::streamsize>(samples.size()))) {
    *error = file.path + ": cannot be read";
    return false;
  }
  BayerImage image;
  image.width = file.width - phase_.columns;
  image.height = file.height - phase_.rows;
  image.samples.resize(static_cast<size_t>(image.width) * image.height);
  for (uint32_t y = 0; y < image.height; ++y) {
    const uint8_t *line = &samples[static_cast<size_t>(y + phase_.rows) * file.width + phase_.columns];
    std::copy(line, line + image.width, &image.samples[static_cast<size_t>(y) * image.width]);
  }
  *frame = FitBayer(image, shape.width, shape.height);
  return true;
}

}  // namespace sorvexcam
