#include "special_pool.h"

#include <sys/mman.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

#include "hostkernel/host_control.h"

namespace driverrunner {
namespace {

constexpr size_t kPageBytes = 4096;
constexpr uint8_t kFreshByte = 0xA5;  // a new block's contents: never zero by chance
constexpr uint8_t kSlackByte = 0xEB;  // the rest of the block's pages
constexpr size_t kBlockAlignment = 8;

// One block's pages: the reservation (guard page included) and the block.
struct Reservation {
  uintptr_t start;
  size_t bytes;  // the whole reservation
  uintptr_t block;
  size_t blockBytes;
  bool freed;
};

struct SpecialPool {
  SpecialPoolPlacement placement = SpecialPoolPlacement::kEnd;
  // By block address. The pool calls the source under its own lock.
  std::map<uintptr_t, Reservation> reservations;
};

SpecialPool &ThePool() {
  static SpecialPool *pool = new SpecialPool;
  return *pool;
}

size_t DataPages(size_t bytes) { return bytes == 0 ? 1 : (bytes + kPageBytes - 1) / kPageBytes; }

[[noreturn]] void SpecialPoolBugCheck(const char *what, uintptr_t block, size_t bytes) {
  std::fprintf(stderr, "*** special pool: %s (block %p of %zu bytes)\n", what, reinterpret_cast<void *>(block),
               bytes);
  std::fflush(stderr);
  std::abort();
}

void *Allocate(size_t bytes) {
  SpecialPool &pool = ThePool();
  const size_t data = DataPages(bytes) * kPageBytes;
  void *area = mmap(nullptr, data + kPageBytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (area == MAP_FAILED) return nullptr;
  const uintptr_t start = reinterpret_cast<uintptr_t>(area);
  const bool atEnd = pool.placement == SpecialPoolPlacement::kEnd;
  const uintptr_t dataStart = atEnd ? start : start + kPageBytes;
  if (mprotect(reinterpret_cast<void *>(dataStart), data, PROT_READ | PROT_WRITE) != 0) {
    munmap(area, data + kPageBytes);
    return nullptr;
  }
  const size_t aligned = (bytes + kBlockAlignment - 1) / kBlockAlignment * kBlockAlignment;
  const uintptr_t block = atEnd ? dataStart + data - aligned : dataStart;
  std::memset(reinterpret_cast<void *>(dataStart), kSlackByte, data);
  std::memset(reinterpret_cast<void *>(block), kFreshByte, bytes);
  pool.reservations[block] = Reservation{start, data + kPageBytes, block, bytes, false};
  return reinterpret_cast<void *>(block);
}

// Freed: the slack must be untouched, and the pages go inaccessible.
void Retire(void *address, size_t) {
  SpecialPool &pool = ThePool();
  auto it = pool.reservations.find(reinterpret_cast<uintptr_t>(address));
  if (it == pool.reservations.end()) SpecialPoolBugCheck("free of a block it never gave", 0, 0);
  Reservation &r = it->second;
  const bool atEnd = pool.placement == SpecialPoolPlacement::kEnd;
  const uintptr_t dataStart = atEnd ? r.start : r.start + kPageBytes;
  const uintptr_t dataEnd = dataStart + r.bytes - kPageBytes;
  for (uintptr_t p = r.block + r.blockBytes; p < dataEnd; ++p) {
    if (*reinterpret_cast<const uint8_t *>(p) != kSlackByte) {
      SpecialPoolBugCheck("a write past the end of the block, found when it was freed", r.block, r.blockBytes);
    }
  }
  for (uintptr_t p = dataStart; p < r.block; ++p) {
    if (*reinterpret_cast<const uint8_t *>(p) != kSlackByte) {
      SpecialPoolBugCheck("a write before the start of the block, found when it was freed", r.block, r.blockBytes);
    }
  }
  mprotect(reinterpret_cast<void *>(r.start), r.bytes, PROT_NONE);
  r.freed = true;
}

void Release(void *address, size_t) {
  SpecialPool &pool = ThePool();
  auto it = pool.reservations.find(reinterpret_cast<uintptr_t>(address));
  if (it == pool.reservations.end()) SpecialPoolBugCheck("release of a block it never gave", 0, 0);
  munmap(reinterpret_cast<void *>(it->second.start), it->second.bytes);
  pool.reservations.erase(it);
}

constexpr hostkernel::PoolBlockSource kSpecialPool = {Allocate, Retire, Release};

}  // namespace

void InstallSpecialPool(SpecialPoolPlacement placement) {
  ThePool().placement = placement;
  hostkernel::SetPoolBlockSource(&kSpecialPool);
}

SpecialPoolPlacement PlacementFromEnvironment() {
  const char *value = std::getenv("SORVEX_SPECIAL_POOL");
  return value != nullptr && std::strcmp(value, "start") == 0 ? SpecialPoolPlacement::kStart
                                                               : SpecialPoolPlacement::kEnd;
}

// Called from the fault handler, with the program about to stop: reads the
// map without the pool's lock, which the faulting thread may hold.
bool DescribeSpecialPoolFault(uintptr_t address, char *text, size_t bytes) {
  for (const auto &entry : ThePool().reservations) {
    const Reservation &r = entry.second;
    if (address < r.start || address - r.start >= r.bytes) continue;
    const char *what = r.freed                         ? "use after free of"
                       : address >= r.block + r.blockBytes ? "access past the end of"
                                                           : "access before the start of";
    std::snprintf(text, bytes, "*** special pool: %s the %zu-byte pool block at %p (access at %p)\n", what,
                  r.blockBytes, reinterpret_cast<void *>(r.block), reinterpret_cast<void *>(address));
    return true;
  }
  return false;
}

}  // namespace driverrunner
