// MmMapIoSpace over physical memory regions that tests install. A mapping is
// a private writable copy of the range, released by MmUnmapIoSpace.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

#include "hostkernel/host_control.h"

namespace hostkernel {
namespace {

struct PhysicalMemory {
  std::mutex mutex;
  std::map<uint64_t, std::vector<uint8_t>> regions;  // by start address
  std::map<void *, SIZE_T> mappings;                  // mapped copy -> size
};

// Leaked on purpose: usable from static destructors of test programs.
PhysicalMemory &ThePhysicalMemory() {
  static PhysicalMemory *memory = new PhysicalMemory;
  return *memory;
}

// The region holding [address, address + bytes), or null.
const std::vector<uint8_t> *RegionHolding(const PhysicalMemory &memory, uint64_t address, uint64_t bytes,
                                          uint64_t *offset) {
  for (const auto &entry : memory.regions) {
    const uint64_t start = entry.first;
    const uint64_t size = entry.second.size();
    if (address >= start && address - start <= size && bytes <= size - (address - start)) {
      *offset = address - start;
      return &entry.second;
    }
  }
  return nullptr;
}

[[noreturn]] void MappingBugCheck(const char *what, const void *address) {
  std::fprintf(stderr, "*** io space bug check: %s (%p)\n", what, address);
  std::fflush(stderr);
  std::abort();
}

}  // namespace

void SetPhysicalMemory(uint64_t address, const std::vector<uint8_t> &bytes) {
  PhysicalMemory &memory = ThePhysicalMemory();
  std::lock_guard<std::mutex> lock(memory.mutex);
  memory.regions[address] = bytes;
}

void ClearPhysicalMemory() {
  PhysicalMemory &memory = ThePhysicalMemory();
  std::lock_guard<std::mutex> lock(memory.mutex);
  memory.regions.clear();
}

}  // namespace hostkernel

extern "C" PVOID NTAPI MmMapIoSpace(PHYSICAL_ADDRESS PhysicalAddress, SIZE_T NumberOfBytes, MEMORY_CACHING_TYPE) {
  hostkernel::PhysicalMemory &memory = hostkernel::ThePhysicalMemory();
  std::lock_guard<std::mutex> lock(memory.mutex);
  if (NumberOfBytes == 0 || PhysicalAddress.QuadPart < 0) return nullptr;
  uint64_t offset = 0;
  const std::vector<uint8_t> *region =
      hostkernel::RegionHolding(memory, static_cast<uint64_t>(PhysicalAddress.QuadPart), NumberOfBytes, &offset);
  if (region == nullptr) return nullptr;
  void *copy = std::malloc(NumberOfBytes);
  if (copy == nullptr) return nullptr;
  std::memcpy(copy, region->data() + offset, NumberOfBytes);
  memory.mappings[copy] = NumberOfBytes;
  return copy;
}

extern "C" void NTAPI MmUnmapIoSpace(PVOID BaseAddress, SIZE_T NumberOfBytes) {
  hostkernel::PhysicalMemory &memory = hostkernel::ThePhysicalMemory();
  std::lock_guard<std::mutex> lock(memory.mutex);
  auto it = memory.mappings.find(BaseAddress);
  if (it == memory.mappings.end()) hostkernel::MappingBugCheck("MmUnmapIoSpace of an address not mapped", BaseAddress);
  if (it->second != NumberOfBytes) hostkernel::MappingBugCheck("MmUnmapIoSpace with a size other than mapped", BaseAddress);
  std::free(it->first);
  memory.mappings.erase(it);
}
