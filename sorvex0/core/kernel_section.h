// The span of one export call in which sorvex0's kernels may use vector
// registers. The kernel does not keep a driver's floating-point and vector
// state for it, so a call on a camera whose processor offered vector sets
// saves the state when it starts (once, not per line) and restores it when
// it ends; meanwhile context->sectionVectorSets holds the sets the kernels
// may use, by which each floor picks its kernels' forms. When the save
// fails the call runs the scalar forms (sets 0), which use general registers
// only. A section opened inside another of the same camera saves nothing.
#pragma once

#include "core/isp_context.h"

namespace sorvex0 {

// While a section is open sectionVectorSets has this bit set beside the sets.
constexpr uint32_t kKernelSectionOpen = 0x80000000u;

// The vector sets the kernels may use now: none outside a section.
inline uint32_t KernelVectorSets(const IspContext *context) {
  return context->sectionVectorSets & ~kKernelSectionOpen;
}

// Opened on the stack for the length of a call, never copied.
class KernelSection {
 public:
  explicit KernelSection(IspContext *context);
  ~KernelSection();

 private:
  IspContext *context_;  // the camera when this section is its outermost one, else null
  bool saved_;
  KFLOATING_SAVE save_;
};

}  // namespace sorvex0
