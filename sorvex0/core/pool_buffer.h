// Every buffer of the library comes from the non-paged pool under one tag,
// grows when a larger size is needed and is freed only at ISPFunc_Exit.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "sorvex_kernel.h"

namespace sorvex0 {

inline uint8_t *AllocatePoolBuffer(size_t bytes) {
  return static_cast<uint8_t *>(ExAllocatePoolWithTag(NonPagedPool, bytes, SORVEX_POOL_TAG));
}

// Frees the buffer if there is one and clears the pointer.
inline void FreePoolBuffer(uint8_t *&buffer) {
  if (buffer != nullptr) {
    ExFreePool(buffer);
    buffer = nullptr;
  }
}

}  // namespace sorvex0
