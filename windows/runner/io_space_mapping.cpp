#include "io_space_mapping.h"

#include <sys/mman.h>

#include <cstring>
#include <map>
#include <mutex>

namespace driverrunner {
namespace {

constexpr size_t kPageBytes = 4096;
constexpr uint32_t kPciServiceName = 0x49435024;  // "$PCI"
constexpr size_t kStubBytes = 16;

struct Mapping {
  void *hostCopy;
  size_t mappedBytes;
};

struct Mappings {
  std::mutex mutex;
  std::map<void *, Mapping> byAddress;
  uint32_t stubCalls = 0;
};

Mappings &TheMappings() {
  static Mappings *mappings = new Mappings;
  return *mappings;
}

// The registers as PUSHAD leaves them, lowest address first.
struct PushadFrame {
  uint32_t edi, esi, ebp, esp, ebx, edx, ecx, eax;
};

// The stub's call: the host layer's BIOS answers.
void BiosStubHandler(PushadFrame *frame) {
  Bios32Registers registers = {frame->eax, frame->ebx, frame->ecx, frame->edx, frame->esi, frame->edi};
  Bios32FarCall(nullptr, &registers);
  frame->eax = registers.eax;
  frame->ebx = registers.ebx;
  frame->ecx = registers.ecx;
  frame->edx = registers.edx;
  frame->esi = registers.esi;
  frame->edi = registers.edi;
  ++TheMappings().stubCalls;
}

// pushal; push %esp; mov $handler, %eax; call *%eax; add $4, %esp; popal; lret
void WriteStub(uint8_t *at) {
  const uint32_t handler = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&BiosStubHandler));
  const uint8_t code[kStubBytes] = {0x60, 0x54, 0xB8, static_cast<uint8_t>(handler), static_cast<uint8_t>(handler >> 8),
                                    static_cast<uint8_t>(handler >> 16), static_cast<uint8_t>(handler >> 24),
                                    0xFF, 0xD0, 0x83, 0xC4, 0x04, 0x61, 0xCB, 0x90, 0x90};
  std::memcpy(at, code, kStubBytes);
}

void PlaceStubAt(uint8_t *mapped, uint64_t physical, size_t bytes, uint64_t entry) {
  if (bytes >= kStubBytes && entry >= physical && entry - physical <= bytes - kStubBytes) {
    WriteStub(mapped + (entry - physical));
  }
}

uint32_t ReadLe32(const uint8_t *p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

// Code at the entry of each BIOS32 directory in the mapping (a valid "_32_"
// header on a 16-byte boundary) and at the PCI service's entry as the host's
// BIOS reports it.
void PlaceBiosStubs(uint8_t *mapped, uint64_t physical, size_t bytes) {
  for (size_t at = (16 - physical % 16) % 16; at + 16 <= bytes; at += 16) {
    const uint8_t *header = mapped + at;
    if (std::memcmp(header, "_32_", 4) != 0) continue;
    uint8_t sum = 0;
    for (size_t k = 0; k < 16; ++k) sum = static_cast<uint8_t>(sum + header[k]);
    if (sum != 0) continue;
    PlaceStubAt(mapped, physical, bytes, ReadLe32(header + 4));
  }
  Bios32Registers lookup = {kPciServiceName, 0, 0, 0, 0, 0};
  Bios32FarCall(nullptr, &lookup);
  if ((lookup.eax & 0xFF) == 0) PlaceStubAt(mapped, physical, bytes, static_cast<uint64_t>(lookup.ebx) + lookup.edx);
}

}  // namespace

PVOID NTAPI MapIoSpaceExecutable(PHYSICAL_ADDRESS address, SIZE_T bytes, MEMORY_CACHING_TYPE caching) {
  void *hostCopy = MmMapIoSpace(address, bytes, caching);
  if (hostCopy == nullptr) return nullptr;
  const size_t mappedBytes = (bytes + kPageBytes - 1) / kPageBytes * kPageBytes;
  void *mapped = mmap(nullptr, mappedBytes, PROT_READ | PROT_WRITE | PROT_EXEC, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) {
    MmUnmapIoSpace(hostCopy, bytes);
    return nullptr;
  }
  std::memcpy(mapped, hostCopy, bytes);
  PlaceBiosStubs(static_cast<uint8_t *>(mapped), static_cast<uint64_t>(address.QuadPart), bytes);
  Mappings &mappings = TheMappings();
  std::lock_guard<std::mutex> lock(mappings.mutex);
  mappings.byAddress[mapped] = Mapping{hostCopy, mappedBytes};
  return mapped;
}

void NTAPI UnmapIoSpaceExecutable(PVOID base, SIZE_T bytes) {
  Mappings &mappings = TheMappings();
  Mapping mapping = {base, 0};
  {
    std::lock_guard<std::mutex> lock(mappings.mutex);
    auto it = mappings.byAddress.find(base);
    if (it != mappings.byAddress.end()) {
      mapping = it->second;
      mappings.byAddress.erase(it);
    }
  }
  // The host layer checks the address and the size (and stops the program
  // on an address it never mapped).
  MmUnmapIoSpace(mapping.hostCopy, bytes);
  if (mapping.mappedBytes != 0) munmap(base, mapping.mappedBytes);
}

uint32_t Bios32StubCalls() { return TheMappings().stubCalls; }

}  // namespace driverrunner
