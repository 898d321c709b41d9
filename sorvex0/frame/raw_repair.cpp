#include "frame/raw_repair.h"

namespace sorvex0 {

namespace {

void CopyLine(uint8_t *raw, uint32_t lineBytes, uint32_t from, uint32_t to) {
  RtlCopyMemory(raw + static_cast<size_t>(to) * lineBytes, raw + static_cast<size_t>(from) * lineBytes,
                lineBytes);
}

// The last two samples of each line repeat the two before them (same Bayer phase).
void RepairLastColumns(uint8_t *raw, uint32_t width, uint32_t height) {
  if (width < 4) return;
  for (uint32_t y = 0; y < height; ++y) {
    uint8_t *line = raw + static_cast<size_t>(y) * width;
    line[width - 1] = line[width - 3];
    line[width - 2] = line[width - 4];
  }
}

}  // namespace

void RepairRawFrame(RawRepair repair, uint8_t *raw, uint32_t width, uint32_t height,
                    uint32_t outputWidth) {
  // B of the repairs: the frame as lines of 1,280 bytes.
  const size_t frameBytes = static_cast<size_t>(height) * 1280;
  switch (repair) {
    case RawRepair::kLastLineAt1280:
      if (width == 1280 && outputWidth != 1280 && height >= 3) {
        RtlCopyMemory(raw + frameBytes - 1280, raw + frameBytes - 3840, 1280);
      }
      break;
    case RawRepair::kLastTwoLines:
      if (height == 1024) {
        CopyLine(raw, width, 1021, 1023);
        CopyLine(raw, width, 1020, 1022);
      } else if (height == 960) {
        CopyLine(raw, width, 957, 959);
        CopyLine(raw, width, 956, 958);
      }
      break;
    case RawRepair::kLastTwoColumns:
      RepairLastColumns(raw, width, height);
      break;
    case RawRepair::kLastTwoLinesAt1280:
      // Two lines of 1,280 bytes, or one line of 640 YUYV pixels.
      if (width == 1280 && height >= 4) {
        RtlCopyMemory(raw + frameBytes - 2560, raw + frameBytes - 5120, 2560);
      }
      break;
    case RawRepair::kNone:
      break;
  }
}

}  // namespace sorvex0
