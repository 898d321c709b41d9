#include "pe_image.h"

#include <sys/mman.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace driverrunner {
namespace {

constexpr uint16_t kMachineI386 = 0x14C;
constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kSubsystemNative = 1;
constexpr uint16_t kFileRelocsStripped = 0x0001;
constexpr uint16_t kFileExecutableImage = 0x0002;
constexpr uint32_t kSectionExecute = 0x20000000;
constexpr uint32_t kSectionWrite = 0x80000000;
constexpr uint32_t kPageBytes = 4096;
constexpr size_t kFileHeaderBytes = 20;
constexpr size_t kOptionalHeaderBytes = 96;  // up to the data directories
constexpr size_t kSectionHeaderBytes = 40;
constexpr uint32_t kDirectoryExport = 0;
constexpr uint32_t kDirectoryImport = 1;
constexpr uint32_t kDirectoryBaseRelocation = 5;
constexpr uint16_t kRelocationAbsolute = 0;
constexpr uint16_t kRelocationHighLow = 3;
constexpr size_t kMaxNameBytes = 256;

uint16_t Read16(const uint8_t *p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Read32(const uint8_t *p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

std::string Hex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%x", value);
  return text;
}

std::string Lower(std::string text) {
  for (char &c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

struct Section {
  std::string name;
  uint32_t virtualAddress;
  uint32_t virtualSize;
  uint32_t rawSize;
  uint32_t rawOffset;
  uint32_t characteristics;
};

struct Directory {
  uint32_t rva = 0;
  uint32_t size = 0;
};

// The headers as read from the file, before anything is mapped.
struct Headers {
  uint32_t peOffset = 0;
  uint32_t optionalOffset = 0;
  uint16_t characteristics = 0;
  uint32_t entryPoint = 0;
  uint32_t imageBase = 0;
  uint32_t sectionAlignment = 0;
  uint32_t sizeOfImage = 0;
  uint32_t sizeOfHeaders = 0;
  uint32_t checksum = 0;
  Directory directories[16];
  std::vector<Section> sections;
};

// Reads and checks the headers; false with *error set on the first fault.
bool ReadHeaders(const std::vector<uint8_t> &file, Headers *h, std::string *error) {
  const uint8_t *bytes = file.data();
  if (file.size() < 0x40 || bytes[0] != 'M' || bytes[1] != 'Z') {
    *error = "damaged header: no MZ header";
    return false;
  }
  h->peOffset = Read32(bytes + 0x3C);
  if (h->peOffset > file.size() || file.size() - h->peOffset < 4 + kFileHeaderBytes ||
      std::memcmp(bytes + h->peOffset, "PE\0\0", 4) != 0) {
    *error = "damaged header: no PE signature at the offset the MZ header gives (" + Hex(h->peOffset) + ")";
    return false;
  }
  const uint8_t *fileHeader = bytes + h->peOffset + 4;
  const uint16_t machine = Read16(fileHeader);
  if (machine != kMachineI386) {
    *error = "wrong machine type " + Hex(machine) + ": not an i386 image (" + Hex(kMachineI386) + ")";
    return false;
  }
  const uint16_t sectionCount = Read16(fileHeader + 2);
  const uint16_t optionalBytes = Read16(fileHeader + 16);
  h->characteristics = Read16(fileHeader + 18);
  h->optionalOffset = h->peOffset + 4 + kFileHeaderBytes;
  if (optionalBytes < kOptionalHeaderBytes || h->optionalOffset + optionalBytes > file.size()) {
    *error = "damaged header: optional header of " + std::to_string(optionalBytes) + " bytes";
    return false;
  }
  const uint8_t *optional = bytes + h->optionalOffset;
  if (Read16(optional) != kPe32Magic) {
    *error = "damaged header: optional header magic " + Hex(Read16(optional)) + " is not PE32";
    return false;
  }
  if ((h->characteristics & kFileExecutableImage) == 0) {
    *error = "damaged header: not marked as an executable image";
    return false;
  }
  h->entryPoint = Read32(optional + 16);
  h->imageBase = Read32(optional + 28);
  h->sectionAlignment = Read32(optional + 32);
  h->sizeOfImage = Read32(optional + 56);
  h->sizeOfHeaders = Read32(optional + 60);
  h->checksum = Read32(optional + 64);
  const uint16_t subsystem = Read16(optional + 68);
  if (subsystem != kSubsystemNative) {
    *error = "subsystem " + std::to_string(subsystem) + " is not native (1): not a kernel driver";
    return false;
  }
  const uint32_t directoryCount = Read32(optional + 92);
  if (directoryCount > 16 || kOptionalHeaderBytes + 8u * directoryCount > optionalBytes) {
    *error = "damaged header: " + std::to_string(directoryCount) + " data directories";
    return false;
  }
  for (uint32_t i = 0; i < directoryCount; ++i) {
    h->directories[i].rva = Read32(optional + kOptionalHeaderBytes + 8 * i);
    h->directories[i].size = Read32(optional + kOptionalHeaderBytes + 8 * i + 4);
  }
  if (h->sizeOfImage == 0 || h->sizeOfImage > (256u << 20) || h->sizeOfHeaders > h->sizeOfImage ||
      h->sizeOfHeaders > file.size() || h->sectionAlignment == 0) {
    *error = "damaged header: image of " + Hex(h->sizeOfImage) + " bytes with " + Hex(h->sizeOfHeaders) +
             " bytes of headers";
    return false;
  }
  if (h->checksum != PeChecksum(file)) {
    *error = "damaged image: checksum " + Hex(PeChecksum(file)) + " where the header says " + Hex(h->checksum);
    return false;
  }
  const size_t sectionTable = h->optionalOffset + optionalBytes;
  if (sectionTable + kSectionHeaderBytes * sectionCount > h->sizeOfHeaders) {
    *error = "damaged header: the section table runs past the headers";
    return false;
  }
  for (uint16_t i = 0; i < sectionCount; ++i) {
    const uint8_t *s = bytes + sectionTable + kSectionHeaderBytes * i;
    Section section;
    section.name.assign(reinterpret_cast<const char *>(s), strnlen(reinterpret_cast<const char *>(s), 8));
    section.virtualSize = Read32(s + 8);
    section.virtualAddress = Read32(s + 12);
    section.rawSize = Read32(s + 16);
    section.rawOffset = Read32(s + 20);
    section.characteristics = Read32(s + 36);
    const uint64_t end = static_cast<uint64_t>(section.virtualAddress) +
                         std::max(section.virtualSize, section.rawSize);
    const uint64_t rawEnd = static_cast<uint64_t>(section.rawOffset) + section.rawSize;
    if (section.virtualAddress < h->sizeOfHeaders || end > h->sizeOfImage || rawEnd > file.size()) {
      *error = "damaged header: section " + section.name + " lies outside the image or the file";
      return false;
    }
    h->sections.push_back(section);
  }
  return true;
}

bool InImage(const LoadedImage &image, uint32_t rva, uint32_t bytes) {
  return rva <= image.size && bytes <= image.size - rva;
}

// A NUL-terminated name inside the image, or false.
bool NameAt(const LoadedImage &image, uint32_t rva, std::string *name) {
  if (!InImage(image, rva, 1)) return false;
  const char *text = reinterpret_cast<const char *>(image.base + rva);
  const size_t room = std::min<size_t>(image.size - rva, kMaxNameBytes);
  const size_t length = strnlen(text, room);
  if (length == room) return false;
  name->assign(text, length);
  return true;
}

bool ApplyRelocations(LoadedImage &image, const Directory &directory, std::string *error) {
  const uint32_t delta = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(image.base)) - image.preferredBase;
  if (!InImage(image, directory.rva, directory.size)) {
    *error = "damaged header: the relocation directory lies outside the image";
    return false;
  }
  const uint8_t *table = image.base + directory.rva;
  uint32_t at = 0;
  while (at < directory.size) {
    const uint32_t left = directory.size - at;
    if (left < 8) {
      *error = "relocation block at directory offset " + Hex(at) + " is cut short: " + std::to_string(left) +
               " bytes left of its 8-byte header";
      return false;
    }
    const uint32_t page = Read32(table + at);
    const uint32_t blockBytes = Read32(table + at + 4);
    if (blockBytes < 8 || blockBytes > left || blockBytes % 2 != 0) {
      *error = "relocation block for page " + Hex(page) + " is cut short: it claims " + std::to_string(blockBytes) +
               " bytes and " + std::to_string(left) + " are left in the directory";
      return false;
    }
    for (uint32_t e = 8; e < blockBytes; e += 2) {
      const uint16_t entry = Read16(table + at + e);
      const uint16_t type = static_cast<uint16_t>(entry >> 12);
      const uint32_t target = page + (entry & 0xFFFu);
      if (type == kRelocationAbsolute) continue;
      if (type != kRelocationHighLow) {
        *error = "relocation of type " + std::to_string(type) + " at " + Hex(target) + " is not one an i386 image has";
        return false;
      }
      if (!InImage(image, target, 4)) {
        *error = "relocation at " + Hex(target) + " lies outside the image";
        return false;
      }
      uint8_t *slot = image.base + target;
      const uint32_t value = Read32(slot) + delta;
      std::memcpy(slot, &value, 4);
    }
    at += blockBytes;
  }
  return true;
}

bool BindImports(LoadedImage &image, const Directory &directory, const ImportTable &imports, std::string *error) {
  std::vector<std::string> unbound;
  for (uint32_t at = directory.rva;; at += 20) {
    if (!InImage(image, at, 20)) {
      *error = "damaged image: the import directory runs past the image";
      return false;
    }
    const uint8_t *descriptor = image.base + at;
    const uint32_t lookup = Read32(descriptor);
    const uint32_t nameRva = Read32(descriptor + 12);
    const uint32_t bound = Read32(descriptor + 16);
    if (lookup == 0 && nameRva == 0 && bound == 0) break;
    std::string module;
    if (!NameAt(image, nameRva, &module)) {
      *error = "damaged image: an import descriptor names no module";
      return false;
    }
    for (uint32_t i = 0;; ++i) {
      const uint32_t thunk = (lookup != 0 ? lookup : bound) + 4 * i;
      if (!InImage(image, thunk, 4) || !InImage(image, bound + 4 * i, 4)) {
        *error = "damaged image: the imports of " + module + " run past the image";
        return false;
      }
      const uint32_t entry = Read32(image.base + thunk);
      if (entry == 0) break;
      if ((entry & 0x80000000u) != 0) {
        unbound.push_back(module + " ordinal " + std::to_string(entry & 0xFFFFu) + " (imports by ordinal)");
        continue;
      }
      std::string routine;
      if (!NameAt(image, entry + 2, &routine)) {
        *error = "damaged image: an import of " + module + " has no name";
        return false;
      }
      const void *address = imports.Find(module, routine);
      if (address == nullptr) {
        unbound.push_back(module + "!" + routine);
        continue;
      }
      const uint32_t value = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(address));
      std::memcpy(image.base + bound + 4 * i, &value, 4);
    }
  }
  if (unbound.empty()) return true;
  *error = "imports that cannot be bound:";
  for (const std::string &name : unbound) *error += " " + name;
  return false;
}

bool ReadExports(LoadedImage &image, const Directory &directory, std::string *error) {
  if (directory.size == 0) return true;
  if (!InImage(image, directory.rva, 40)) {
    *error = "damaged image: the export directory lies outside the image";
    return false;
  }
  const uint8_t *d = image.base + directory.rva;
  const uint32_t functionCount = Read32(d + 20);
  const uint32_t nameCount = Read32(d + 24);
  const uint32_t functions = Read32(d + 28);
  const uint32_t names = Read32(d + 32);
  const uint32_t ordinals = Read32(d + 36);
  if (!InImage(image, functions, 4 * functionCount) || !InImage(image, names, 4 * nameCount) ||
      !InImage(image, ordinals, 2 * nameCount)) {
    *error = "damaged image: the export tables lie outside the image";
    return false;
  }
  for (uint32_t i = 0; i < nameCount; ++i) {
    std::string name;
    const uint16_t index = Read16(image.base + ordinals + 2 * i);
    if (!NameAt(image, Read32(image.base + names + 4 * i), &name) || index >= functionCount) {
      *error = "damaged image: export " + std::to_string(i) + " has no name or no function";
      return false;
    }
    const uint32_t rva = Read32(image.base + functions + 4 * index);
    if (rva >= directory.rva && rva - directory.rva < directory.size) {
      *error = "export " + name + " is forwarded, which a driver image does not do";
      return false;
    }
    if (!InImage(image, rva, 1)) {
      *error = "export " + name + " lies outside the image";
      return false;
    }
    image.exports[name] = image.base + rva;
  }
  return true;
}

// Read-only headers, and each section as its flags say (data that is not
// writable stays read-only, code executable), as the loader maps them.
void ProtectSections(LoadedImage &image, const Headers &h) {
  if (h.sectionAlignment % kPageBytes != 0) return;  // sections share pages: leave them writable
  mprotect(image.base, (h.sizeOfHeaders + kPageBytes - 1) / kPageBytes * kPageBytes, PROT_READ);
  for (const Section &s : h.sections) {
    const uint32_t bytes = (std::max(s.virtualSize, s.rawSize) + kPageBytes - 1) / kPageBytes * kPageBytes;
    int protection = PROT_READ;
    if ((s.characteristics & kSectionWrite) != 0) protection |= PROT_WRITE;
    if ((s.characteristics & kSectionExecute) != 0) protection |= PROT_EXEC;
    mprotect(image.base + s.virtualAddress, bytes, protection);
  }
}

}  // namespace

void ImportTable::Add(const std::string &module, const std::string &routine, const void *address) {
  modules_[Lower(module)][routine] = address;
}

const void *ImportTable::Find(const std::string &module, const std::string &routine) const {
  const auto m = modules_.find(Lower(module));
  if (m == modules_.end()) return nullptr;
  const auto r = m->second.find(routine);
  return r == m->second.end() ? nullptr : r->second;
}

size_t PeChecksumOffset(const std::vector<uint8_t> &file) {
  if (file.size() < 0x40) return 0;
  const size_t offset = static_cast<size_t>(Read32(file.data() + 0x3C)) + 4 + kFileHeaderBytes + 64;
  return offset + 4 <= file.size() ? offset : 0;
}

uint32_t PeChecksum(const std::vector<uint8_t> &file) {
  const size_t skip = PeChecksumOffset(file);
  uint32_t sum = 0;
  for (size_t i = 0; i < file.size(); i += 2) {
    if (skip != 0 && i >= skip && i < skip + 4) continue;
    const uint32_t word = file[i] | (i + 1 < file.size() ? file[i + 1] << 8 : 0);
    sum += word;
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  sum = (sum & 0xFFFF) + (sum >> 16);
  return sum + static_cast<uint32_t>(file.size());
}

bool LoadImage(const std::string &name, const std::vector<uint8_t> &file, const ImportTable &imports,
               LoadedImage *image, std::string *error) {
  Headers h;
  std::string why;
  LoadedImage loaded;
  loaded.name = name;
  bool ok = ReadHeaders(file, &h, &why);
  if (ok && (h.characteristics & kFileRelocsStripped) != 0) {
    why = "relocations stripped: the image cannot be moved from its base " + Hex(h.imageBase);
    ok = false;
  }
  if (ok) {
    loaded.size = h.sizeOfImage;
    loaded.preferredBase = h.imageBase;
    const size_t mapped = (h.sizeOfImage + kPageBytes - 1) / kPageBytes * kPageBytes;
    void *base = mmap(nullptr, mapped, PROT_READ | PROT_WRITE | PROT_EXEC, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ok = base != MAP_FAILED;
    if (!ok) why = "no memory for the image";
    if (ok) loaded.base = static_cast<uint8_t *>(base);
  }
  if (ok) {
    std::memcpy(loaded.base, file.data(), h.sizeOfHeaders);
    for (const Section &s : h.sections) {
      const uint32_t bytes = s.virtualSize != 0 ? std::min(s.rawSize, s.virtualSize) : s.rawSize;
      std::memcpy(loaded.base + s.virtualAddress, file.data() + s.rawOffset, bytes);
    }
    const Directory &relocations = h.directories[kDirectoryBaseRelocation];
    ok = relocations.size != 0 || static_cast<uint32_t>(reinterpret_cast<uintptr_t>(loaded.base)) == h.imageBase;
    if (!ok) why = "no base relocations: the image cannot be moved from its base " + Hex(h.imageBase);
    if (ok && relocations.size != 0) ok = ApplyRelocations(loaded, relocations, &why);
  }
  if (ok && h.directories[kDirectoryImport].size != 0) {
    ok = BindImports(loaded, h.directories[kDirectoryImport], imports, &why);
  }
  if (ok) ok = ReadExports(loaded, h.directories[kDirectoryExport], &why);
  if (ok && (h.entryPoint == 0 || h.entryPoint >= h.sizeOfImage)) {
    why = "damaged header: entry point " + Hex(h.entryPoint) + " is not in the image";
    ok = false;
  }
  if (!ok) {
    UnloadImage(&loaded);
    *error = name + ": " + why;
    return false;
  }
  loaded.entryPoint = loaded.base + h.entryPoint;
  ProtectSections(loaded, h);
  *image = loaded;
  return true;
}

void UnloadImage(LoadedImage *image) {
  if (image->base != nullptr) munmap(image->base, (image->size + kPageBytes - 1) / kPageBytes * kPageBytes);
  *image = LoadedImage();
}

}  // namespace driverrunner
