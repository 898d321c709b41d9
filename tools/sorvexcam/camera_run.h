// One run of the camera: starts the stream, feeds every raw frame of the
// source through the library on the simulated clock, sends the property
// requests at their frames, and writes the frames, the video, the log and
// the plot.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "frame_log.h"
#include "frame_source.h"
#include "frame_watcher.h"
#include "options.h"
#include "output_files.h"
#include "simulated_minidriver.h"

namespace sorvexcam {

class SensorModelSource;

struct RunSummary {
  uint32_t frames = 0;
  uint32_t blanked = 0;
  std::vector<FrameRecord> records;
  std::vector<std::string> propertyLines;  // one per property request, in order
  std::vector<std::string> captureSizes;   // every capture size seen, in order
};

// `model` is the source again when it is the sensor model (its light is set
// once the stream has started), else null. `watcher` (may be null) sees every
// frame and may end the stream early; the frame it ends on counts as the
// last. False, with a reason, when a frame cannot be had or an output cannot
// be written; the caller abandons the outputs.
bool RunCamera(const Options &options, uint32_t frameCount, FrameSource *source, SensorModelSource *model,
               SimulatedMinidriver *driver, FrameWatcher *watcher, OutputFiles *outputs, RunSummary *summary,
               std::string *error);

// Whether the simulated clock, which starts at a fixed date and advances by
// one frame period a frame, can count `frameCount` frames at the options'
// rate.
bool FrameClockCovers(const Options &options, uint32_t frameCount);

// Where the run's files go.
std::string FramePicturePath(const Options &options, uint32_t frame);
std::string VideoPath(const Options &options);
std::string LogPath(const Options &options);
std::string PlotPath(const Options &options);

}  // namespace sorvexcam
