#include "area_resample.h"

#include <algorithm>

namespace sorvexcam {

SourceWindow CentredWindow(uint32_t sourceColumns, uint32_t sourceRows, uint32_t targetColumns,
                           uint32_t targetRows) {
  SourceWindow window = {0, 0, sourceColumns, sourceRows};
  const uint64_t wide = static_cast<uint64_t>(sourceColumns) * targetRows;
  const uint64_t tall = static_cast<uint64_t>(sourceRows) * targetColumns;
  if (wide > tall) {
    window.columns = std::max<uint32_t>(1, static_cast<uint32_t>(tall / targetRows));
    window.left = (sourceColumns - window.columns) / 2;
  } else if (tall > wide) {
    window.rows = std::max<uint32_t>(1, static_cast<uint32_t>(wide / targetColumns));
    window.top = (sourceRows - window.rows) / 2;
  }
  return window;
}

CoveredRange Covered(uint32_t index, uint32_t targetCount, uint32_t sourceCount) {
  const uint64_t first = static_cast<uint64_t>(index) * sourceCount / targetCount;
  const uint64_t end = std::max(static_cast<uint64_t>(index + 1) * sourceCount / targetCount, first + 1);
  return {static_cast<uint32_t>(first), static_cast<uint32_t>(end)};
}

RgbImage ResizeRgb(const RgbImage &source, uint32_t width, uint32_t height) {
  RgbImage target;
  target.width = static_cast<int>(width);
  target.height = static_cast<int>(height);
  target.rgb.assign(static_cast<size_t>(width) * height * 3, 0);
  if (width == 0 || height == 0 || source.width <= 0 || source.height <= 0) return target;
  const uint32_t sourceWidth = static_cast<uint32_t>(source.width);
  const SourceWindow window =
      CentredWindow(sourceWidth, static_cast<uint32_t>(source.height), width, height);
  for (uint32_t y = 0; y < height; ++y) {
    const CoveredRange rows = Covered(y, height, window.rows);
    for (uint32_t x = 0; x < width; ++x) {
      const CoveredRange columns = Covered(x, width, window.columns);
      uint64_t sums[3] = {};
      for (uint32_t sy = rows.first; sy < rows.end; ++sy) {
        const size_t line = static_cast<size_t>(window.top + sy) * sourceWidth;
        for (uint32_t sx = columns.first; sx < columns.end; ++sx) {
          const uint8_t *p = &source.rgb[(line + window.left + sx) * 3];
          for (int c = 0; c < 3; ++c) sums[c] += p[c];
        }
      }
      const uint64_t count = static_cast<uint64_t>(rows.end - rows.first) * (columns.end - columns.first);
      uint8_t *d = &target.rgb[(static_cast<size_t>(y) * width + x) * 3];
      for (int c = 0; c < 3; ++c) d[c] = static_cast<uint8_t>((sums[c] + count / 2) / count);
    }
  }
  return target;
}

}  // namespace sorvexcam
