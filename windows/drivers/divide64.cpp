// 64-bit division on the 32-bit kernel target. The compiler turns a 64-bit
// '/' or '%' into calls of its runtime helpers, which a kernel driver does not
// link; the kernel exports the same operations under its own names, with the
// stdcall convention (the callee pops both operands). Linked into both
// drivers.
#include <stdint.h>

extern "C" {

int64_t __stdcall KernelSignedDivide(int64_t dividend, int64_t divisor) __asm__("__alldiv@16");
uint64_t __stdcall KernelUnsignedDivide(uint64_t dividend,
                                        uint64_t divisor) __asm__("__aulldiv@16");
int64_t __stdcall KernelSignedRemainder(int64_t dividend, int64_t divisor) __asm__("__allrem@16");
uint64_t __stdcall KernelUnsignedRemainder(uint64_t dividend,
                                           uint64_t divisor) __asm__("__aullrem@16");

int64_t __divdi3(int64_t dividend, int64_t divisor) {
  return KernelSignedDivide(dividend, divisor);
}

uint64_t __udivdi3(uint64_t dividend, uint64_t divisor) {
  return KernelUnsignedDivide(dividend, divisor);
}

int64_t __moddi3(int64_t dividend, int64_t divisor) {
  return KernelSignedRemainder(dividend, divisor);
}

uint64_t __umoddi3(uint64_t dividend, uint64_t divisor) {
  return KernelUnsignedRemainder(dividend, divisor);
}

}  // extern "C"
