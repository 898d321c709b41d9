// The conversion library's side of a context: its operations table and the
// two matrices every context starts with.
#pragma once

#include "core/isp_context.h"

namespace sorvex0 {

// FUNC_Init, then the BT.601 studio-range YUV matrix and the identity colour
// matrix. False (and a null table) when the library could not start.
bool StartConversionLibrary(IspContext *context);
// FUNC_Exit with the table, if there is one.
void StopConversionLibrary(IspContext *context);

}  // namespace sorvex0
