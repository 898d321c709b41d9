// Bringing Bayer frames of any size and colour phase to the camera's layout
// and capture size.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace sorvexcam {

enum BayerColour : uint8_t { kRed = 0, kGreen = 1, kBlue = 2 };

// An 8-bit Bayer frame in the camera's phase: green-blue on even lines
// (green at even columns), red-green on odd lines.
struct BayerImage {
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<uint8_t> samples;
};

// The colour the camera samples at (x, y).
BayerColour CameraColourAt(uint32_t x, uint32_t y);

// A source mosaic's 2 x 2 cell: the colours at (0,0), (1,0), (0,1), (1,1).
struct CellPattern {
  BayerColour topLeft, topRight, bottomLeft, bottomRight;
};

// Where the camera's cell starts in a source mosaic: dropping `columns`
// leading columns and `rows` leading lines re-phases it. RGGB, for example,
// becomes the camera's phase by dropping its first line (its second line
// starts green-blue, its third red-green). None for a pattern that is not a
// Bayer mosaic (no such offset exists).
struct PhaseOffset {
  uint32_t columns = 0;
  uint32_t rows = 0;
};
std::optional<PhaseOffset> FindCameraPhase(const CellPattern &pattern);

// Scales a camera-phase frame to width x height (both even): first the
// largest centred area of the target's aspect ratio is cut out, in whole
// 2 x 2 cells, then every target cell takes the mean of the source cells it
// covers, colour by colour (the nearest cell when enlarging).
std::vector<uint8_t> FitBayer(const BayerImage &source, uint32_t width, uint32_t height);

}  // namespace sorvexcam
