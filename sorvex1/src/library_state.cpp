#include "library_state.h"

#include "sorvex_kernel.h"

namespace sorvex1 {
namespace {

// BT.601 studio range; the +16 and +128 offsets are built into the conversion.
constexpr int32_t kBt601StudioYuvMatrix[kMatrixValues] = {66, 129, 25, 0, -38, -74, 112, 0, 112, -94, -18, 0};

void ReleaseScratch(ScratchBuffer *buffer) {
  if (buffer->data != nullptr) ExFreePool(buffer->data);
  buffer->data = nullptr;
  buffer->size = 0;
}

}  // namespace

LibraryState *CreateLibraryState() {
  void *block = ExAllocatePoolWithTag(NonPagedPool, sizeof(LibraryState), SORVEX_POOL_TAG);
  if (block == nullptr) return nullptr;
  RtlZeroMemory(block, sizeof(LibraryState));
  LibraryState *state = static_cast<LibraryState *>(block);
  state->ops.userData = state;
  state->kernels = RowKernelsFor(ProbeVectorSets());
  RtlCopyMemory(state->colourMatrix, kIdentityColourMatrix, sizeof(state->colourMatrix));
  RtlCopyMemory(state->yuvMatrix, kBt601StudioYuvMatrix, sizeof(state->yuvMatrix));
  return state;
}

void DestroyLibraryState(LibraryState *state) {
  ReleaseScratch(&state->yuyvFrame);
  ReleaseScratch(&state->rawLines);
  ReleaseScratch(&state->yuyvLines);
  ReleaseScratch(&state->filterLines);
  ExFreePool(state);
}

LibraryState *StateFromUserData(void *userData) { return static_cast<LibraryState *>(userData); }

LibraryState *StateFromOps(ConversionOps *ops) {
  // The table is the first member, so its address is the state's.
  return static_cast<LibraryState *>(static_cast<void *>(ops));
}

uint8_t *ReserveScratch(ScratchBuffer *buffer, size_t bytes) {
  if (bytes <= buffer->size) return buffer->data;
  void *block = ExAllocatePoolWithTag(NonPagedPool, bytes, SORVEX_POOL_TAG);
  if (block == nullptr) return nullptr;
  ReleaseScratch(buffer);
  buffer->data = static_cast<uint8_t *>(block);
  buffer->size = bytes;
  return buffer->data;
}

}  // namespace sorvex1
