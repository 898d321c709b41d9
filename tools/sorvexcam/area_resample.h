// Area resampling shared by the Bayer and the RGB paths: cut the largest
// centred window of the target's aspect ratio, then give every target
// element the mean of the source elements it covers.
#pragma once

#include <cstdint>

#include "synthetic_scene.h"

namespace sorvexcam {

struct SourceWindow {
  uint32_t left, top, columns, rows;
};

// The largest centred window of a sourceColumns x sourceRows grid whose
// aspect ratio is targetColumns : targetRows (never empty).
SourceWindow CentredWindow(uint32_t sourceColumns, uint32_t sourceRows, uint32_t targetColumns,
                           uint32_t targetRows);

struct CoveredRange {
  uint32_t first;
  uint32_t end;  // one past the last; at least one element
};

// The source elements that target element `index` of `targetCount` covers
// when `sourceCount` elements are spread over them.
CoveredRange Covered(uint32_t index, uint32_t targetCount, uint32_t sourceCount);

// A picture scaled to width x height this way.
RgbImage ResizeRgb(const RgbImage &source, uint32_t width, uint32_t height);

}  // namespace sorvexcam
