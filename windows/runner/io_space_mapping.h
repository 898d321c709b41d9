// MmMapIoSpace and MmUnmapIoSpace as the drivers see them in the runner:
// the host kernel layer's mapping, copied to executable pages of their own
// (an i386 kernel without PAE maps nothing non-executable), with the BIOS's
// code placed at the BIOS32 entry points the mapping holds: a far-callable
// stub that hands the registers to the host layer's BIOS (kernel/src/
// bios32.cpp) and returns with a far return. So the drivers' own BIOS32 far
// call runs as it does on a PC.
#pragma once

#include "sorvex_kernel.h"

namespace driverrunner {

PVOID NTAPI MapIoSpaceExecutable(PHYSICAL_ADDRESS address, SIZE_T bytes, MEMORY_CACHING_TYPE caching);
void NTAPI UnmapIoSpaceExecutable(PVOID base, SIZE_T bytes);

// Far calls the stubs have served since the program started.
uint32_t Bios32StubCalls();

}  // namespace driverrunner
