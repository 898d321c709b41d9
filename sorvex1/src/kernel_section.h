// The span of one export call in which the row kernels may use vector
// registers. The kernel does not keep a driver's floating-point and vector
// state for it, so an instance whose kernels use those registers saves the
// state when the call starts (once, not per line) and restores it when the
// call ends. When the save fails, the call runs the scalar forms, which use
// general registers only. A section opened inside another of the same
// instance (a wrapper calling slots through the table) runs with the outer
// one's kernels and saves nothing.
#pragma once

#include "library_state.h"
#include "row_kernels.h"
#include "sorvex_kernel.h"

namespace sorvex1 {

// Opened on the stack for the length of a call, never copied.
class KernelSection {
 public:
  explicit KernelSection(LibraryState *state);
  ~KernelSection();

  const RowKernels &kernels() const { return *kernels_; }

 private:
  LibraryState *state_;  // the instance when this section is its outermost one, else null
  const RowKernels *kernels_;
  bool saved_;
  KFLOATING_SAVE save_;
};

}  // namespace sorvex1
