// Raw snapshots as the camera stores them under its service key
// \REGISTRY\MACHINE\SYSTEM\CurrentControlSet\Services\DCamSorvex:
//   "RawNNDataII"  REG_BINARY  chunk II of the frame (16,384 bytes, or
//                              999,999 when the service key is complete)
//   "RawNNInfo"    REG_BINARY  128-byte record ("ESS ", output size, P1..P8,
//                              noise level, lens shading, white-balance
//                              references and limit, target, colour off,
//                              sensor, 100, light level, black level)
//   "RawNNW", "RawNNH"  REG_DWORD  the capture size
// NN is the snapshot number 01..64. The frame is the raw Bayer frame one byte
// per sample, after the sensor's known defects (bad last lines or columns)
// were repaired, exactly as the processing saw it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sorvexsnap {

struct Snapshot {
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<uint8_t> frame;  // width x height bytes
  std::vector<uint8_t> info;   // the 128-byte record
};

// Reads snapshot `number` from the kernel layer's registry (load the registry
// file first). False with a reason when it is missing or inconsistent.
bool ReadSnapshot(uint32_t number, Snapshot *snapshot, std::string *error);

// The frame as an 8-bit binary PGM.
std::string ToPgm(const Snapshot &snapshot);
// The record as readable "name value" lines.
std::string DescribeInfo(const Snapshot &snapshot);

}  // namespace sorvexsnap
