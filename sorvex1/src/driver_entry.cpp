// The entry points every Windows kernel driver image has. sorvex1 is an
// export driver: the loader calls DriverEntry when sorvex0 pulls it in and
// DllUnload before it unloads it; all state lives in the table that
// FUNC_Init hands out, so neither has work to do. Only the Windows kernel
// build compiles this file; on the host the library is a plain shared object.
#include "sorvex1.h"
#include "sorvex_kernel.h"

extern "C" {

SORVEX1_EXPORT NTSTATUS SORVEX1_CALL DriverEntry(void *, void *) { return STATUS_SUCCESS; }

SORVEX1_EXPORT NTSTATUS SORVEX1_CALL DllUnload(void) { return STATUS_SUCCESS; }

}  // extern "C"
