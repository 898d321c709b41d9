#include <cstddef>
#include <cstring>

#include "sorvex_kernel.h"
#if !defined(SORVEX_DRIVER_IMAGE_TESTS)
#include "row_kernels.h"
#endif
#include "test_frames.h"

namespace sorvex1test {

#if defined(SORVEX_DRIVER_IMAGE_TESTS)

// A driver image probes the processor itself and runs its best forms; its
// scalar forms run when the saves fail.
std::vector<KernelForm> MachineForms() { return {{"best", ~0u, false}, {"failed_save", ~0u, true}}; }

#else

std::vector<KernelForm> MachineForms() {
  std::vector<KernelForm> forms = {{"scalar", 0, false}};
  const struct {
    const char *name;
    uint32_t set;
  } levels[] = {{"sse2", SORVEX_VECTOR_SSE2},
                {"ssse3", SORVEX_VECTOR_SSSE3},
                {"sse41", SORVEX_VECTOR_SSE41},
                {"avx2", SORVEX_VECTOR_AVX2}};
  const uint32_t host = hostkernel::HostVectorSets();
  uint32_t sets = 0;
  for (const auto &level : levels) {
    if ((host & level.set) == 0) break;
    const sorvex1::RowKernels before = sorvex1::RowKernelsFor(sets);
    sets |= level.set;
    const sorvex1::RowKernels after = sorvex1::RowKernelsFor(sets);
    // The kernels only (the flag after them is followed by padding).
    if (std::memcmp(&before, &after, offsetof(sorvex1::RowKernels, usesVectorRegisters)) != 0) {
      forms.push_back({level.name, sets, false});
    }
  }
#if defined(SORVEX1_TEST_DRIVER_FLAGS)
  // The vector units are the host build's own; the drivers' configuration
  // differs in the code around them, which its best forms exercise.
  if (forms.size() > 2) forms.erase(forms.begin() + 1, forms.end() - 1);
  if (forms.size() > 1) forms.back().name = "best";
#endif
  if (sets != 0) forms.push_back({"failed_save", sets, true});
  return forms;
}

#endif

void FormTest::SetUp() {
  hostkernel::LimitVectorSets(GetParam().vectorSets);
  hostkernel::FailFloatingPointSaves(GetParam().failSaves);
  ConversionTest::SetUp();
}

void FormTest::TearDown() {
  ConversionTest::TearDown();
  hostkernel::LimitVectorSets(~0u);
  hostkernel::FailFloatingPointSaves(false);
  EXPECT_EQ(hostkernel::FloatingPointCounts().open, 0u);
}

}  // namespace sorvex1test
