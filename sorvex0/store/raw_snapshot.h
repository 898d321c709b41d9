// Raw snapshots: an armed request stores the next raw frame, its size and a
// record of the processing state under the minidriver's service key, where
// an application reads them back. Passive level only.
#pragma once

#include "core/frame_request.h"

namespace sorvex0 {

// Size of the snapshot record "RawNNInfo".
constexpr uint32_t kSnapshotInfoBytes = 128;

// Writes snapshot `number` (1..64): the frame in chunks "RawNNDataII", the
// record "RawNNInfo" and the size "RawNNW", "RawNNH". Write failures are
// not reported.
void WriteRawSnapshot(IspContext *context, const PictureValues &values, uint32_t captureWidth,
                      uint32_t captureHeight, uint32_t outputWidth, uint32_t outputHeight,
                      const uint8_t *raw, uint32_t number);

// Serves an armed snapshot request with this frame (after its repairs):
// numbers it (1..64, then 1 again), reports it to get 57 and writes it.
void TakeSnapshot(IspContext *context, const FrameRequest &frame);

// True when the service key holds readable "Start" and "Type" values: a
// fully installed service, whose registry takes the large chunks.
bool ServiceKeyIsComplete(const IspContext *context);

}  // namespace sorvex0
