// The library's state: one pool block per FUNC_Init holding the operations
// table the caller sees, the row kernels' forms, the current matrices and
// the scratch buffers. The
// table comes first, so the table pointer is also the block's address.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "rgb_to_yuyv_row.h"
#include "row_kernels.h"
#include "scratch_carver.h"
#include "sorvex1.h"

namespace sorvex1 {

// A pool buffer that only grows: a stage asks for the bytes it needs and
// gets the same block back while its sizes stay the same.
struct ScratchBuffer {
  uint8_t *data;
  size_t size;
};

struct LibraryState {
  ConversionOps ops;
  RowKernels kernels;                 // the forms picked for the processor at FUNC_Init
  const RowKernels *sectionKernels;  // those of the open kernel section, null outside one
  int32_t colourMatrix[kMatrixValues];
  int32_t yuvMatrix[kMatrixValues];
  ScratchBuffer yuyvFrame;    // raw -> YUYV -> bitmap/I420 intermediate frame
  ScratchBuffer rawLines;     // demosaic and resampling lines
  ScratchBuffer yuyvLines;    // resampled YUYV lines
  ScratchBuffer filterLines;  // unfiltered copies kept by the in-place filters
};

LibraryState *CreateLibraryState();
void DestroyLibraryState(LibraryState *state);

// The state behind a userData value or a table; null stays null.
LibraryState *StateFromUserData(void *userData);
LibraryState *StateFromOps(ConversionOps *ops);

// At least `bytes` of scratch, aligned as pool blocks are; null when the pool is short
// (the old block is then kept).
uint8_t *ReserveScratch(ScratchBuffer *buffer, size_t bytes);

}  // namespace sorvex1
