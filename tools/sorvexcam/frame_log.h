// The per-frame log (CSV). Where each column comes from:
//   frame, time_ms, fps          the front end's simulated clock
//   capture_w, capture_h         property get 32, items 93 and 94 (before the frame)
//   blanked                      the output equals the camera's blank image
//   ae_index, ae_length,         property get 32, items 35, 34, 36, 33 and 21
//   exposure, ae_target, awb_type  (after the frame)
//   zoom                         property get 60 (after the frame)
//   light_level, awb_ref_r/g/b   the record of a snapshot taken on this frame
//                                (the library reports them nowhere else); empty otherwise
//   raw_brightness               the front end's measure of the raw frame as sent:
//                                BT.601 luma of its red, green and blue sample means
//   out_luma, out_r_g, out_b_g   the output picture: mean luma, and the mean red and
//                                blue over the mean green in percent (100 = neutral)
//   sensor_exposure, sensor_gain what a simulated sensor made of its registers; empty
//                                for other sources
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sorvexcam {

struct SnapshotValues {
  uint32_t number = 0;
  uint32_t lightLevel = 0;
  uint32_t awbRefR = 0, awbRefG = 0, awbRefB = 0;
};

struct FrameRecord {
  uint32_t frame = 0;
  double timeMs = 0;
  double fps = 0;
  uint32_t captureWidth = 0, captureHeight = 0;
  bool blanked = false;
  int32_t aeIndex = 0;
  uint32_t aeLength = 0;
  uint32_t exposure = 0;
  uint32_t aeTarget = 0;
  uint32_t awbType = 0;
  uint32_t zoom = 0;
  std::optional<SnapshotValues> snapshot;
  double rawBrightness = 0;
  double outLuma = 0;
  double outRedOverGreen = 0;
  double outBlueOverGreen = 0;
  std::optional<uint32_t> sensorExposure;
  std::optional<uint32_t> sensorGain;
};

std::string FrameLogHeader();
std::string FrameLogLine(const FrameRecord &record);

}  // namespace sorvexcam
