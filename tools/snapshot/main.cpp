// sorvexsnap: gets a raw snapshot back out of the camera's registry file, as
// an application would: the frame as an 8-bit PGM and its record as text.

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "hostkernel/host_control.h"
#include "snapshot_store.h"

namespace {

constexpr uint32_t kLastSnapshot = 64;

// The whole argument as a number from 1 to 64: "1abc" or "1.9" is no number.
bool ParseSnapshotNumber(const std::string &text, uint32_t *number) {
  if (text.empty() || text.size() > 2 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  *number = static_cast<uint32_t>(std::stoul(text));
  return *number >= 1 && *number <= kLastSnapshot;
}

std::string WithReason(const std::string &what, int errorNumber) {
  return what + ": " + std::strerror(errorNumber);
}

bool WriteWhole(const std::string &path, const std::string &bytes, std::string *error) {
  std::FILE *file = std::fopen(path.c_str(), "wb");
  bool ok = file != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  int reason = ok ? 0 : errno;
  if (file != nullptr && std::fclose(file) != 0 && ok) {
    ok = false;
    reason = errno;
  }
  if (!ok) *error = WithReason(path + ": cannot be written", reason);
  return ok;
}

// Writes the files under temporary names and renames them into place only
// when all are written, so that a failure (a full disk, a folder in the way)
// leaves no file half-written and none replaced without the others. The
// reason of a failure ends with what was written.
bool WriteTogether(const std::vector<std::pair<std::string, std::string>> &files, std::string *error) {
  bool ok = true;
  for (const auto &file : files) {
    struct stat info;
    if (ok && stat(file.first.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
      *error = file.first + (S_ISDIR(info.st_mode) ? ": is a folder" : ": is not a regular file");
      ok = false;
    }
  }
  size_t written = 0;
  for (; ok && written < files.size(); ++written) {
    ok = WriteWhole(files[written].first + ".part", files[written].second, error);
  }
  size_t renamed = 0;
  for (; ok && renamed < files.size(); ++renamed) {
    const std::string part = files[renamed].first + ".part";
    if (std::rename(part.c_str(), files[renamed].first.c_str()) != 0) {
      *error = WithReason(files[renamed].first + ": cannot be put in place", errno);
      ok = false;
      break;
    }
  }
  for (size_t i = renamed; i < written; ++i) std::remove((files[i].first + ".part").c_str());
  if (!ok) *error += renamed == 0 ? " (nothing written)" : " (only " + files[0].first + " was written)";
  return ok;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 4) {
    std::fprintf(stderr,
                 "usage: sorvexsnap REGISTRY_FILE NUMBER OUT_PREFIX\n"
                 "  Writes OUT_PREFIX.pgm (the raw Bayer frame) and OUT_PREFIX.txt (its record)\n"
                 "  for snapshot NUMBER (1..64) kept in the registry file.\n");
    return 2;
  }
  uint32_t number = 0;
  if (!ParseSnapshotNumber(argv[2], &number)) {
    std::fprintf(stderr, "sorvexsnap: the snapshot number is a whole number from 1 to 64, not \"%s\"\n", argv[2]);
    return 2;
  }
  std::string error;
  if (!hostkernel::LoadRegistryFile(argv[1], &error)) {
    std::fprintf(stderr, "sorvexsnap: %s: %s\n", argv[1], error.c_str());
    return 1;
  }
  sorvexsnap::Snapshot snapshot;
  if (!sorvexsnap::ReadSnapshot(number, &snapshot, &error)) {
    std::fprintf(stderr, "sorvexsnap: %s\n", error.c_str());
    return 1;
  }
  const std::string prefix = argv[3];
  if (!WriteTogether({{prefix + ".pgm", sorvexsnap::ToPgm(snapshot)}, {prefix + ".txt", sorvexsnap::DescribeInfo(snapshot)}},
                     &error)) {
    std::fprintf(stderr, "sorvexsnap: %s\n", error.c_str());
    return 1;
  }
  std::printf("snapshot %u: %ux%u frame in %s.pgm, record in %s.txt\n", number, snapshot.width, snapshot.height,
              prefix.c_str(), prefix.c_str());
  return 0;
}
