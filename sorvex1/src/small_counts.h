// Division by a count of 1 to 9 (the samples a 3x3 filter averages) as a
// multiply by a rounded-up reciprocal: n * ceil(65536 / d) >> 16 is n / d
// rounded down for every n below 65536 / 9, well above 9 * 255 plus the
// rounding, so the filters need no division per sample. Constants only, so
// that the vector units can share them (see row_kernels.h).
#pragma once

#include <stdint.h>

namespace sorvex1 {

constexpr int32_t kMaxSmallCount = 9;
constexpr uint32_t kSmallCountReciprocal[kMaxSmallCount + 1] = {0,     65536, 32768, 21846, 16384,
                                                                13108, 10923, 9363,  8192,  7282};

}  // namespace sorvex1
