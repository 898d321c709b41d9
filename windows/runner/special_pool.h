// The special pool, as the kernel's driver verifier keeps one: every pool
// block on pages of its own next to an unmapped page, so that the shipped
// code's overrun (blocks at the end of their pages, the page after them
// unmapped) or underrun (blocks at the start, the page before unmapped)
// faults on the first byte, and a freed block's pages stay unmapped while
// the pool holds the block back, so that a use after free faults too.
// Bytes between a block's end and its page's end are filled with a pattern
// that is checked when the block is freed.
#pragma once

#include <cstddef>
#include <cstdint>

namespace driverrunner {

enum class SpecialPoolPlacement { kEnd, kStart };

// Makes the host kernel's pool take its blocks from the special pool.
void InstallSpecialPool(SpecialPoolPlacement placement);
// The placement SORVEX_SPECIAL_POOL asks for: "start", else the end.
SpecialPoolPlacement PlacementFromEnvironment();

// For the fault handler: when `address` lies in a guard page or a freed
// block of the special pool, writes what was hit to `text`.
bool DescribeSpecialPoolFault(uintptr_t address, char *text, size_t bytes);

}  // namespace driverrunner
