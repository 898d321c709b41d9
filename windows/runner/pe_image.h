// Loading a 32-bit Windows kernel driver image (PE32, i386, native
// subsystem) into this process as the kernel's loader would: the headers
// checked, the sections mapped, the base relocations applied and every
// import bound by name. Whatever the loader would refuse is refused with a
// message that names it.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace driverrunner {

// What imports bind to: routines by module ("ntoskrnl.exe", "sorvex1.sys")
// and name. Module names compare case-insensitively, as the loader's do.
class ImportTable {
 public:
  void Add(const std::string &module, const std::string &routine, const void *address);
  // Null when the routine is not there.
  const void *Find(const std::string &module, const std::string &routine) const;

 private:
  std::map<std::string, std::map<std::string, const void *>> modules_;
};

struct LoadedImage {
  std::string name;
  uint8_t *base = nullptr;  // where the image is mapped
  uint32_t size = 0;        // SizeOfImage
  uint32_t preferredBase = 0;
  const void *entryPoint = nullptr;
  std::map<std::string, const void *> exports;
};

// The PE checksum of a file, as the loader verifies it (the CheckSum field
// itself counted as zero).
uint32_t PeChecksum(const std::vector<uint8_t> &file);
// Offset of the CheckSum field in the file, or 0 for a file without a PE
// header. For tests that make damaged copies.
size_t PeChecksumOffset(const std::vector<uint8_t> &file);

// Maps `file` and binds its imports. On failure returns false, maps
// nothing and sets *error to "NAME: what is wrong".
bool LoadImage(const std::string &name, const std::vector<uint8_t> &file, const ImportTable &imports,
               LoadedImage *image, std::string *error);
void UnloadImage(LoadedImage *image);

}  // namespace driverrunner
