// The extent maps of the skin mask: for every skin cell, how far its region
// reaches left, right, up and down, and the area of that reach.
#pragma once

#include <stdint.h>

namespace sorvex0 {

// Each map holds -1 outside the mask. The left and right maps run along the
// rows and take the reach of the skin cell above into account; the top and
// bottom maps run along the columns and take the cell to the left into account.
void BuildLeftExtents(const uint8_t *mask, int32_t *left);
void BuildRightExtents(const uint8_t *mask, int32_t *right);
void BuildTopExtents(const uint8_t *mask, int32_t *top);
void BuildBottomExtents(const uint8_t *mask, int32_t *bottom);

// (right - left) x (bottom - top) per skin cell, 0 elsewhere.
void BuildAreaMap(const uint8_t *mask, const int32_t *left, const int32_t *right,
                  const int32_t *top, const int32_t *bottom, int32_t *area);

// All five maps of the work area from its skin mask, in the order above.
void BuildExtentMaps(uint8_t *workArea);

}  // namespace sorvex0
