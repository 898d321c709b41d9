// Controls of the host kernel layer for tests and tools: inspect and fail the
// pool, set the clock, read the debugger output, load and save the registry,
// make device objects and map physical memory. The drivers never include this.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hostkernel/nt_host.h"

namespace hostkernel {

// ---- Pool ----
struct PoolBlock {
  const void *address;
  POOL_TYPE type;
  uint32_t tag;
  size_t size;
};
// Blocks allocated and not yet freed, oldest first.
std::vector<PoolBlock> LivePoolBlocks();
// Makes the n-th allocation from now (1 = the next one) return null; 0 disarms.
void FailNthAllocation(uint64_t n);
// Where the pool's blocks come from: the C library's heap unless a test
// installs another source, such as a special pool that puts each block
// against an unmapped page. `retire` is told when a block is freed,
// `release` when the pool, after holding freed blocks back for a while,
// lets it go. Only while no block is live; null restores the heap.
struct PoolBlockSource {
  void *(*allocate)(size_t bytes);  // null when there is no memory
  void (*retire)(void *block, size_t bytes);
  void (*release)(void *block, size_t bytes);
};
void SetPoolBlockSource(const PoolBlockSource *source);
// Allocations made since the layer started (failed ones included).
uint64_t AllocationCount();

// ---- Time (100 ns units since 1601-01-01, as KeQuerySystemTime) ----
// By default the clock follows the real time. Setting it freezes it at that
// value until it is advanced or set again; FollowRealClock() undoes this.
// Advancing a clock that follows the real time freezes it at now + delta.
void SetSystemTime(int64_t time100ns);
void AdvanceSystemTime(int64_t delta100ns);
void FollowRealClock();

// ---- Debugger output ----
std::string DebugOutput();
void ClearDebugOutput();
void EchoDebugOutput(bool toStderr);

// ---- Registry ----
// Paths are absolute kernel paths such as \REGISTRY\MACHINE\SYSTEM\...;
// key names compare case-insensitively. The hives MACHINE and USER always
// exist. A key handle names a key by path: once the key is gone, calls on
// the handle fail with STATUS_KEY_DELETED.
//
// Empties the registry and clears injected key failures. Open handles stay
// open, so that leak checks still see them.
void ResetRegistry();
// Loads a file in the regedit export format, replacing the whole registry.
// On failure returns false and sets *error to a message naming the line.
bool LoadRegistryFile(const std::string &path, std::string *error);
bool LoadRegistryText(const std::string &text, std::string *error);
bool SaveRegistryFile(const std::string &path, std::string *error);
std::string SaveRegistryText();
// Makes opening or creating this key (and only this one) fail with `status`
// until cleared. An empty path clears every injected failure.
void FailKeyOpen(const std::string &absolutePath, NTSTATUS status);
void ClearKeyFailures();
// Direct access for test set-up and checks (UTF-8 names). Setting a value
// creates its key and the missing parents. A path that is not
// \REGISTRY\<hive>\... given to FailKeyOpen or SetRegistry* stops the
// program: it is a mistake in the caller.
void SetRegistryValue(const std::string &keyPath, const std::string &name, uint32_t type,
                      const std::vector<uint8_t> &data);
void SetRegistryDword(const std::string &keyPath, const std::string &name, uint32_t value);
bool GetRegistryValue(const std::string &keyPath, const std::string &name, uint32_t *type,
                      std::vector<uint8_t> *data);
bool KeyExists(const std::string &keyPath);
std::vector<std::string> ValueNames(const std::string &keyPath);
size_t OpenKeyHandleCount();

// ---- Device objects ----
// A device object whose driver key (PLUGPLAY_REGKEY_DRIVER) is the given
// absolute path, for example the image class instance
// \REGISTRY\MACHINE\SYSTEM\CurrentControlSet\Control\Class\{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\0000.
PDEVICE_OBJECT CreateDeviceObject(const std::string &driverKeyPath);
void DeleteDeviceObject(PDEVICE_OBJECT device);

// ---- Physical memory (for MmMapIoSpace) ----
// Installs bytes at a physical address; mapping a range inside an installed
// region returns a pointer into a copy of it. Other ranges map to null.
void SetPhysicalMemory(uint64_t address, const std::vector<uint8_t> &bytes);
void ClearPhysicalMemory();

// ---- UTF-16 helpers for tests and tools ----
std::u16string ToUtf16(const std::string &utf8);
std::string ToUtf8(const std::u16string &utf16);

}  // namespace hostkernel

namespace hostkernel {

// ---- BIOS (for the PCI BIOS32 service) ----
// A 128 KiB image of the BIOS area 0xE0000..0xFFFFF holding a valid BIOS32
// service directory, as a PC has. Installed in physical memory by
// InstallDefaultBiosArea(); tests install variants with SetPhysicalMemory.
std::vector<uint8_t> DefaultBiosArea();
void InstallDefaultBiosArea();
// The PCI service's configuration read of bus 0, device 0, function 0
// returns this value instead of the host's real host bridge id.
void SetPciHostBridgeId(uint32_t id);
void UseRealPciHostBridge();
// Whether the BIOS32 directory knows the "$PCI" service.
void SetPciServicePresent(bool present);

}  // namespace hostkernel
