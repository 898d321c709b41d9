// The Bayer layout of the camera's raw frames, for every stage that reads
// them: green-blue lines at even line numbers (green at even columns), red-
// green lines at odd ones. Each 2 x 2 cell is
//   G B
//   R G
#pragma once

#include <stdint.h>

namespace sorvex0 {

enum BayerColour : uint8_t { kBayerRed = 0, kBayerGreen = 1, kBayerBlue = 2 };

constexpr bool IsGreenBlueLine(uint32_t y) { return (y & 1) == 0; }

constexpr BayerColour BayerColourAt(uint32_t x, uint32_t y) {
  if (IsGreenBlueLine(y)) return (x & 1) == 0 ? kBayerGreen : kBayerBlue;
  return (x & 1) == 0 ? kBayerRed : kBayerGreen;
}

// The samples of a cell by their column within the cell, on its first
// (green-blue) and second (red-green) line.
constexpr uint32_t kCellFirstGreenColumn = 0;
constexpr uint32_t kCellBlueColumn = 1;
constexpr uint32_t kCellRedColumn = 0;
constexpr uint32_t kCellSecondGreenColumn = 1;

static_assert(BayerColourAt(kCellFirstGreenColumn, 0) == kBayerGreen, "cell layout");
static_assert(BayerColourAt(kCellBlueColumn, 0) == kBayerBlue, "cell layout");
static_assert(BayerColourAt(kCellRedColumn, 1) == kBayerRed, "cell layout");
static_assert(BayerColourAt(kCellSecondGreenColumn, 1) == kBayerGreen, "cell layout");

}  // namespace sorvex0
