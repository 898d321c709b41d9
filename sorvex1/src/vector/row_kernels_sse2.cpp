// The SSE2 forms of the row kernels: the bodies on 128-bit vectors.
#include "demosaic_body.h"
#include "filter_body.h"
#include "lanes128.h"
#include "raw_body.h"
#include "row_kernels.h"
#include "yuv_body.h"

namespace sorvex1 {
namespace sse2 {

typedef Lanes128 L;
constexpr auto StoreBgr = StoreBgrByShifts;
constexpr auto LookUpReciprocals = ComparedReciprocals<L>;

#include "row_kernel_forms.h"

}  // namespace sse2
}  // namespace sorvex1
