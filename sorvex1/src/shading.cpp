// Lens shading and output tables on the raw frame, in place.
//
// With `enable` set and a gain map given, each sample is first multiplied by
// (128 + gain) / 128 with rounding and clamped to 255: the gain map has one
// byte per sample, in the raw frame's layout, counting 1/128 steps above
// unity (0 leaves the sample, 64 is x1.5, 127 almost x2). Then the 256-entry
// table of the sample's colour maps the value; a null table leaves that
// colour as it is. With `enable` 0 only the tables apply.
#include "bayer.h"
#include "kernel_section.h"
#include "pixel_math.h"
#include "slots.h"

namespace sorvex1 {
namespace {

struct ShadingTables {
  const uint8_t *red;
  const uint8_t *green;
  const uint8_t *blue;
};

const uint8_t *TableFor(const ShadingTables &tables, BayerColour colour) {
  if (colour == BayerColour::kRed) return tables.red;
  return colour == BayerColour::kGreen ? tables.green : tables.blue;
}

// Every second sample from `first` through the table.
void MapSamples(uint8_t *line, int32_t first, int32_t width, const uint8_t *table) {
  for (int32_t x = first; x < width; x += 2) line[x] = table[line[x]];
}

// Both columns' tables in one pass, eight samples read and written at a
// time: the lookups themselves are one load each whatever is done, so the
// saving is in the line's own loads and stores and the loop's overhead.
void MapSamplePairs(uint8_t *line, int32_t width, const uint8_t *evenTable, const uint8_t *oddTable) {
  int32_t x = 0;
  for (; x + 8 <= width; x += 8) {
    uint8_t *s = line + x;
    const uint8_t m0 = evenTable[s[0]], m1 = oddTable[s[1]], m2 = evenTable[s[2]], m3 = oddTable[s[3]];
    const uint8_t m4 = evenTable[s[4]], m5 = oddTable[s[5]], m6 = evenTable[s[6]], m7 = oddTable[s[7]];
    s[0] = m0;
    s[1] = m1;
    s[2] = m2;
    s[3] = m3;
    s[4] = m4;
    s[5] = m5;
    s[6] = m6;
    s[7] = m7;
  }
  for (; x < width; ++x) line[x] = ((x & 1) == 0 ? evenTable : oddTable)[line[x]];
}

// One line; `gains` may be null, and so may either table (even and odd
// columns): the gains first, then the tables.
void ShadeLine(const RowKernels &kernels, uint8_t *line, const uint8_t *gains, int32_t width,
               const uint8_t *evenTable, const uint8_t *oddTable) {
  if (gains != nullptr) kernels.shadingGains(line, gains, width);
  if (evenTable != nullptr && oddTable != nullptr) {
    MapSamplePairs(line, width, evenTable, oddTable);
    return;
  }
  if (evenTable != nullptr) MapSamples(line, 0, width, evenTable);
  if (oddTable != nullptr) MapSamples(line, 1, width, oddTable);
}

}  // namespace

namespace scalar {

// value * (128 + gain) / 128, rounded and clamped. The whole value passes
// the division unchanged, so this is value + (value * gain + 64) / 128, and
// value * gain + 64 is at most 255 * 255 + 64: inside 16 bits for every gain
// byte, so the loop runs on 16-bit lanes (the product with 128 + gain, up to
// 383, would not fit).
void ShadingGains(uint8_t *__restrict line, const uint8_t *__restrict gains, int32_t width) {
  for (int32_t x = 0; x < width; ++x) {
    const uint16_t value = line[x];
    const uint16_t extra = static_cast<uint16_t>(static_cast<uint16_t>(value * gains[x] + 64u) >> 7);
    const uint16_t scaled = static_cast<uint16_t>(value + extra);
    line[x] = static_cast<uint8_t>(scaled > 255 ? 255 : scaled);
  }
}

}  // namespace scalar

void SORVEX1_CALL ApplyShading(void *userData, uint8_t *raw, int32_t width, int32_t height, uint32_t enable,
                               const uint8_t *gainMap, uint32_t, const uint8_t *tableR, const uint8_t *tableG,
                               const uint8_t *tableB) {
  LibraryState *state = StateFromUserData(userData);
  if (state == nullptr || raw == nullptr || !IsValidFrameSize(width, height)) return;
  const uint8_t *gains = enable != 0 ? gainMap : nullptr;
  const ShadingTables tables = {tableR, tableG, tableB};
  const KernelSection section(state);
  for (int32_t y = 0; y < height; ++y) {
    const size_t offset = LineOffset(y, width);
    ShadeLine(section.kernels(), raw + offset, gains != nullptr ? gains + offset : nullptr, width,
              TableFor(tables, BayerColourAt(0, y)), TableFor(tables, BayerColourAt(1, y)));
  }
}

}  // namespace sorvex1
