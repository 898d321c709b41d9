// The forms of every row kernel on one vector width. A vector unit includes
// this inside its form's namespace (it has no include guard), having named
//   L                 its lanes (lanes128.h or lanes256.h),
//   StoreBgr          how it stores the bitmap's three-byte pixels,
//   LookUpReciprocals how its denoise finds the reciprocals of the counts.

void SplitRawLine(const uint8_t *line, int32_t width, int16_t *even, int16_t *odd) {
  SplitRawLineBody<L>(line, width, even, odd);
}

void DemosaicGreenBluePairs(const SplitWindowLines &lines, int32_t first, int32_t end, const RgbPlanes &out) {
  DemosaicPairsBody<L, true>(lines, first, end, out);
}

void DemosaicRedGreenPairs(const SplitWindowLines &lines, int32_t first, int32_t end, const RgbPlanes &out) {
  DemosaicPairsBody<L, false>(lines, first, end, out);
}

void HalveRgbLinePair(const RgbPlanes &upper, const RgbPlanes &lower, int32_t width, const RgbPlanes &out) {
  HalveRgbLinePairBody<L>(upper, lower, width, out);
}

void RgbToYuyvLine(const RgbPlanes &rgb, int32_t width, const int32_t *yuvMatrix, uint8_t *yuyv) {
  RgbToYuyvLineBody<L>(rgb, width, yuvMatrix, yuyv);
}

int32_t YuyvToBgr(const uint8_t *yuyv, int32_t width, uint8_t *bgr) {
  return YuyvToBgrBody<L, StoreBgr>(yuyv, width, bgr);
}

int32_t YuyvToI420(const uint8_t *upper, const uint8_t *lower, int32_t pairs, const I420LinePair &out) {
  return YuyvToI420Body<L>(upper, lower, pairs, out);
}

void DenoiseLine(const uint8_t *above, const uint8_t *centre, const uint8_t *below, int32_t width, int32_t lumaSigma,
                 int32_t chromaSigma, uint8_t *out) {
  DenoiseLineBody<L, LookUpReciprocals>(above, centre, below, width, lumaSigma, chromaSigma, out);
}

void SharpenLine(const uint8_t *above, const uint8_t *centre, const uint8_t *below, int32_t width, int32_t amount256,
                 uint8_t *out) {
  SharpenLineBody<L>(above, centre, below, width, amount256, out);
}

bool ScreenDefects(const uint8_t *above, const uint8_t *line, const uint8_t *below, int32_t x, uint8_t base,
                   int32_t spreadShift, uint8_t *marks) {
  return ScreenDefectsBody<L>(above, line, below, x, base, spreadShift, marks);
}

void ShadingGains(uint8_t *line, const uint8_t *gains, int32_t width) { ShadingGainsBody<L>(line, gains, width); }
