#include "camera_run.h"

#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "bmp_file.h"
#include "convergence_plot.h"
#include "custom_property.h"
#include "hostkernel/host_control.h"
#include "picture_files.h"
#include "sensor_model_source.h"
#include "snapshot_store.h"
#include "y4m_writer.h"

namespace sorvexcam {
namespace {

// 2024-01-01 00:00 UTC in the kernel's 100 ns units since 1601.
constexpr int64_t kStreamStartTime = 133485408000000000;
constexpr int64_t kUnitsPerSecond = 10000000;
constexpr uint32_t kItemAeTableLength = 34;
constexpr uint32_t kItemAeIndex = 35;
constexpr uint32_t kItemExposure = 36;
constexpr uint32_t kItemAeTarget = 33;
constexpr uint32_t kItemAwbType = 21;
constexpr uint32_t kNoFrame = 0xFFFFFFFF;
constexpr size_t kInfoLightLevel = 84;
constexpr size_t kInfoAwbRefR = 52;
constexpr size_t kInfoAwbRefG = 56;
constexpr size_t kInfoAwbRefB = 60;

struct FileCloser {
  void operator()(std::FILE *file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// The clock's time past the start after `frames` frame periods, as
// frames * 10^7 * denominator / numerator units (truncated) but in parts that
// cannot overflow: the whole units of a period and what remains. False when
// the clock cannot count that far.
bool ElapsedUnits(const Options &options, uint64_t frames, uint64_t *elapsed) {
  const uint64_t periodTimesRate = static_cast<uint64_t>(kUnitsPerSecond) * options.fpsDenominator;  // below 2^56
  const uint64_t whole = periodTimesRate / options.fpsNumerator;
  const uint64_t rest = periodTimesRate % options.fpsNumerator;
  const uint64_t room = static_cast<uint64_t>(INT64_MAX - kStreamStartTime);
  if (whole != 0 && frames > room / whole) return false;
  *elapsed = frames * whole + frames * rest / options.fpsNumerator;  // frames * rest is below 2^64
  return *elapsed <= room;
}

// Frame `frame` arrives one frame period after the one before it; the run's
// frame count was checked with FrameClockCovers.
int64_t FrameTime(const Options &options, uint32_t frame) {
  uint64_t elapsed = 0;
  ElapsedUnits(options, uint64_t{frame} + 1, &elapsed);
  return kStreamStartTime + static_cast<int64_t>(elapsed);
}

double BrightnessOfMeans(double red, double green, double blue) {
  return 0.299 * red + 0.587 * green + 0.114 * blue;
}

// The luma of the raw frame's channel means (Bayer), or its mean Y (YUYV).
double RawBrightness(const std::vector<uint8_t> &raw, const RawFrameShape &shape) {
  if (shape.layout == RawLayout::kYuyv) {
    uint64_t sum = 0;
    for (size_t i = 0; i < raw.size(); i += 2) sum += raw[i];
    return raw.empty() ? 0 : static_cast<double>(sum) / static_cast<double>(raw.size() / 2);
  }
  uint64_t sums[3] = {};
  uint64_t counts[3] = {};
  for (uint32_t y = 0; y < shape.height; ++y) {
    for (uint32_t x = 0; x < shape.width; ++x) {
      const BayerColour colour = CameraColourAt(x, y);
      sums[colour] += raw[static_cast<size_t>(y) * shape.width + x];
      ++counts[colour];
    }
  }
  auto mean = [&](int c) { return counts[c] ? static_cast<double>(sums[c]) / static_cast<double>(counts[c]) : 0.0; };
  return BrightnessOfMeans(mean(kRed), mean(kGreen), mean(kBlue));
}

void MeasureOutput(const RgbImage &picture, FrameRecord *record) {
  double sums[3] = {};
  for (size_t i = 0; i < picture.rgb.size(); i += 3) {
    for (int c = 0; c < 3; ++c) sums[c] += picture.rgb[i + static_cast<size_t>(c)];
  }
  const double pixels = std::max<double>(1, static_cast<double>(picture.rgb.size() / 3));
  const double red = sums[0] / pixels, green = sums[1] / pixels, blue = sums[2] / pixels;
  record->outLuma = BrightnessOfMeans(red, green, blue);
  record->outRedOverGreen = green > 0 ? 100.0 * red / green : 0;
  record->outBlueOverGreen = green > 0 ? 100.0 * blue / green : 0;
}

void ReadLoopState(IspContext *context, FrameRecord *record) {
  const SorvexDevice device = SimulatedMinidriver::kDevice;
  record->aeIndex = static_cast<int32_t>(GetSettingItem(context, device, kItemAeIndex).value);
  record->aeLength = GetSettingItem(context, device, kItemAeTableLength).value;
  record->exposure = GetSettingItem(context, device, kItemExposure).value;
  record->aeTarget = GetSettingItem(context, device, kItemAeTarget).value;
  record->awbType = GetSettingItem(context, device, kItemAwbType).value;
  record->zoom = GetProperty(context, device, kPropertyZoom).value;
}

// The state the library recorded with snapshot `number`.
bool ReadSnapshotValues(uint32_t number, SnapshotValues *values, std::string *error) {
  sorvexsnap::Snapshot snapshot;
  if (!sorvexsnap::ReadSnapshot(number, &snapshot, error)) return false;
  values->number = number;
  values->lightLevel = LoadWord(&snapshot.info[kInfoLightLevel]);
  values->awbRefR = LoadWord(&snapshot.info[kInfoAwbRefR]);
  values->awbRefG = LoadWord(&snapshot.info[kInfoAwbRefG]);
  values->awbRefB = LoadWord(&snapshot.info[kInfoAwbRefB]);
  return true;
}

void ShowProgress(uint32_t frame, uint32_t frameCount, const FrameRecord &record) {
  static const bool onTerminal = isatty(fileno(stderr)) != 0;
  if (!onTerminal) return;
  std::fprintf(stderr, "\rframe %u/%u  exposure index %d  raw %.0f  output luma %.0f%s", frame + 1, frameCount,
               record.aeIndex, record.rawBrightness, record.outLuma, record.blanked ? "  (blanked)" : "          ");
  if (frame + 1 == frameCount) std::fputc('\n', stderr);
  std::fflush(stderr);
}

class Run {
 public:
  Run(const Options &options, uint32_t frameCount, FrameSource *source, SimulatedMinidriver *driver,
      FrameWatcher *watcher, OutputFiles *outputs, RunSummary *summary)
      : options_(options), frameCount_(frameCount), source_(source), driver_(driver), watcher_(watcher),
        outputs_(outputs), summary_(summary) {}

  bool OpenVideo(std::string *error);
  void RunActions(uint32_t frame, bool sets);
  bool ProcessFrame(uint32_t frame, std::string *error);
  bool StopRequested() const { return stopRequested_; }
  // When the watcher ended the stream early: its last frame, if --save
  // asked for the last.
  bool SaveEarlyLastFrame(std::string *error);
  bool WriteLogAndPlot(std::string *error);

 private:
  bool SavePicture(uint32_t frame, const std::vector<uint8_t> &image, std::string *error);
  void NoteCaptureSize(const CaptureSize &capture);
  void CollectSnapshot(FrameRecord *record);

  const Options &options_;
  uint32_t frameCount_;
  FrameSource *source_;
  SimulatedMinidriver *driver_;
  FrameWatcher *watcher_;
  std::vector<PropertyAction> watcherActions_;
  uint32_t lastSaved_ = kNoFrame;
  bool stopRequested_ = false;
  OutputFiles *outputs_;
  RunSummary *summary_;
  FilePtr video_;
  bool snapshotArmed_ = false;
  std::vector<uint8_t> raw_;
  std::vector<uint8_t> image_;
};

bool Run::OpenVideo(std::string *error) {
  if (options_.format == OutputFormat::kRgb24) return true;
  const std::string path = outputs_->Stage(VideoPath(options_));
  video_.reset(std::fopen(path.c_str(), "wb"));
  const std::string header =
      Y4mHeader(options_.format, options_.width, options_.height, options_.fpsNumerator, options_.fpsDenominator);
  if (!video_ || std::fwrite(header.data(), 1, header.size(), video_.get()) != header.size()) {
    *error = CannotBeWritten(path, errno);
    return false;
  }
  return true;
}

void Run::RunActions(uint32_t frame, bool sets) {
  auto run = [&](const PropertyAction &action) {
    summary_->propertyLines.push_back("frame " + std::to_string(frame) + ": " +
                                      RunPropertyAction(driver_->Context(), SimulatedMinidriver::kDevice, action,
                                                        &snapshotArmed_));
  };
  for (const PropertyAction &action : options_.actions) {
    if (action.frame == frame && action.set == sets) run(action);
  }
  if (sets) {
    for (const PropertyAction &action : watcherActions_) run(action);
    watcherActions_.clear();
  }
}

void Run::NoteCaptureSize(const CaptureSize &capture) {
  const std::string size = std::to_string(capture.width) + "x" + std::to_string(capture.height);
  if (summary_->captureSizes.empty() || summary_->captureSizes.back() != size) summary_->captureSizes.push_back(size);
}

void Run::CollectSnapshot(FrameRecord *record) {
  if (!snapshotArmed_) return;
  const PropertyAnswer answer = GetSnapshotNumber(driver_->Context(), SimulatedMinidriver::kDevice);
  if (answer.value == 0) return;
  snapshotArmed_ = false;
  SnapshotValues values;
  std::string error;
  std::string line = "frame " + std::to_string(record->frame) + ": snapshot " + std::to_string(answer.value) + " taken";
  if (ReadSnapshotValues(answer.value, &values, &error)) {
    record->snapshot = values;
    line += " (light level " + std::to_string(values.lightLevel) + ")";
  } else {
    line += ", but its values cannot be read back: " + error;
  }
  summary_->propertyLines.push_back(line);
}

bool Run::ProcessFrame(uint32_t frame, std::string *error) {
  hostkernel::SetSystemTime(FrameTime(options_, frame));
  RunActions(frame, true);
  const CaptureSize capture = driver_->CurrentCaptureSize();
  NoteCaptureSize(capture);
  RawFrameShape shape;
  shape.width = capture.width;
  shape.height = capture.height;
  // The MI1320 processes its own frames into YUYV for outputs up to 640 wide.
  shape.layout = options_.sensor == "MI1320" && options_.width <= 640 ? RawLayout::kYuyv : RawLayout::kBayer8;
  if (!source_->Supports(shape.layout)) {
    *error = "the " + options_.sensor + " sends YUYV frames at this output size, and " + source_->Describe() +
             " gives Bayer frames only";
    return false;
  }
  if (!source_->RenderFrame(frame, shape, &raw_, error)) return false;
  if (raw_.size() != RawFrameBytes(shape)) {
    *error = "the source gave a frame of " + std::to_string(raw_.size()) + " bytes for " +
             std::to_string(shape.width) + "x" + std::to_string(shape.height);
    return false;
  }

  FrameRecord record;
  record.frame = frame;
  record.timeMs = static_cast<double>(FrameTime(options_, frame) - kStreamStartTime) / 10000.0;
  record.fps = static_cast<double>(options_.fpsNumerator) / options_.fpsDenominator;
  record.captureWidth = capture.width;
  record.captureHeight = capture.height;
  record.rawBrightness = RawBrightness(raw_, shape);
  const SensorState sensor = source_->LastSensorState();
  if (sensor.known) {
    record.sensorExposure = sensor.exposureLines;
    record.sensorGain = sensor.gainPercent;
  }

  image_.assign(OutputImageBytes(options_.format, options_.width, options_.height), 0);
  driver_->ProcessFrame(static_cast<uint32_t>(options_.format), options_.pictureValues, image_.data(), raw_.data(),
                        options_.width, options_.height);
  record.blanked = IsBlankImage(options_.format, image_, options_.width, options_.height);
  const RgbImage picture = OutputToRgb(options_.format, image_.data(), options_.width, options_.height);
  MeasureOutput(picture, &record);
  ReadLoopState(driver_->Context(), &record);
  CollectSnapshot(&record);
  RunActions(frame, false);

  if (options_.save.Includes(frame, frameCount_)) {
    if (!SavePicture(frame, image_, error)) return false;
    lastSaved_ = frame;
  }
  if (video_) {
    const std::vector<uint8_t> data = Y4mFrame(options_.format, image_.data(), options_.width, options_.height);
    if (std::fwrite(data.data(), 1, data.size(), video_.get()) != data.size()) {
      *error = CannotBeWritten(VideoPath(options_), errno);
      return false;
    }
  }
  summary_->blanked += record.blanked ? 1 : 0;
  summary_->frames = frame + 1;
  summary_->records.push_back(record);
  if (watcher_ == nullptr) {
    ShowProgress(frame, frameCount_, record);
    return true;
  }
  WatcherAnswer answer = watcher_->AfterFrame(driver_->Context(), record, picture);
  watcherActions_ = std::move(answer.actions);
  stopRequested_ = answer.stop;
  return true;
}

bool Run::SaveEarlyLastFrame(std::string *error) {
  const uint32_t last = summary_->frames - 1;
  if (summary_->frames == 0 || !options_.save.last || lastSaved_ == last) return true;
  return SavePicture(last, image_, error);
}

bool Run::SavePicture(uint32_t frame, const std::vector<uint8_t> &image, std::string *error) {
  const std::string path = FramePicturePath(options_, frame);
  const std::string staged = outputs_->Stage(path);
  errno = 0;  // the writers fail through the C library, which sets it
  const bool ok = options_.format == OutputFormat::kRgb24
                      ? WriteBottomUpBgrBmp(staged, static_cast<int>(options_.width), static_cast<int>(options_.height), image)
                      : WritePng(staged, OutputToRgb(options_.format, image.data(), options_.width, options_.height));
  if (!ok) *error = CannotBeWritten(staged, errno);
  return ok;
}

bool Run::WriteLogAndPlot(std::string *error) {
  if (video_) {
    const bool closed = std::fclose(video_.release()) == 0;
    if (!closed) {
      *error = CannotBeWritten(VideoPath(options_), errno);
      return false;
    }
  }
  std::string csv = FrameLogHeader();
  for (const FrameRecord &record : summary_->records) csv += FrameLogLine(record);
  const std::string source = source_->Describe();
  const std::string title =
      source.find(options_.sensor) != std::string::npos ? source : options_.sensor + ", " + source;
  const std::string svg = ConvergencePlotSvg(summary_->records, title);
  return outputs_->WriteStaged(LogPath(options_), csv.data(), csv.size(), error) &&
         outputs_->WriteStaged(PlotPath(options_), svg.data(), svg.size(), error);
}

}  // namespace

std::string FramePicturePath(const Options &options, uint32_t frame) {
  char name[32];
  std::snprintf(name, sizeof name, "frame_%04u.%s", frame, options.format == OutputFormat::kRgb24 ? "bmp" : "png");
  return options.outDir + "/" + name;
}

bool FrameClockCovers(const Options &options, uint32_t frameCount) {
  uint64_t elapsed = 0;
  return ElapsedUnits(options, uint64_t{frameCount}, &elapsed);
}

std::string VideoPath(const Options &options) { return options.outDir + "/video.y4m"; }
std::string LogPath(const Options &options) { return options.outDir + "/log.csv"; }
std::string PlotPath(const Options &options) { return options.outDir + "/convergence.svg"; }

bool RunCamera(const Options &options, uint32_t frameCount, FrameSource *source, SensorModelSource *model,
               SimulatedMinidriver *driver, FrameWatcher *watcher, OutputFiles *outputs, RunSummary *summary,
               std::string *error) {
  Run run(options, frameCount, source, driver, watcher, outputs, summary);
  hostkernel::SetSystemTime(kStreamStartTime);
  const CaptureSize capture =
      driver->StartStream(static_cast<uint32_t>(options.format), options.width, options.height);
  if (model != nullptr) {
    const uint32_t target = GetSettingItem(driver->Context(), SimulatedMinidriver::kDevice, kItemAeTarget).value;
    model->SetLight(options.sceneLight, target, capture.width, capture.height);
  }
  if (!run.OpenVideo(error)) return false;
  for (uint32_t frame = 0; frame < frameCount && !run.StopRequested(); ++frame) {
    if (!run.ProcessFrame(frame, error)) return false;
  }
  if (run.StopRequested() && !run.SaveEarlyLastFrame(error)) return false;
  return run.WriteLogAndPlot(error);
}

}  // namespace sorvexcam
