// Automatic and preset white balance, and the colour matrices handed to the
// conversion library.
#pragma once

#include "core/sensor_table.h"

namespace sorvex0 {

struct WhiteBalanceRatios {
  uint32_t redToGreen;   // R/G x 10000
  uint32_t blueToGreen;  // B/G x 10000
};

// True for the preset white balances AWB1 to AWB9 (awbType 1 to 9). Any
// other awbType, including values above 9, is automatic and needs a fresh
// estimate.
bool WhiteBalanceUsesPreset(const IspContext *context);

// The estimate from the window statistics; false (and nothing delivered)
// when a preset is in use.
bool EstimateWhiteBalance(IspContext *context, WhiteBalanceRatios *ratios);
// Sets awbRefR, awbRefG, awbRefB and awbGainLimit from the estimate (or the
// preset when awbType is 1 to 9), damped with the current light level.
void UpdateWhiteBalanceReferences(IspContext *context, const WhiteBalanceRatios &ratios);
// awbRunCount = 0, awbPrevRatioR = awbPrevRatioB = 10000.
void ResetWhiteBalance(IspContext *context);
// Computes and sends the YUV matrix, then the colour matrix derived from it.
void SendColourMatrices(IspContext *context, uint32_t saturation, uint32_t balance,
                        uint32_t lightLevel);

// The steps of the estimate and the references, for callers that have them
// apart. The weighted estimate over the near-grey windows returns the weight
// sum W; the final estimate blends it with the sensor's fallback point when
// W is small.
uint32_t WeightedWhiteEstimate(const IspContext *context, WhiteBalanceRatios *ratios);
WhiteBalanceRatios FinalWhiteEstimate(const SensorDescriptor &sensor, const WhiteBalanceRatios &weighted,
                                      uint32_t weightSum);
void UpdateWhiteBalanceReferencesAt(IspContext *context, const WhiteBalanceRatios &ratios,
                                    uint32_t lightLevel);

}  // namespace sorvex0
