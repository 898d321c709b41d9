// The processor's floating-point state and vector instruction sets, as a
// driver sees them. The host process keeps its registers across everything,
// so a save stores nothing; what the layer does is keep the kernel's rules:
// every save is counted, can be made to fail, and must be restored exactly
// once, innermost first, from the area it was saved to.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "hostkernel/host_control.h"
#include "sorvex_kernel.h"

namespace hostkernel {
namespace {

// Written into a save area by a successful save, checked by the restore.
constexpr ULONG kSavedMark = 0x53415645u;  // "SAVE"

struct FloatingPointState {
  std::mutex mutex;
  FloatingPointStateCounts counts = {0, 0, 0, 0};
  bool failSaves = false;
  // Open saves per thread would be the kernel's view; the drivers call from
  // one thread at a time, so one stack serves.
  std::vector<const KFLOATING_SAVE *> open;
};

FloatingPointState &State() {
  static FloatingPointState *state = new FloatingPointState;
  return *state;
}

[[noreturn]] void FloatingPointBugCheck(const char *what, const void *area) {
  std::fprintf(stderr, "*** floating point bug check: %s (%p)\n", what, area);
  std::fflush(stderr);
  std::abort();
}

std::atomic<uint32_t> &AllowedVectorSets() {
  static std::atomic<uint32_t> allowed{~0u};
  return allowed;
}

}  // namespace

FloatingPointStateCounts FloatingPointCounts() {
  FloatingPointState &state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  FloatingPointStateCounts counts = state.counts;
  counts.open = state.open.size();
  return counts;
}

void FailFloatingPointSaves(bool fail) {
  FloatingPointState &state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.failSaves = fail;
}

uint32_t HostVectorSets() {
  uint32_t sets = 0;
#if defined(__x86_64__) || defined(__i386__)
  __builtin_cpu_init();
  if (__builtin_cpu_supports("sse2")) sets |= SORVEX_VECTOR_SSE2;
  if ((sets & SORVEX_VECTOR_SSE2) != 0 && __builtin_cpu_supports("ssse3")) sets |= SORVEX_VECTOR_SSSE3;
  if ((sets & SORVEX_VECTOR_SSSE3) != 0 && __builtin_cpu_supports("sse4.1")) sets |= SORVEX_VECTOR_SSE41;
  // The compiler's check includes the operating system's support of the
  // AVX registers.
  if ((sets & SORVEX_VECTOR_SSE41) != 0 && __builtin_cpu_supports("avx2")) sets |= SORVEX_VECTOR_AVX2;
#endif
  return sets;
}

void LimitVectorSets(uint32_t allowed) { AllowedVectorSets().store(allowed); }

}  // namespace hostkernel

uint32_t ProbeVectorSets(void) { return hostkernel::HostVectorSets() & hostkernel::AllowedVectorSets().load(); }

extern "C" NTSTATUS NTAPI KeSaveFloatingPointState(PKFLOATING_SAVE FloatSave) {
  hostkernel::FloatingPointState &state = hostkernel::State();
  std::lock_guard<std::mutex> lock(state.mutex);
  ++state.counts.saves;
  if (state.failSaves) {
    ++state.counts.failedSaves;
    return STATUS_INSUFFICIENT_RESOURCES;
  }
  *FloatSave = KFLOATING_SAVE{};
  FloatSave->Spare1 = hostkernel::kSavedMark;
  state.open.push_back(FloatSave);
  return STATUS_SUCCESS;
}

extern "C" NTSTATUS NTAPI KeRestoreFloatingPointState(PKFLOATING_SAVE FloatSave) {
  hostkernel::FloatingPointState &state = hostkernel::State();
  std::lock_guard<std::mutex> lock(state.mutex);
  ++state.counts.restores;
  if (state.open.empty() || state.open.back() != FloatSave || FloatSave->Spare1 != hostkernel::kSavedMark) {
    hostkernel::FloatingPointBugCheck("restore of a state that is not the last one saved", FloatSave);
  }
  FloatSave->Spare1 = 0;
  state.open.pop_back();
  return STATUS_SUCCESS;
}
