#include "bayer_fit.h"

#include "area_resample.h"

namespace sorvexcam {

BayerColour CameraColourAt(uint32_t x, uint32_t y) {
  const bool evenColumn = (x & 1) == 0;
  if ((y & 1) == 0) return evenColumn ? kGreen : kBlue;
  return evenColumn ? kRed : kGreen;
}

std::optional<PhaseOffset> FindCameraPhase(const CellPattern &pattern) {
  const BayerColour cell[2][2] = {{pattern.topLeft, pattern.topRight},
                                  {pattern.bottomLeft, pattern.bottomRight}};
  for (uint32_t rows = 0; rows < 2; ++rows) {
    for (uint32_t columns = 0; columns < 2; ++columns) {
      bool matches = true;
      for (uint32_t y = 0; y < 2 && matches; ++y) {
        for (uint32_t x = 0; x < 2 && matches; ++x) {
          matches = cell[(rows + y) & 1][(columns + x) & 1] == CameraColourAt(x, y);
        }
      }
      if (matches) return PhaseOffset{columns, rows};
    }
  }
  return std::nullopt;
}

template <typename Sample>
std::vector<Sample> FitBayer(const BayerFrame<Sample> &source, uint32_t width, uint32_t height) {
  std::vector<Sample> target(static_cast<size_t>(width) * height);
  const uint32_t targetColumns = width / 2;
  const uint32_t targetRows = height / 2;
  const uint32_t sourceColumns = source.width / 2;
  const uint32_t sourceRows = source.height / 2;
  if (targetColumns == 0 || targetRows == 0 || sourceColumns == 0 || sourceRows == 0) return target;
  const SourceWindow window = CentredWindow(sourceColumns, sourceRows, targetColumns, targetRows);

  for (uint32_t cy = 0; cy < targetRows; ++cy) {
    const CoveredRange rows = Covered(cy, targetRows, window.rows);
    for (uint32_t cx = 0; cx < targetColumns; ++cx) {
      const CoveredRange columns = Covered(cx, targetColumns, window.columns);
      uint64_t sums[2][2] = {};
      for (uint32_t sy = rows.first; sy < rows.end; ++sy) {
        for (uint32_t sx = columns.first; sx < columns.end; ++sx) {
          const size_t top = static_cast<size_t>(2 * (window.top + sy)) * source.width;
          const size_t left = 2 * static_cast<size_t>(window.left + sx);
          for (uint32_t y = 0; y < 2; ++y) {
            for (uint32_t x = 0; x < 2; ++x) sums[y][x] += source.samples[top + y * source.width + left + x];
          }
        }
      }
      const uint64_t count = uint64_t{rows.end - rows.first} * (columns.end - columns.first);
      for (uint32_t y = 0; y < 2; ++y) {
        for (uint32_t x = 0; x < 2; ++x) {
          target[static_cast<size_t>(2 * cy + y) * width + 2 * cx + x] =
              static_cast<Sample>((sums[y][x] + count / 2) / count);
        }
      }
    }
  }
  return target;
}

template std::vector<uint8_t> FitBayer(const BayerImage &, uint32_t, uint32_t);
template std::vector<uint16_t> FitBayer(const BayerImage16 &, uint32_t, uint32_t);

}  // namespace sorvexcam
