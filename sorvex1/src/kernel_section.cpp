#include "kernel_section.h"

namespace sorvex1 {

KernelSection::KernelSection(LibraryState *state)
    : state_(nullptr), kernels_(state->sectionKernels), saved_(false), save_() {
  if (kernels_ != nullptr) return;
  state_ = state;
  kernels_ = &ScalarRowKernels();
  if (state->kernels.usesVectorRegisters && NT_SUCCESS(KeSaveFloatingPointState(&save_))) {
    saved_ = true;
    kernels_ = &state->kernels;
  }
  state->sectionKernels = kernels_;
}

KernelSection::~KernelSection() {
  if (state_ == nullptr) return;
  state_->sectionKernels = nullptr;
  if (saved_) KeRestoreFloatingPointState(&save_);
}

}  // namespace sorvex1
