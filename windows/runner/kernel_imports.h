// What ntoskrnl.exe exports to the drivers, bound to the host kernel layer
// built for i386: the NTAPI routines are stdcall there as in the kernel;
// DbgPrint, the C library's memory and string routines and swprintf are
// cdecl, as the kernel exports them; the 64-bit division helpers take their
// operands on the stack and pop them, as the kernel's do. To give the
// drivers another kernel routine, add one line to AddKernelImports (and the
// routine to the host kernel layer).
#pragma once

#include "pe_image.h"

namespace driverrunner {

void AddKernelImports(ImportTable *table);

}  // namespace driverrunner
