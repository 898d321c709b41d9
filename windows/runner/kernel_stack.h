// The kernel stack the exports run on: 12 KiB, as an x86 kernel thread has,
// with an unmapped guard page below it, so that a call that needs more
// faults at once and is reported as a stack overflow. Faults in the special
// pool's guard pages and freed blocks are reported here too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>

namespace driverrunner {

constexpr size_t kKernelStackBytes = 12 * 1024;

// Calls `function` with 32-bit arguments on the kernel stack and returns
// EAX. Either convention works: the stack is restored after the call. A call
// made while already on the kernel stack (a callback calling back) stays on it.
uint32_t CallOnKernelStack(const void *function, std::initializer_list<uint32_t> arguments);

// The most bytes of the kernel stack any call has used so far.
size_t KernelStackHighWater();

// Installs the handler that names the fault of an access to a guard page
// (on its own signal stack, since the kernel stack may be the one that
// overflowed). Idempotent.
void InstallFaultReporter();

}  // namespace driverrunner

// The switch itself (run_on_stack_i386.S); a null stackTop stays on the
// current stack.
extern "C" uint32_t SorvexRunOnStack(const void *function, const uint32_t *arguments, uint32_t count,
                                     void *stackTop);
