// sorvexsnap: gets a raw snapshot back out of the camera's registry file, as
// an application would: the frame as an 8-bit PGM and its record as text.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "hostkernel/host_control.h"
#include "snapshot_store.h"

namespace {

bool WriteFile(const std::string &path, const std::string &bytes) {
  std::FILE *file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && ok;
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
  std::string error;
  if (!hostkernel::LoadRegistryFile(argv[1], &error)) {
    std::fprintf(stderr, "sorvexsnap: %s: %s\n", argv[1], error.c_str());
    return 1;
  }
  const long number = std::strtol(argv[2], nullptr, 10);
  if (number < 1 || number > 64) {
    std::fprintf(stderr, "sorvexsnap: the snapshot number is 1 to 64\n");
    return 2;
  }
  sorvexsnap::Snapshot snapshot;
  if (!sorvexsnap::ReadSnapshot(static_cast<uint32_t>(number), &snapshot, &error)) {
    std::fprintf(stderr, "sorvexsnap: %s\n", error.c_str());
    return 1;
  }
  const std::string prefix = argv[3];
  if (!WriteFile(prefix + ".pgm", sorvexsnap::ToPgm(snapshot)) ||
      !WriteFile(prefix + ".txt", sorvexsnap::DescribeInfo(snapshot))) {
    std::fprintf(stderr, "sorvexsnap: cannot write %s.pgm / .txt\n", prefix.c_str());
    return 1;
  }
  std::printf("snapshot %ld: %ux%u frame in %s.pgm, record in %s.txt\n", number, snapshot.width,
              snapshot.height, prefix.c_str(), prefix.c_str());
  return 0;
}
