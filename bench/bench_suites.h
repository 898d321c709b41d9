// The groups of benchmarks, each registered by its own file.
#pragma once

namespace bench {

// Pixels left out on each side when pictures are compared (the frame edges,
// where each demosaic has rules of its own).
constexpr int kPsnrBorder = 4;

void AddConversionBenchmarks();  // sorvex1's slots
void AddIspStageBenchmarks();    // sorvex0's stages on their own
void AddRawToImgBenchmarks();    // the whole ISPFunc_RawToImg
void AddPeerBenchmarks();        // OpenCV and libyuv

}  // namespace bench
