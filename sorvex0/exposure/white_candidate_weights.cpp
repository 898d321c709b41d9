#include "exposure/white_candidate_weights.h"

#include "core/isp_context.h"

namespace sorvex0 {

namespace {

struct WeightTable {
  uint8_t cell[kWhiteWeightRows][kWhiteWeightColumns];
};

// Every sensor but S5K4AA, S5K3BA and MO4000.
constexpr WeightTable kWeightsCommon = {{
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 18, 18, 18, 18, 18, 18, 18, 10, 10, 12, 12, 12, 12, 12, 12},
    {0, 0, 0, 0, 0, 0, 0, 0, 20, 20, 5, 5, 24, 24, 24, 24, 24, 24, 24, 18, 10, 10, 12, 12, 12, 12, 12, 12},
    {0, 0, 0, 0, 0, 80, 80, 20, 5, 5, 5, 5, 5, 12, 24, 32, 24, 5, 0, 0, 0, 0, 0, 0, 12, 12, 12, 12},
    {0, 0, 0, 0, 0, 80, 80, 20, 5, 5, 5, 5, 16, 24, 32, 60, 32, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {0, 0, 0, 0, 80, 80, 80, 20, 5, 5, 16, 48, 40, 32, 24, 32, 0, 32, 48, 32, 0, 0, 0, 0, 0, 0, 0, 0},
    {0, 0, 0, 0, 0, 20, 5, 5, 5, 32, 28, 48, 40, 32, 0, 0, 0, 48, 60, 48, 0, 0, 0, 0, 0, 0, 0, 0},
    {0, 0, 0, 0, 0, 20, 5, 5, 32, 60, 32, 24, 16, 16, 24, 24, 0, 32, 48, 32, 0, 0, 0, 0, 0, 0, 0, 0},
    {0, 0, 80, 80, 80, 80, 20, 20, 7, 32, 48, 72, 40, 40, 40, 40, 24, 24, 24, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {0, 80, 80, 80, 80, 80, 80, 80, 32, 48, 64, 48, 24, 40, 40, 40, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {0, 80, 80, 80, 80, 80, 80, 80, 72, 72, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {0, 80, 80, 80, 80, 80, 80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {0, 16, 32, 80, 80, 80, 72, 72, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {0, 16, 16, 16, 40, 60, 60, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {0, 16, 0, 0, 20, 40, 40, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {},
    {},
    {},
}};

struct WeightCell {
  uint8_t row;
  uint8_t column;
  uint8_t weight;
};

// Where the S5K4AA and S5K3BA table differs from the common one.
constexpr WeightCell kS5kCells[] = {
    {5, 16, 11}, {6, 9, 44},  {6, 10, 55}, {6, 11, 66}, {6, 12, 66}, {6, 13, 66}, {6, 14, 66},
    {6, 15, 55}, {6, 16, 11}, {7, 10, 66}, {7, 11, 66}, {7, 12, 66}, {7, 13, 66}, {7, 16, 11},
};

constexpr WeightTable WithCells(const WeightTable &base) {
  WeightTable table = base;
  for (const WeightCell &c : kS5kCells) table.cell[c.row][c.column] = c.weight;
  return table;
}

// The MO4000's greens lie toward higher R/G and lower B/G: the common table
// moved 7 columns right and 1 row up, empty where it moved in from outside.
constexpr uint32_t kMo4000ColumnShift = 7;
constexpr uint32_t kMo4000RowShift = 1;

constexpr WeightTable Shifted(const WeightTable &base) {
  WeightTable table{};
  for (uint32_t row = 0; row + kMo4000RowShift < kWhiteWeightRows; ++row) {
    for (uint32_t column = kMo4000ColumnShift; column < kWhiteWeightColumns; ++column) {
      table.cell[row][column] = base.cell[row + kMo4000RowShift][column - kMo4000ColumnShift];
    }
  }
  return table;
}

constexpr WeightTable kWeightsS5k = WithCells(kWeightsCommon);
constexpr WeightTable kWeightsMo4000 = Shifted(kWeightsCommon);

const WeightTable &TableFor(const SensorDescriptor &sensor) {
  switch (sensor.colour) {
    case ColourGroup::kS5k:
      return kWeightsS5k;
    case ColourGroup::kMo4000:
      return kWeightsMo4000;
    default:
      return kWeightsCommon;
  }
}

// (ratio - offset) / 5, 0 below the offset and `last` beyond last - 1.
uint32_t CellIndex(uint32_t ratio, uint32_t offset, uint32_t last) {
  if (ratio < offset) return 0;
  const uint32_t index = (ratio - offset) / 5;
  return index >= last ? last : index;
}

}  // namespace

uint32_t WhiteWeightColumn(uint32_t redToGreen) {
  return CellIndex(redToGreen, 40, kWhiteWeightColumns - 1);
}

uint32_t WhiteWeightRow(uint32_t blueToGreen) {
  return CellIndex(blueToGreen, 25, kWhiteWeightRows - 1);
}

uint8_t WhiteWeightAt(const SensorDescriptor &sensor, uint32_t row, uint32_t column) {
  if (row >= kWhiteWeightRows || column >= kWhiteWeightColumns) return 0;
  return TableFor(sensor).cell[row][column];
}

uint8_t WhiteCandidateWeight(const SensorDescriptor &sensor, uint32_t redToGreen, uint32_t blueToGreen) {
  return WhiteWeightAt(sensor, WhiteWeightRow(blueToGreen), WhiteWeightColumn(redToGreen));
}

}  // namespace sorvex0
