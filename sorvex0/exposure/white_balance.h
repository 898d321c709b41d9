// Automatic and preset white balance, and the colour matrices handed to the
// conversion library.
#pragma once

#include "pipeline/context/isp_context.h"

struct WhiteBalanceRatios {
  uint32_t redToGreen;   // R/G x 10000
  uint32_t blueToGreen;  // B/G x 10000
};

// The estimate from the window statistics; false (and nothing delivered)
// when awbType is nonzero.
bool EstimateWhiteBalance(IspContext *context, WhiteBalanceRatios *ratios);
// Sets awbRefR, awbRefG, awbRefB and awbGainLimit from the estimate (or the
// preset when awbType is nonzero).
void UpdateWhiteBalanceReferences(IspContext *context, const WhiteBalanceRatios &ratios);
// awbRunCount = 0, awbPrevRatioR = awbPrevRatioB = 10000.
void ResetWhiteBalance(IspContext *context);
// Computes and sends the YUV matrix, then the colour matrix derived from it.
void SendColourMatrices(IspContext *context, uint32_t saturation, uint32_t balance,
                        uint32_t lightLevel);
