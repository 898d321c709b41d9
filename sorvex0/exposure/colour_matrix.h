// The colour matrices of the conversion library: the sensor's colour
// correction, blended toward a warm-light matrix in warm light, turned into
// an RGB-to-YUV matrix with the saturation and chroma balance, and the RGB
// colour matrix derived from that.
#pragma once

#include "core/sensor_table.h"

namespace sorvex0 {

// Colour-correction matrix, scale 4096: rows corrected R, G, B; columns
// input R, G, B.
struct CorrectionMatrix {
  int32_t m[3][3];
};

// The sensor's correction matrix, for OV9650, OV9655, S5K4AA and S5K3BA
// moved toward the warm-light matrix by ccmBlend, which this updates (at most
// 2 per call).
CorrectionMatrix BlendedCorrectionMatrix(IspContext *context, uint32_t lightLevel);

// Matrices for the conversion library: three rows of three coefficients
// (inputs R, G, B) and an offset, scale 256.
struct LibraryMatrix {
  int32_t v[12];
};

LibraryMatrix YuvMatrixFrom(const CorrectionMatrix &correction, uint32_t saturation,
                            uint32_t balance);
LibraryMatrix ColourMatrixFromYuv(const LibraryMatrix &yuv);

}  // namespace sorvex0
