// How much a window of a given colour counts as a white candidate: three
// 18 x 28 weight tables over B/G (rows) and R/G (columns), chosen by sensor.
#pragma once

#include "core/sensor_table.h"

namespace sorvex0 {

constexpr uint32_t kWhiteWeightRows = 18;
constexpr uint32_t kWhiteWeightColumns = 28;

// Column from R/G and row from B/G, both in hundredths.
uint32_t WhiteWeightColumn(uint32_t redToGreen);
uint32_t WhiteWeightRow(uint32_t blueToGreen);

// The weight of the sensor's table at a cell (row < 18, column < 28).
uint8_t WhiteWeightAt(const SensorDescriptor &sensor, uint32_t row, uint32_t column);

// The weight of a window with R/G and B/G in hundredths.
uint8_t WhiteCandidateWeight(const SensorDescriptor &sensor, uint32_t redToGreen, uint32_t blueToGreen);

}  // namespace sorvex0
