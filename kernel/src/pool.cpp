// ExAllocatePoolWithTag / ExFreePool with a record per block, so that tests
// can list live blocks, check tags and make an allocation fail.
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <map>
#include <mutex>

#include "hostkernel/host_control.h"

namespace hostkernel {
namespace {

struct BlockRecord {
  POOL_TYPE type;
  uint32_t tag;
  size_t size;
  uint64_t serial;  // allocation order, for listing oldest first
};

// Freed blocks are held back for a while before going back to the C library,
// so that a double free is not hidden by the address being handed out again.
constexpr size_t kQuarantineBlocks = 256;

// The C library's heap: what the pool takes its blocks from unless a
// special pool is installed.
void *HeapAllocate(size_t bytes) {
  // A zero-size request still gets a block of its own, with a unique address.
  const size_t rounded = (bytes + 15) / 16 * 16;
  return std::aligned_alloc(16, rounded == 0 ? 16 : rounded);
}
void HeapRetire(void *, size_t) {}
void HeapRelease(void *block, size_t) { std::free(block); }
constexpr PoolBlockSource kHeap = {HeapAllocate, HeapRetire, HeapRelease};

struct QuarantinedBlock {
  void *block;
  size_t size;
};

struct Pool {
  std::mutex mutex;
  const PoolBlockSource *source = &kHeap;
  std::map<const void *, BlockRecord> live;
  std::deque<QuarantinedBlock> quarantine;
  uint64_t allocationCount = 0;
  uint64_t failCountdown = 0;  // 0: no failure armed
};

// Leaked on purpose: usable from static destructors of test programs.
Pool &ThePool() {
  static Pool *pool = new Pool;
  return *pool;
}

[[noreturn]] void PoolBugCheck(const char *what, const void *address) {
  std::fprintf(stderr, "*** pool bug check: %s (%p)\n", what, address);
  std::fflush(stderr);
  std::abort();
}

// Consumes one allocation attempt; true when this one is to fail.
bool ConsumeInjectedFailure(Pool &pool) {
  ++pool.allocationCount;
  if (pool.failCountdown == 0) return false;
  return --pool.failCountdown == 0;
}

void Quarantine(Pool &pool, void *block, size_t size) {
  pool.source->retire(block, size);
  pool.quarantine.push_back(QuarantinedBlock{block, size});
  if (pool.quarantine.size() > kQuarantineBlocks) {
    pool.source->release(pool.quarantine.front().block, pool.quarantine.front().size);
    pool.quarantine.pop_front();
  }
}

void ReleaseQuarantine(Pool &pool) {
  for (const QuarantinedBlock &q : pool.quarantine) pool.source->release(q.block, q.size);
  pool.quarantine.clear();
}

}  // namespace

std::vector<PoolBlock> LivePoolBlocks() {
  Pool &pool = ThePool();
  std::lock_guard<std::mutex> lock(pool.mutex);
  std::map<uint64_t, PoolBlock> bySerial;
  for (const auto &entry : pool.live) {
    const BlockRecord &r = entry.second;
    bySerial[r.serial] = PoolBlock{entry.first, r.type, r.tag, r.size};
  }
  std::vector<PoolBlock> blocks;
  for (const auto &entry : bySerial) blocks.push_back(entry.second);
  return blocks;
}

void FailNthAllocation(uint64_t n) {
  Pool &pool = ThePool();
  std::lock_guard<std::mutex> lock(pool.mutex);
  pool.failCountdown = n;
}

void SetPoolBlockSource(const PoolBlockSource *source) {
  Pool &pool = ThePool();
  std::lock_guard<std::mutex> lock(pool.mutex);
  if (!pool.live.empty()) PoolBugCheck("pool block source changed while blocks are live", nullptr);
  ReleaseQuarantine(pool);
  pool.source = source != nullptr ? source : &kHeap;
}

uint64_t AllocationCount() {
  Pool &pool = ThePool();
  std::lock_guard<std::mutex> lock(pool.mutex);
  return pool.allocationCount;
}

}  // namespace hostkernel

using hostkernel::BlockRecord;
using hostkernel::Pool;
using hostkernel::ThePool;

extern "C" PVOID NTAPI ExAllocatePoolWithTag(POOL_TYPE PoolType, SIZE_T NumberOfBytes, ULONG Tag) {
  Pool &pool = ThePool();
  std::lock_guard<std::mutex> lock(pool.mutex);
  if (hostkernel::ConsumeInjectedFailure(pool)) return nullptr;
  void *block = pool.source->allocate(NumberOfBytes);
  if (block == nullptr) return nullptr;
  pool.live[block] = BlockRecord{PoolType, Tag, NumberOfBytes, pool.allocationCount};
  return block;
}

extern "C" void NTAPI ExFreePool(PVOID P) {
  Pool &pool = ThePool();
  std::lock_guard<std::mutex> lock(pool.mutex);
  auto it = pool.live.find(P);
  if (it == pool.live.end()) {
    hostkernel::PoolBugCheck("ExFreePool of a block that is not allocated (unknown or freed twice)", P);
  }
  const size_t size = it->second.size;
  pool.live.erase(it);
  hostkernel::Quarantine(pool, P, size);
}
