#include "frame_log.h"

#include <cstdio>

namespace sorvexcam {
namespace {

std::string Fixed(double value, int decimals) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

std::string Optional(const std::optional<uint32_t> &value) {
  return value ? std::to_string(*value) : std::string();
}

}  // namespace

std::string FrameLogHeader() {
  return "frame,time_ms,fps,capture_w,capture_h,blanked,ae_index,ae_length,exposure,ae_target,awb_type,zoom,"
         "light_level,awb_ref_r,awb_ref_g,awb_ref_b,raw_brightness,out_luma,out_r_g,out_b_g,"
         "sensor_exposure,sensor_gain\n";
}

std::string FrameLogLine(const FrameRecord &r) {
  std::string line = std::to_string(r.frame) + "," + Fixed(r.timeMs, 3) + "," + Fixed(r.fps, 3) + "," +
                     std::to_string(r.captureWidth) + "," + std::to_string(r.captureHeight) + "," +
                     (r.blanked ? "1" : "0") + "," + std::to_string(r.aeIndex) + "," +
                     std::to_string(r.aeLength) + "," + std::to_string(r.exposure) + "," +
                     std::to_string(r.aeTarget) + "," + std::to_string(r.awbType) + "," + std::to_string(r.zoom) + ",";
  if (r.snapshot) {
    line += std::to_string(r.snapshot->lightLevel) + "," + std::to_string(r.snapshot->awbRefR) + "," +
            std::to_string(r.snapshot->awbRefG) + "," + std::to_string(r.snapshot->awbRefB) + ",";
  } else {
    line += ",,,,";
  }
  line += Fixed(r.rawBrightness, 2) + "," + Fixed(r.outLuma, 2) + "," + Fixed(r.outRedOverGreen, 1) + "," +
          Fixed(r.outBlueOverGreen, 1) + "," + Optional(r.sensorExposure) + "," + Optional(r.sensorGain) + "\n";
  return line;
}

}  // namespace sorvexcam
