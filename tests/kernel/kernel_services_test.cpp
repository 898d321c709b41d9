// Pool, clock, debugger output and physical memory mapping.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "hostkernel/host_control.h"
#include "sorvex_kernel.h"

namespace {

using hostkernel::PoolBlock;

const PoolBlock *FindBlock(const std::vector<PoolBlock> &blocks, const void *address) {
  auto it = std::find_if(blocks.begin(), blocks.end(), [&](const PoolBlock &b) { return b.address == address; });
  return it == blocks.end() ? nullptr : &*it;
}

TEST(Pool, RecordsEachLiveBlockOldestFirstUntilFreed) {
  void *paged = ExAllocatePoolWithTag(PagedPool, 100, SORVEX_POOL_TAG);
  void *nonPaged = ExAllocatePoolWithTag(NonPagedPool, 7, 0x41424344u);
  ASSERT_NE(paged, nullptr);
  ASSERT_NE(nonPaged, nullptr);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(paged) % 16, 0u);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(nonPaged) % 16, 0u);

  std::vector<PoolBlock> blocks = hostkernel::LivePoolBlocks();
  const PoolBlock *first = FindBlock(blocks, paged);
  const PoolBlock *second = FindBlock(blocks, nonPaged);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_LT(first, second);
  EXPECT_EQ(first->type, PagedPool);
  EXPECT_EQ(first->tag, SORVEX_POOL_TAG);
  EXPECT_EQ(first->size, 100u);
  EXPECT_EQ(second->type, NonPagedPool);
  EXPECT_EQ(second->tag, 0x41424344u);
  EXPECT_EQ(second->size, 7u);

  ExFreePool(paged);
  blocks = hostkernel::LivePoolBlocks();
  EXPECT_EQ(FindBlock(blocks, paged), nullptr);
  EXPECT_NE(FindBlock(blocks, nonPaged), nullptr);
  ExFreePool(nonPaged);
  EXPECT_EQ(FindBlock(hostkernel::LivePoolBlocks(), nonPaged), nullptr);
}

TEST(Pool, ZeroSizeAllocationsAreDistinctBlocks) {
  void *a = ExAllocatePoolWithTag(NonPagedPool, 0, 1);
  void *b = ExAllocatePoolWithTag(NonPagedPool, 0, 1);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_NE(a, b);
  ASSERT_NE(FindBlock(hostkernel::LivePoolBlocks(), a), nullptr);
  EXPECT_EQ(FindBlock(hostkernel::LivePoolBlocks(), a)->size, 0u);
  ExFreePool(a);
  ExFreePool(b);
}

TEST(Pool, FailNthAllocationFailsExactlyThatOneAndCountsIt) {
  const uint64_t before = hostkernel::AllocationCount();
  hostkernel::FailNthAllocation(3);
  void *first = ExAllocatePoolWithTag(PagedPool, 8, 1);
  void *second = ExAllocatePoolWithTag(PagedPool, 8, 1);
  const size_t liveBeforeFailure = hostkernel::LivePoolBlocks().size();
  void *third = ExAllocatePoolWithTag(PagedPool, 8, 1);
  void *fourth = ExAllocatePoolWithTag(PagedPool, 8, 1);
  EXPECT_NE(first, nullptr);
  EXPECT_NE(second, nullptr);
  EXPECT_EQ(third, nullptr);
  EXPECT_NE(fourth, nullptr);
  EXPECT_EQ(hostkernel::LivePoolBlocks().size(), liveBeforeFailure + 1);
  EXPECT_EQ(hostkernel::AllocationCount(), before + 4);
  ExFreePool(first);
  ExFreePool(second);
  ExFreePool(fourth);
}

TEST(Pool, FailNthAllocationZeroDisarms) {
  hostkernel::FailNthAllocation(1);
  hostkernel::FailNthAllocation(0);
  void *block = ExAllocatePoolWithTag(PagedPool, 8, 1);
  EXPECT_NE(block, nullptr);
  ExFreePool(block);
}

TEST(PoolDeathTest, DoubleFreeAndUnknownPointerStopTheProgram) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(
      {
        void *block = ExAllocatePoolWithTag(PagedPool, 8, 1);
        ExFreePool(block);
        ExFreePool(block);
      },
      "pool bug check");
  int local = 0;
  EXPECT_DEATH(ExFreePool(&local), "pool bug check");
}

TEST(SystemTime, SetFreezesAndAdvanceMovesTheClock) {
  hostkernel::SetSystemTime(132000000000000000LL);
  LARGE_INTEGER now;
  KeQuerySystemTime(&now);
  EXPECT_EQ(now.QuadPart, 132000000000000000LL);
  KeQuerySystemTime(&now);
  EXPECT_EQ(now.QuadPart, 132000000000000000LL);
  hostkernel::AdvanceSystemTime(10000000);
  KeQuerySystemTime(&now);
  EXPECT_EQ(now.QuadPart, 132000000010000000LL);
  hostkernel::FollowRealClock();
}

TEST(SystemTime, AdvancingTheRealClockFreezesItAhead) {
  hostkernel::FollowRealClock();
  LARGE_INTEGER before, first, second;
  KeQuerySystemTime(&before);
  hostkernel::AdvanceSystemTime(36000000000LL);  // an hour
  KeQuerySystemTime(&first);
  KeQuerySystemTime(&second);
  EXPECT_GE(first.QuadPart, before.QuadPart + 36000000000LL);
  EXPECT_EQ(first.QuadPart, second.QuadPart);
  hostkernel::FollowRealClock();
  KeQuerySystemTime(&second);
  EXPECT_LT(second.QuadPart, first.QuadPart);
}

TEST(SystemTime, RealClockCountsFrom1601) {
  hostkernel::FollowRealClock();
  LARGE_INTEGER now;
  KeQuerySystemTime(&now);
  // 2020-01-01 and 2200-01-01 in 100 ns units since 1601-01-01.
  EXPECT_GT(now.QuadPart, 132223104000000000LL);
  EXPECT_LT(now.QuadPart, 189027936000000000LL);
}

TEST(DebugOutput, DbgPrintFormatsIntoTheCapturedBuffer) {
  hostkernel::ClearDebugOutput();
  EXPECT_EQ(DbgPrint("frame %d of %s: 0x%08x\n", 3, "camera", 0xBEEFu), 0u);
  DbgPrint("%5.2f|%-4s|", 1.5, "ab");
  EXPECT_EQ(hostkernel::DebugOutput(), "frame 3 of camera: 0x0000beef\n 1.50|ab  |");
  hostkernel::ClearDebugOutput();
  EXPECT_EQ(hostkernel::DebugOutput(), "");
}

TEST(PhysicalMemory, MapsCopiesOfRangesInsideInstalledRegions) {
  hostkernel::ClearPhysicalMemory();
  hostkernel::SetPhysicalMemory(0xF0000, {1, 2, 3, 4, 5, 6, 7, 8});
  PHYSICAL_ADDRESS address;
  address.QuadPart = 0xF0002;
  uint8_t *mapped = static_cast<uint8_t *>(MmMapIoSpace(address, 4, MmNonCached));
  ASSERT_NE(mapped, nullptr);
  EXPECT_EQ(mapped[0], 3);
  EXPECT_EQ(mapped[3], 6);
  mapped[0] = 0xAA;  // writable
  MmUnmapIoSpace(mapped, 4);

  address.QuadPart = 0xF0000;
  uint8_t *whole = static_cast<uint8_t *>(MmMapIoSpace(address, 8, MmCached));
  ASSERT_NE(whole, nullptr);
  EXPECT_EQ(whole[7], 8);
  MmUnmapIoSpace(whole, 8);

  address.QuadPart = 0xF0005;
  EXPECT_EQ(MmMapIoSpace(address, 4, MmNonCached), nullptr);  // runs past the end
  address.QuadPart = 0xEFFFF;
  EXPECT_EQ(MmMapIoSpace(address, 2, MmNonCached), nullptr);  // starts before it
  address.QuadPart = 0x10000;
  EXPECT_EQ(MmMapIoSpace(address, 1, MmNonCached), nullptr);  // nothing installed
  hostkernel::ClearPhysicalMemory();
}

TEST(PhysicalMemoryDeathTest, UnmappingAnUnknownAddressStopsTheProgram) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  int local = 0;
  EXPECT_DEATH(MmUnmapIoSpace(&local, sizeof local), "io space bug check");
}

TEST(FloatingPointState, SavesNestAndAreCountedUntilRestored) {
  const hostkernel::FloatingPointStateCounts before = hostkernel::FloatingPointCounts();
  KFLOATING_SAVE outer;
  KFLOATING_SAVE inner;
  ASSERT_EQ(KeSaveFloatingPointState(&outer), STATUS_SUCCESS);
  ASSERT_EQ(KeSaveFloatingPointState(&inner), STATUS_SUCCESS);
  EXPECT_EQ(hostkernel::FloatingPointCounts().open, before.open + 2);
  EXPECT_EQ(KeRestoreFloatingPointState(&inner), STATUS_SUCCESS);
  EXPECT_EQ(KeRestoreFloatingPointState(&outer), STATUS_SUCCESS);
  const hostkernel::FloatingPointStateCounts after = hostkernel::FloatingPointCounts();
  EXPECT_EQ(after.saves, before.saves + 2);
  EXPECT_EQ(after.restores, before.restores + 2);
  EXPECT_EQ(after.failedSaves, before.failedSaves);
  EXPECT_EQ(after.open, before.open);
}

TEST(FloatingPointState, FailedSavesLeaveNothingToRestore) {
  const hostkernel::FloatingPointStateCounts before = hostkernel::FloatingPointCounts();
  hostkernel::FailFloatingPointSaves(true);
  KFLOATING_SAVE area;
  EXPECT_EQ(KeSaveFloatingPointState(&area), STATUS_INSUFFICIENT_RESOURCES);
  EXPECT_EQ(KeSaveFloatingPointState(&area), STATUS_INSUFFICIENT_RESOURCES);
  hostkernel::FailFloatingPointSaves(false);
  hostkernel::FloatingPointStateCounts after = hostkernel::FloatingPointCounts();
  EXPECT_EQ(after.saves, before.saves + 2);
  EXPECT_EQ(after.failedSaves, before.failedSaves + 2);
  EXPECT_EQ(after.open, before.open);
  ASSERT_EQ(KeSaveFloatingPointState(&area), STATUS_SUCCESS);
  EXPECT_EQ(KeRestoreFloatingPointState(&area), STATUS_SUCCESS);
  after = hostkernel::FloatingPointCounts();
  EXPECT_EQ(after.failedSaves, before.failedSaves + 2);
  EXPECT_EQ(after.open, before.open);
}

TEST(FloatingPointStateDeathTest, RestoresOutOfOrderOrWithoutASaveStopTheProgram) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(
      {
        KFLOATING_SAVE never{};
        KeRestoreFloatingPointState(&never);
      },
      "floating point bug check");
  EXPECT_DEATH(
      {
        KFLOATING_SAVE outer;
        KFLOATING_SAVE inner;
        KeSaveFloatingPointState(&outer);
        KeSaveFloatingPointState(&inner);
        KeRestoreFloatingPointState(&outer);
      },
      "floating point bug check");
  EXPECT_DEATH(
      {
        KFLOATING_SAVE area;
        KeSaveFloatingPointState(&area);
        KeRestoreFloatingPointState(&area);
        KeRestoreFloatingPointState(&area);
      },
      "floating point bug check");
}

TEST(VectorSets, TheProbeAnswersTheHostsSetsLessThoseWithheld) {
  const uint32_t host = hostkernel::HostVectorSets();
  EXPECT_EQ(ProbeVectorSets(), host);
  hostkernel::LimitVectorSets(SORVEX_VECTOR_SSE2);
  EXPECT_EQ(ProbeVectorSets(), host & SORVEX_VECTOR_SSE2);
  hostkernel::LimitVectorSets(0);
  EXPECT_EQ(ProbeVectorSets(), 0u);
  hostkernel::LimitVectorSets(~0u);
  EXPECT_EQ(ProbeVectorSets(), host);
#if defined(__x86_64__)
  EXPECT_NE(host & SORVEX_VECTOR_SSE2, 0u) << "every x86-64 processor has SSE2";
#endif
}

}  // namespace
