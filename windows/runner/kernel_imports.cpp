#include "kernel_imports.h"

#include "io_space_mapping.h"
#include "sorvex_kernel.h"

namespace driverrunner {
namespace {

// The kernel's 64-bit division helpers: both operands on the stack, popped
// by the callee, the result in EDX:EAX.
__attribute__((stdcall)) int64_t SignedDivide(int64_t dividend, int64_t divisor) { return dividend / divisor; }
__attribute__((stdcall)) uint64_t UnsignedDivide(uint64_t dividend, uint64_t divisor) { return dividend / divisor; }
__attribute__((stdcall)) int64_t SignedRemainder(int64_t dividend, int64_t divisor) { return dividend % divisor; }
__attribute__((stdcall)) uint64_t UnsignedRemainder(uint64_t dividend, uint64_t divisor) {
  return dividend % divisor;
}

template <typename Function>
const void *Address(Function *function) {
  return reinterpret_cast<const void *>(function);
}

}  // namespace

void AddKernelImports(ImportTable *table) {
  const char *kernel = "ntoskrnl.exe";
  // NTAPI (stdcall) routines of the host kernel layer.
  table->Add(kernel, "ExAllocatePoolWithTag", Address(&ExAllocatePoolWithTag));
  table->Add(kernel, "ExFreePool", Address(&ExFreePool));
  table->Add(kernel, "KeQuerySystemTime", Address(&KeQuerySystemTime));
  table->Add(kernel, "IoOpenDeviceRegistryKey", Address(&IoOpenDeviceRegistryKey));
  table->Add(kernel, "ZwCreateKey", Address(&ZwCreateKey));
  table->Add(kernel, "ZwQueryValueKey", Address(&ZwQueryValueKey));
  table->Add(kernel, "ZwSetValueKey", Address(&ZwSetValueKey));
  table->Add(kernel, "ZwClose", Address(&ZwClose));
  table->Add(kernel, "RtlInitUnicodeString", Address(&RtlInitUnicodeString));
  table->Add(kernel, "RtlQueryRegistryValues", Address(&RtlQueryRegistryValues));
  table->Add(kernel, "RtlWriteRegistryValue", Address(&RtlWriteRegistryValue));
  // Mappings of physical memory are executable, as they are on an i386
  // kernel: the BIOS32 entry points are called in them.
  table->Add(kernel, "MmMapIoSpace", Address(&MapIoSpaceExecutable));
  table->Add(kernel, "MmUnmapIoSpace", Address(&UnmapIoSpaceExecutable));
  // cdecl routines.
  table->Add(kernel, "DbgPrint", Address(&DbgPrint));
  table->Add(kernel, "wcslen", Address(static_cast<SIZE_T (*)(PCWSTR)>(&wcslen)));
  table->Add(kernel, "wcscpy", Address(static_cast<PWSTR (*)(PWSTR, PCWSTR)>(&wcscpy)));
  table->Add(kernel, "wcscmp", Address(static_cast<int (*)(PCWSTR, PCWSTR)>(&wcscmp)));
  table->Add(kernel, "swprintf", Address(static_cast<int (*)(PWSTR, PCWSTR, ...)>(&swprintf)));
  table->Add(kernel, "memcpy", Address(static_cast<void *(*)(void *, const void *, size_t)>(&memcpy)));
  table->Add(kernel, "memmove", Address(static_cast<void *(*)(void *, const void *, size_t)>(&memmove)));
  table->Add(kernel, "memset", Address(static_cast<void *(*)(void *, int, size_t)>(&memset)));
  // The division helpers.
  table->Add(kernel, "_alldiv", Address(&SignedDivide));
  table->Add(kernel, "_aulldiv", Address(&UnsignedDivide));
  table->Add(kernel, "_allrem", Address(&SignedRemainder));
  table->Add(kernel, "_aullrem", Address(&UnsignedRemainder));
}

}  // namespace driverrunner
