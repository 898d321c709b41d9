// Bringing Bayer frames of any size and colour phase to the camera's layout
// and capture size.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace sorvexcam {

enum BayerColour : uint8_t { kRed = 0, kGreen = 1, kBlue = 2 };

// A Bayer frame in the camera's phase: green-blue on even lines (green at
// even columns), red-green on odd lines. 8-bit frames are what the camera
// sends; 16-bit ones hold a camera raw's linear samples.
template <typename Sample>
struct BayerFrame {
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<Sample> samples;
};
using BayerImage = BayerFrame<uint8_t>;
using BayerImage16 = BayerFrame<uint16_t>;

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
// Defined for 8- and 16-bit samples.
template <typename Sample>
std::vector<Sample> FitBayer(const BayerFrame<Sample> &source, uint32_t width, uint32_t height);

}  // namespace sorvexcam
