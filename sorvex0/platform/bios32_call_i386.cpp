// The BIOS32 far call on the 32-bit Windows target. The host kernel layer
// answers the same calls in kernel/src/bios32.cpp.
//
// A BIOS32 entry point is reached with a far call through the flat kernel
// code segment and returns with a far return. It reads and writes only the
// general registers it documents and leaves the others as they were, so all
// six are passed in and read back and nothing else needs saving.
#include "sorvex_kernel.h"

namespace {

// The operand of an indirect far call: a 32-bit offset, then a selector.
struct __attribute__((packed)) FarPointer {
  uint32_t offset;
  uint16_t selector;
};

uint16_t CurrentCodeSelector() {
  uint16_t selector;
  __asm__("movw %%cs, %0" : "=r"(selector));
  return selector;
}

}  // namespace

void Bios32FarCall(const uint8_t *entry, Bios32Registers *registers) {
  FarPointer target;
  target.offset = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(entry));
  target.selector = CurrentCodeSelector();
  uint32_t eax = registers->eax;
  uint32_t ebx = registers->ebx;
  uint32_t ecx = registers->ecx;
  uint32_t edx = registers->edx;
  uint32_t esi = registers->esi;
  uint32_t edi = registers->edi;
  // Every general register carries a value, so the far pointer is addressed
  // through the stack or frame pointer, which the call leaves alone. The
  // compiled code expects the direction flag clear, whatever the BIOS left.
  __asm__ __volatile__("lcall *%[target]\n\tcld"
                       : "+a"(eax), "+b"(ebx), "+c"(ecx), "+d"(edx), "+S"(esi), "+D"(edi)
                       : [target] "m"(target)
                       : "cc", "memory");
  registers->eax = eax;
  registers->ebx = ebx;
  registers->ecx = ecx;
  registers->edx = edx;
  registers->esi = esi;
  registers->edi = edi;
}
