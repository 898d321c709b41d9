// sorvexcam: the camera front end. Plays the camera's minidriver against the
// image-processing library through its public exports: raw frames from a
// simulated sensor, a directory or a camera raw file go in; bitmaps, video,
// a per-frame log and a convergence plot come out. The camera's settings
// persist in a registry file between runs.

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "camera_raw_source.h"
#include "camera_run.h"
#include "hostkernel/host_control.h"
#include "live_view.h"
#include "options.h"
#include "output_files.h"
#include "picture_source.h"
#include "raw_directory_source.h"
#include "sensor_model_source.h"
#include "simulated_minidriver.h"

namespace sorvexcam {
namespace {

constexpr int kExitBadOptions = 2;
constexpr int kExitFailed = 1;

int Fail(int code, const std::string &message) {
  std::fprintf(stderr, "sorvexcam: %s\n", message.c_str());
  return code;
}

sensorsim::Illuminant IlluminantOf(IlluminantKind kind) {
  switch (kind) {
    case IlluminantKind::kWarm: return sensorsim::WarmIlluminant();
    case IlluminantKind::kCool: return sensorsim::CoolIlluminant();
    default: return sensorsim::Illuminant();
  }
}

// The source the options name. For the scene, pictures and camera raws it is
// the sensor model unless --still asks otherwise or the model does not cover
// the sensor.
struct ChosenSource {
  std::unique_ptr<FrameSource> source;
  SensorModelSource *model = nullptr;
};

bool ChooseModel(const Options &options, std::unique_ptr<LinearScene> scene, ChosenSource *chosen) {
  if (options.still) return false;
  std::string why;
  std::unique_ptr<SensorModelSource> model = SensorModelSource::Create(
      options.sensor, SimulatedMinidriver::kDevice, std::move(scene), IlluminantOf(options.illuminant), &why);
  if (!model) {
    std::printf("note: %s; the %s is fed as a still frame\n", why.c_str(),
                options.source == SourceKind::kCameraRaw ? "raw" : "picture");
    return false;
  }
  chosen->model = model.get();
  chosen->source = std::move(model);
  return true;
}

bool MakeSource(const Options &options, ChosenSource *chosen, std::string *error) {
  switch (options.source) {
    case SourceKind::kScene:
    case SourceKind::kPicture: {
      ScenePicture picture = ScenePicture::BuiltIn();
      if (options.source == SourceKind::kPicture && !ScenePicture::FromFile(options.sourcePath, &picture, error)) {
        return false;
      }
      if (!ChooseModel(options, std::make_unique<ScenePicture>(picture), chosen)) {
        chosen->source = std::make_unique<PictureSource>(std::move(picture));
      }
      return true;
    }
    case SourceKind::kRawDirectory:
      chosen->source = RawDirectorySource::Open(options.sourcePath, options.rawWidth, options.rawHeight,
                                                options.rawPattern, error);
      return chosen->source != nullptr;
    case SourceKind::kCameraRaw: {
      CameraRaw raw;
      if (!ReadCameraRaw(options.sourcePath, &raw, error)) return false;
      if (!ChooseModel(options, std::make_unique<CameraRawScene>(raw), chosen)) {
        chosen->source = std::make_unique<CameraRawSource>(raw);
      }
      return true;
    }
  }
  return false;
}

bool LoadRegistry(const std::string &path, std::string *error) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) {
    hostkernel::ResetRegistry();  // first use: the file is created at the end
    return true;
  }
  if (!hostkernel::LoadRegistryFile(path, error)) {
    *error = path + ": " + *error;
    return false;
  }
  return true;
}

bool CheckActionFrames(const Options &options, uint32_t frameCount, std::string *error) {
  for (const PropertyAction &action : options.actions) {
    if (action.frame >= frameCount) {
      *error = "\"" + action.text + "\": frame " + std::to_string(action.frame) + " is past the last frame " +
               std::to_string(frameCount - 1);
      return false;
    }
  }
  return true;
}

// The settings file must not be one of the files the run writes: one would
// overwrite the other. Both are compared with their links followed.
bool CheckRegistryIsNoOutput(const Options &options, uint32_t frameCount, std::string *error) {
  namespace fs = std::filesystem;
  std::error_code registryCode, folderCode;
  const fs::path registry = fs::weakly_canonical(options.registryFile, registryCode);
  const fs::path folder = fs::weakly_canonical(options.outDir, folderCode);
  if (registryCode || folderCode || registry.parent_path() != folder) return true;
  std::vector<std::string> outputs = {LogPath(options), PlotPath(options)};
  if (options.format != OutputFormat::kRgb24) outputs.push_back(VideoPath(options));
  for (uint32_t frame = 0; frame < frameCount; ++frame) {
    if (options.save.Includes(frame, frameCount)) outputs.push_back(FramePicturePath(options, frame));
  }
  for (const std::string &output : outputs) {
    if (fs::path(output).filename() == registry.filename()) {
      *error = "--registry " + options.registryFile + ": is one of the run's outputs (" + output + ")";
      return false;
    }
  }
  return true;
}

void PrintSummary(const Options &options, const FrameSource &source, const SimulatedMinidriver &driver,
                  const RunSummary &summary, const OutputFiles &outputs) {
  std::printf("camera: %s at %s speed, %s %ux%u, %u frames at %.3f fps\n", options.sensor.c_str(),
              options.highSpeed ? "high" : "full",
              options.format == OutputFormat::kRgb24 ? "rgb24" : options.format == OutputFormat::kYuyv ? "yuyv" : "i420",
              options.width, options.height, summary.frames,
              static_cast<double>(options.fpsNumerator) / options.fpsDenominator);
  std::printf("source: %s\n", source.Describe().c_str());
  std::string sizes;
  for (const std::string &size : summary.captureSizes) sizes += (sizes.empty() ? "" : " -> ") + size;
  std::printf("capture: %s; %u frames blanked; mode scripts:", sizes.c_str(), summary.blanked);
  for (const std::string &script : driver.ModeScripts()) std::printf(" %s", script.c_str());
  std::printf("%s\n", driver.ModeScripts().empty() ? " none" : "");
  std::printf("registers: %llu written, %llu read\n", static_cast<unsigned long long>(driver.RegisterWrites()),
              static_cast<unsigned long long>(driver.RegisterReads()));
  for (const std::string &line : summary.propertyLines) std::printf("%s\n", line.c_str());
  if (!summary.records.empty()) {
    const FrameRecord &last = summary.records.back();
    std::printf("last frame: exposure index %d of %u (target %u), raw brightness %.1f, output luma %.1f, "
                "red/green %.1f%%, blue/green %.1f%%\n",
                last.aeIndex, last.aeLength, last.aeTarget, last.rawBrightness, last.outLuma,
                last.outRedOverGreen, last.outBlueOverGreen);
  }
  size_t pictures = 0;
  for (const std::string &path : outputs.Committed()) {
    if (path.size() > 4 && (path.compare(path.size() - 4, 4, ".bmp") == 0 || path.compare(path.size() - 4, 4, ".png") == 0)) {
      ++pictures;
    }
  }
  const std::string folder = std::filesystem::absolute(options.outDir).lexically_normal().string();
  std::printf("wrote to %s/: %zu frame picture(s)%s, %s, %s\n", folder.c_str(), pictures,
              options.format == OutputFormat::kRgb24 ? "" : ", video.y4m", "log.csv", "convergence.svg");
  std::printf("settings kept in %s\n",
              std::filesystem::absolute(options.registryFile).lexically_normal().string().c_str());
}

int RunMain(int argc, char **argv) {
  Options options;
  std::string error;
  if (!ParseOptions(std::vector<std::string>(argv + 1, argv + argc), &options, &error)) {
    return Fail(kExitBadOptions, error + "\n" + "try sorvexcam --help");
  }
  if (options.help) {
    std::fputs((UsageText() + LiveView::KeysHelp()).c_str(), stdout);
    return 0;
  }
  ChosenSource chosen;
  if (!MakeSource(options, &chosen, &error)) return Fail(kExitFailed, error);
  const uint32_t frameCount = options.framesGiven                  ? options.frames
                              : chosen.source->FrameCount() != 0 ? chosen.source->FrameCount()
                              : options.view                     ? kMostFrames
                                                                 : options.frames;
  if (!CheckActionFrames(options, frameCount, &error)) return Fail(kExitBadOptions, error);
  if (!FrameClockCovers(options, frameCount)) {
    return Fail(kExitBadOptions, "--fps " + std::to_string(options.fpsNumerator) + "/" +
                                     std::to_string(options.fpsDenominator) + ": the simulated clock cannot count " +
                                     std::to_string(frameCount) + " frames at this rate");
  }
  if (!CheckRegistryIsNoOutput(options, frameCount, &error)) return Fail(kExitBadOptions, error);
  const bool sendsYuyv = options.sensor == "MI1320" && options.width <= 640;
  if (sendsYuyv && !chosen.source->Supports(RawLayout::kYuyv)) {
    return Fail(kExitBadOptions, "the MI1320 sends YUYV frames for outputs up to 640 wide; " +
                                     chosen.source->Describe() + " has Bayer frames only");
  }
  if (!LoadRegistry(options.registryFile, &error)) return Fail(kExitFailed, error);
  std::unique_ptr<LiveView> view;
  if (options.view && !(view = LiveView::Open(options, &error))) return Fail(kExitFailed, error);

  OutputFiles outputs;
  if (!outputs.Prepare(options.outDir, &error)) return Fail(kExitFailed, error);
  hostkernel::InstallDefaultBiosArea();
  RunSummary summary;
  bool ok = true;
  {
    SimulatedMinidriver driver(chosen.source.get());
    SorvexStatus status = 0;
    ok = driver.Init(options.sensor, options.highSpeed, &status, &error);
    if (ok && status < 0) {
      std::printf("note: the settings could not be loaded (status 0x%08X); the camera runs on its defaults\n",
                  static_cast<uint32_t>(status));
    }
    ok = ok && RunCamera(options, frameCount, chosen.source.get(), chosen.model, &driver, view.get(), &outputs, &summary,
                          &error);
    driver.Exit();
    if (ok && driver.ForeignDeviceCalls() != 0) {
      error = "the library called back " + std::to_string(driver.ForeignDeviceCalls()) +
              " time(s) with a device value it was not given";
      ok = false;
    }
    if (ok) {
      const std::string registry = hostkernel::SaveRegistryText();
      ok = outputs.WriteStaged(options.registryFile, registry.data(), registry.size(), &error) &&
           outputs.Commit(&error);
    }
    if (ok) PrintSummary(options, *chosen.source, driver, summary, outputs);
  }
  if (!ok) {
    outputs.Abandon();
    return Fail(kExitFailed, outputs.Committed().empty() ? error + " (nothing written)" : error);
  }
  const size_t leaked = hostkernel::LivePoolBlocks().size();
  if (leaked != 0) return Fail(kExitFailed, "the library left " + std::to_string(leaked) + " pool block(s) allocated");
  return 0;
}

}  // namespace
}  // namespace sorvexcam

int main(int argc, char **argv) { return sorvexcam::RunMain(argc, argv); }
