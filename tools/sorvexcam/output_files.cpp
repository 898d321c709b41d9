#include "output_files.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace sorvexcam {
namespace {

namespace fs = std::filesystem;

std::string PartName(const std::string &finalPath) { return finalPath + ".part"; }

}  // namespace

OutputFiles::~OutputFiles() { Abandon(); }

bool OutputFiles::Prepare(const std::string &directory, std::string *error) {
  std::error_code code;
  if (fs::is_directory(directory, code)) return true;
  if (!fs::create_directories(directory, code)) {
    *error = directory + ": cannot create the folder (" + code.message() + ")";
    return false;
  }
  createdDirectory_ = directory;
  return true;
}

std::string OutputFiles::Stage(const std::string &finalPath) {
  if (std::find(staged_.begin(), staged_.end(), finalPath) == staged_.end()) staged_.push_back(finalPath);
  return PartName(finalPath);
}

bool OutputFiles::WriteStaged(const std::string &finalPath, const void *data, size_t size, std::string *error) {
  const std::string path = Stage(finalPath);
  std::FILE *file = std::fopen(path.c_str(), "wb");
  bool ok = file != nullptr && std::fwrite(data, 1, size, file) == size;
  if (file != nullptr) ok = std::fclose(file) == 0 && ok;
  if (!ok) *error = path + ": cannot be written";
  return ok;
}

bool OutputFiles::Commit(std::string *error) {
  for (const std::string &path : staged_) {
    std::error_code code;
    fs::rename(PartName(path), path, code);
    if (code) {
      *error = path + ": cannot be put in place (" + code.message() + ")";
      return false;
    }
    committed_.push_back(path);
  }
  staged_.clear();
  createdDirectory_.clear();
  return true;
}

void OutputFiles::Abandon() {
  std::error_code code;
  for (const std::string &path : staged_) fs::remove(PartName(path), code);
  staged_.clear();
  // Only an empty folder goes: a committed file or anything else keeps it.
  if (!createdDirectory_.empty()) fs::remove(createdDirectory_, code);
  createdDirectory_.clear();
}

}  // namespace sorvexcam
