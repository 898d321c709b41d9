// The host's BIOS: a BIOS area with a BIOS32 service directory at its usual
// place, and a PCI service whose configuration read answers with the host's
// real PCI host bridge (as Linux exposes it) or a value a test injected.

#include <cstdio>

#include "hostkernel/host_control.h"
#include "sorvex_kernel.h"

namespace hostkernel {
namespace {

constexpr uint64_t kBiosAreaBase = 0xE0000;
constexpr uint32_t kBiosAreaBytes = 0x20000;
constexpr uint32_t kDirectoryAddress = 0xFD000;
constexpr uint32_t kDirectoryEntry = 0xFD010;
constexpr uint32_t kPciServiceEntry = 0xFD020;
constexpr uint32_t kPciServiceName = 0x49435024;  // "$PCI"
constexpr uint32_t kReadConfigDword = 0xB10A;

struct BiosState {
  bool pciServicePresent = true;
  bool injected = false;
  uint32_t injectedId = 0;
};

BiosState &State() {
  static BiosState *state = new BiosState;
  return *state;
}

uint32_t ReadRealHostBridgeId() {
  std::FILE *file = std::fopen("/sys/bus/pci/devices/0000:00:00.0/config", "rb");
  if (file == nullptr) return 0;
  uint8_t bytes[4] = {0, 0, 0, 0};
  const size_t got = std::fread(bytes, 1, sizeof(bytes), file);
  std::fclose(file);
  if (got != sizeof(bytes)) return 0;
  return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
         static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

void PutLe32(std::vector<uint8_t> &image, uint32_t offset, uint32_t value) {
  for (uint32_t i = 0; i < 4; ++i) image[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

std::vector<uint8_t> DefaultBiosArea() {
  std::vector<uint8_t> image(kBiosAreaBytes, 0);
  const uint32_t at = kDirectoryAddress - static_cast<uint32_t>(kBiosAreaBase);
  image[at + 0] = '_';
  image[at + 1] = '3';
  image[at + 2] = '2';
  image[at + 3] = '_';
  PutLe32(image, at + 4, kDirectoryEntry);
  image[at + 8] = 0;  // revision
  image[at + 9] = 1;  // length in paragraphs
  uint8_t sum = 0;
  for (uint32_t i = 0; i < 16; ++i) sum = static_cast<uint8_t>(sum + image[at + i]);
  image[at + 10] = static_cast<uint8_t>(0x100 - sum);
  return image;
}

void InstallDefaultBiosArea() { SetPhysicalMemory(kBiosAreaBase, DefaultBiosArea()); }

void SetPciHostBridgeId(uint32_t id) {
  State().injected = true;
  State().injectedId = id;
}

void UseRealPciHostBridge() { State().injected = false; }

void SetPciServicePresent(bool present) { State().pciServicePresent = present; }

}  // namespace hostkernel

// Dispatches on the function requested, as the BIOS's own code would.
void Bios32FarCall(const uint8_t *, Bios32Registers *registers) {
  hostkernel::BiosState &state = hostkernel::State();
  if (registers->eax == hostkernel::kPciServiceName) {
    if (!state.pciServicePresent) {
      registers->eax = (registers->eax & ~0xFFu) | 0x80u;  // service not present
      return;
    }
    registers->eax &= ~0xFFu;
    registers->ebx = hostkernel::kPciServiceEntry;  // base
    registers->ecx = 0x100;                          // length
    registers->edx = 0;                              // offset of the entry point
    return;
  }
  if ((registers->eax & 0xFFFF) == hostkernel::kReadConfigDword && registers->ebx == 0 &&
      registers->edi == 0) {
    registers->ecx = state.injected ? state.injectedId : hostkernel::ReadRealHostBridgeId();
    registers->eax &= ~0xFF00u;  // AH = 0: successful
    return;
  }
  registers->eax = (registers->eax & ~0xFF00u) | 0x8100u;  // AH = 0x81: function not supported
}
