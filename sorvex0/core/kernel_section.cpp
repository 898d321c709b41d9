#include "core/kernel_section.h"

namespace sorvex0 {

KernelSection::KernelSection(IspContext *context) : context_(nullptr), saved_(false), save_() {
  if ((context->sectionVectorSets & kKernelSectionOpen) != 0) return;
  context_ = context;
  uint32_t sets = 0;
  if (context->vectorSets != 0 && NT_SUCCESS(KeSaveFloatingPointState(&save_))) {
    saved_ = true;
    sets = context->vectorSets;
  }
  context->sectionVectorSets = kKernelSectionOpen | sets;
}

KernelSection::~KernelSection() {
  if (context_ == nullptr) return;
  context_->sectionVectorSets = 0;
  if (saved_) KeRestoreFloatingPointState(&save_);
}

}  // namespace sorvex0
