// The search for face candidates on the grid: the largest skin region, its
// validation, the face-shaped window refined inside it, and the choice among
// the candidates found. All boxes here are in grid cells.
#pragma once

#include <stdint.h>

#include "face/face_work_area.h"

namespace sorvex0 {

// What an invalid grid box becomes: a 2 x 2 box in the middle of the grid.
constexpr TrackBox kFallbackGridBox = {79, 81, 59, 61};

// (right - left) x (bottom - top).
int32_t BoxArea(const TrackBox &box);

// The box (left, right, top, bottom extents) of the first cell with the
// largest area; (0, 0, 0, 0) when no cell has an area above 0.
TrackBox FindLargestAreaBox(uint8_t *workArea);

// True when the box is non-empty and lies inside the grid.
bool IsValidGridBox(const TrackBox &box);
// The box itself when valid, else the fallback box.
TrackBox ValidateGridBox(const TrackBox &box);

// The tallest window of width two thirds of its height inside the box that
// holds more than two thirds skin cells, found by bisection on the height;
// (0, 0, 0, 0) when none fits. The box must be a valid grid box (any other
// gives the zero box).
TrackBox RefineFaceBox(const uint8_t *mask, const TrackBox &box);

// Clears the area map and the skin mask on every cell of the valid grid box,
// edges included, so that the next search finds the next region.
void ClearBoxCells(uint8_t *workArea, const TrackBox &box);

// The candidate phase: four rounds of largest region, validation, refinement
// and validation into the candidates, each round clearing its region.
void FindFaceCandidates(uint8_t *workArea);

// Reorders the four candidates by decreasing area; a candidate may be
// repeated (once the remaining areas are all 0, candidate 0 is taken).
void SortCandidatesByArea(TrackBox *candidates);

// Index of the sorted candidate that continues the tracked grid box: the
// first one, in order, whose centre lies within its own width and height of
// the tracked box's centre, as long as it is not under a quarter of the
// largest candidate's area; 0 otherwise.
uint32_t ChooseCandidate(const TrackBox *sortedCandidates, const TrackBox &trackedGridBox);

}  // namespace sorvex0
