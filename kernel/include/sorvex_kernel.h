// The one header through which the driver libraries reach the Windows kernel.
// On the Windows target it is the DDK; on the host it is our kernel layer,
// which implements the same routines with the same types and layouts.
#pragma once

#include <stdint.h>

#if defined(SORVEX_WINDOWS_KERNEL)
// The compiler already provides these two intrinsics; without the defines
// wdm.h would define them a second time in C++.
#define __INTRINSIC_DEFINED_InterlockedBitTestAndSet
#define __INTRINSIC_DEFINED_InterlockedBitTestAndReset
#include <ddk/wdm.h>
// Wide literals: the kernel's WCHAR is the 16-bit wchar_t of Windows.
#define KTEXT(s) L##s
// The kernel exports the C library's swprintf without a size argument, and
// wdm.h does not declare it. As everywhere in the kernel, %s formats a wide
// string here and %S a narrow one.
extern "C" int __cdecl swprintf(wchar_t *buffer, const wchar_t *format, ...);
#else
#include "hostkernel/nt_host.h"
#define KTEXT(s) u##s
#endif

// Pool tag of every block the drivers allocate: the characters 'W','d','m',' '.
#define SORVEX_POOL_TAG 0x206D6457u

// Not a kernel routine but a platform seam: a far call into a BIOS32 entry
// point (a pointer into a mapping of the BIOS area) with these registers in
// and out. The Windows target makes the call in i386 assembly; the host
// kernel layer answers as a BIOS would, with the PCI service reading the
// host's real configuration space (see hostkernel/host_control.h).
struct Bios32Registers {
  uint32_t eax;
  uint32_t ebx;
  uint32_t ecx;
  uint32_t edx;
  uint32_t esi;
  uint32_t edi;
};
void Bios32FarCall(const uint8_t *entry, Bios32Registers *registers);

// Not a kernel routine but a platform seam: the vector instruction sets the
// processor offers, from one CPUID probe, as SORVEX_VECTOR_* bits. A driver
// may use them only between KeSaveFloatingPointState and
// KeRestoreFloatingPointState. The host kernel layer answers with the host
// processor's sets, less those a test or benchmark has withheld (see
// hostkernel/host_control.h), so that every form of a kernel can be run.
#define SORVEX_VECTOR_SSE2 0x1u
#define SORVEX_VECTOR_SSSE3 0x2u
#define SORVEX_VECTOR_SSE41 0x4u
#define SORVEX_VECTOR_AVX2 0x8u

#if defined(SORVEX_WINDOWS_KERNEL)
#include <cpuid.h>
// AVX2 is never reported here: its registers are part of the extended
// state, which KeSaveFloatingPointState does not save.
static inline uint32_t ProbeVectorSets(void) {
  unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0) return 0;
  uint32_t sets = 0;
  if ((edx & bit_SSE2) != 0) sets |= SORVEX_VECTOR_SSE2;
  if ((sets & SORVEX_VECTOR_SSE2) != 0 && (ecx & bit_SSSE3) != 0) sets |= SORVEX_VECTOR_SSSE3;
  if ((sets & SORVEX_VECTOR_SSSE3) != 0 && (ecx & bit_SSE4_1) != 0) sets |= SORVEX_VECTOR_SSE41;
  return sets;
}
#else
uint32_t ProbeVectorSets(void);
#endif
