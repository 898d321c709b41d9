// The forms of sorvex0's row kernels a test runs: every one the machine
// has, as the vector sets that pick it (0: the scalar forms).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "hostkernel/host_control.h"
#include "sorvex_kernel.h"

namespace sorvextest {

// The scalar forms, SSE2, SSSE3 and the host's best sets (AVX2 where it has
// them).
inline std::vector<uint32_t> KernelForms() {
  std::vector<uint32_t> forms = {0};
  const uint32_t host = hostkernel::HostVectorSets();
  if ((host & SORVEX_VECTOR_SSE2) != 0) forms.push_back(SORVEX_VECTOR_SSE2);
  if ((host & SORVEX_VECTOR_SSSE3) != 0) forms.push_back(SORVEX_VECTOR_SSE2 | SORVEX_VECTOR_SSSE3);
  if ((host & SORVEX_VECTOR_AVX2) != 0) forms.push_back(host);
  return forms;
}

inline std::string KernelFormName(const ::testing::TestParamInfo<uint32_t> &info) {
  if (info.param == 0) return "scalar";
  if ((info.param & SORVEX_VECTOR_AVX2) != 0) return "avx2";
  return (info.param & SORVEX_VECTOR_SSSE3) != 0 ? "ssse3" : "sse2";
}

}  // namespace sorvextest
