// sorvex0's stages on their own: frame statistics, Bayer decimation, the
// lens-shading map build and apply, the exposure run and the tone-table
// build, the zoom kernels, and the face tracker's phases.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

#include "bench_camera.h"
#include "bench_cases.h"
#include "bench_frames.h"
#include "bench_suites.h"
#include "exposure/exposure_loop.h"
#include "exposure/frame_statistics.h"
#include "exposure/tone_curve.h"
#include "frame/bayer_decimation.h"
#include "core/isp_context.h"
#include "frame/lens_shading.h"
#include "face/face_tracking.h"
#include "face/face_work_area.h"
#include "zoom/zoom.h"

using namespace sorvex0;

namespace bench {
namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 960;
constexpr size_t kSamples = static_cast<size_t>(kWidth) * kHeight;
const char *const kSensor = "OV9650";

void AddMeasureAndDecimate() {
  AddOursInForms("sorvex0/measure_frame/" + SizeName(kWidth, kHeight), "", kSamples, [](benchmark::State &state) {
    BenchCamera camera(kSensor, 2);
    const std::vector<uint8_t> &raw = SceneRaw(kWidth, kHeight);
    for (auto _ : state) benchmark::DoNotOptimize(MeasureFrame(camera.context(), raw.data(), kWidth, kHeight));
  });
  AddOursInForms("sorvex0/decimate_bayer/" + SizeName(kWidth, kHeight), "", kSamples, [](benchmark::State &state) {
    // The sets the probe answers, less any this form of the run withholds.
    const uint32_t sets = ProbeVectorSets();
    TimeInPlace(state, SceneRaw(kWidth, kHeight), [sets](uint8_t *raw) { DecimateBayer(raw, kWidth, kHeight, sets); });
  });
}

// Settings under which the correction runs at full strength: brightness at
// the target and a bright centre.
void PrepareLensShading(IspContext *context) {
  context->ric = 1;
  context->aeTarget = 72;
  context->measuredBrightness = 72;
  context->centreScore = 96;
}

void AddLensShading() {
  AddOurs("sorvex0/lens_map_build/" + SizeName(kWidth, kHeight), "", kSamples, [](benchmark::State &state) {
    BenchCamera camera(kSensor, 2);
    PrepareLensShading(camera.context());
    for (auto _ : state) {
      benchmark::DoNotOptimize(BuildLensShadingMap(camera.context(), 0, kWidth, kHeight, kWidth, kHeight));
      benchmark::ClobberMemory();
    }
  });
  // The map is built on the first frame and reused: this is the per-frame cost.
  AddOursInForms("sorvex0/lens_shading_apply/" + SizeName(kWidth, kHeight), "", kSamples, [](benchmark::State &state) {
    BenchCamera camera(kSensor, 2);
    PrepareLensShading(camera.context());
    TimeInPlace(state, SceneRaw(kWidth, kHeight), [&](uint8_t *raw) {
      ApplyLensShading(camera.context(), raw, kWidth, kHeight, kWidth, kHeight);
    });
  });
}

// One whole exposure run on a 1280 x 960 frame: measurement, the exposure
// table step, white balance, tone tables and colour matrices. The run clock
// is wound back before every call so that each one is due.
void AddExposureRun() {
  AddOurs("sorvex0/exposure_run/" + SizeName(kWidth, kHeight), "", kSamples, [](benchmark::State &state) {
    BenchCamera camera(kSensor, 2);
    uint32_t captureWidth = 0;
    uint32_t captureHeight = 0;
    camera.Start(SORVEX_FORMAT_YUYV, 640, 480, &captureWidth, &captureHeight);
    IspContext *context = camera.context();
    context->blankFrameCount = 0;
    const PictureValues values = {50, 50, 50, 50, 50, 50, 50, 50, 50};
    TimeInPlace(state, SceneRaw(kWidth, kHeight), [&](uint8_t *raw) {
      context->lastAeTime = std::numeric_limits<int64_t>::min() / 2;
      context->framesSinceAe = 2;
      benchmark::DoNotOptimize(RunExposureStep(context, 0, values, raw, kWidth, kHeight));
    });
  });
  AddOurs("sorvex0/tone_tables/256", "", 3 * 256, [](benchmark::State &state) {
    BenchCamera camera(kSensor, 2);
    for (auto _ : state) {
      BuildToneTables(camera.context(), 50, 50, 50);
      benchmark::ClobberMemory();
    }
  });
}

// The zoom kernels enlarging a centred window back to 640 x 480 at the
// levels that show their kinds: a long copy run (1), the 5/4 kernel of the
// fixed enlargement (8), the doubling (20) and the densest pattern (29).
// Each is compared with a copy of the frame it writes.
constexpr uint32_t kZoomLevels[] = {1, 8, 20, 29};
constexpr uint32_t kZoomWidth = 640;
constexpr uint32_t kZoomHeight = 480;

struct ZoomFormat {
  const char *name;
  uint32_t bytesPerPixel;
  void (*zoom)(uint32_t, uint8_t *, uint32_t, uint32_t, uint32_t, uint32_t, ZoomPlacement, ZoomPlacement,
               uint32_t);
};

void AddZoomKernels() {
  const ZoomFormat formats[] = {{"rgb24", 3, ZoomBitmap}, {"yuyv", 2, ZoomYuyv}};
  for (const ZoomFormat &format : formats) {
    for (uint32_t level : kZoomLevels) {
      const size_t frameBytes = static_cast<size_t>(kZoomWidth) * kZoomHeight * format.bytesPerPixel;
      AddOursInForms("sorvex0/zoom_" + std::string(format.name) + "_level" + std::to_string(level) + "/" +
                  SizeName(kZoomWidth, kZoomHeight),
              "", frameBytes, [=](benchmark::State &state) {
                const uint32_t n = 80 - 2 * level;
                const uint32_t windowWidth = kZoomWidth * n / 80;
                const uint32_t windowHeight = kZoomHeight * n / 80;
                const int32_t x0 = static_cast<int32_t>((kZoomWidth - windowWidth) / 2);
                const int32_t y0 = static_cast<int32_t>((kZoomHeight - windowHeight) / 2);
                const ZoomPlacement window = {x0, y0, x0 + static_cast<int32_t>(windowWidth),
                                              y0 + static_cast<int32_t>(windowHeight)};
                // The window image is the top left of the scene picture, packed.
                const std::vector<uint8_t> &scene = format.bytesPerPixel == 2
                                                        ? SceneYuyv(kZoomWidth, kZoomHeight)
                                                        : ScenePicture(kZoomWidth, kZoomHeight).pixels;
                std::vector<uint8_t> original(frameBytes, 0);
                const size_t windowRow = static_cast<size_t>(windowWidth) * format.bytesPerPixel;
                const size_t frameRow = static_cast<size_t>(kZoomWidth) * format.bytesPerPixel;
                for (uint32_t row = 0; row < windowHeight; ++row) {
                  std::copy_n(scene.begin() + static_cast<std::ptrdiff_t>(row * frameRow), windowRow,
                              original.begin() + static_cast<std::ptrdiff_t>(row * windowRow));
                }
                // The sets the probe answers, less any this form of the run withholds.
                const uint32_t sets = ProbeVectorSets();
                TimeInPlace(state, original, [&](uint8_t *image) {
                  format.zoom(level, image, windowWidth, windowHeight, kZoomWidth, kZoomHeight, window, window,
                              sets);
                });
              });
    }
  }
}

// Phase 0 samples the frame and builds the maps, 1 finds the candidates, 2
// chooses; 3 does nothing. Each iteration runs the one phase again on the
// maps of the phase before it, unlocked.
void AddFaceTracking() {
  const int width = 640;
  const int height = 480;
  for (uint32_t phase = 0; phase < 3; ++phase) {
    AddOurs("sorvex0/face_track_phase" + std::to_string(phase) + "/" + SizeName(width, height), "",
            YuyvBytes(width, height), [=](benchmark::State &state) {
              std::vector<uint8_t> workArea(kFaceWorkAreaBytes, 0);
              *FaceTrackBox(workArea.data()) = TrackBox{0, width - 1, 0, height - 1};
              const std::vector<uint8_t> &yuyv = FaceYuyv(width, height);
              for (uint32_t earlier = 0; earlier < phase; ++earlier) {
                *FacePhaseSlot(workArea.data()) = earlier;
                FaceTrackFrame(workArea.data(), yuyv.data(), width, height);
              }
              for (auto _ : state) {
                *FacePhaseSlot(workArea.data()) = phase;
                *FaceLockFlag(workArea.data()) = 0;
                FaceTrackFrame(workArea.data(), yuyv.data(), width, height);
                benchmark::ClobberMemory();
              }
            });
  }
}

}  // namespace

void AddIspStageBenchmarks() {
  AddMeasureAndDecimate();
  AddLensShading();
  AddExposureRun();
  AddZoomKernels();
  AddFaceTracking();
}

}  // namespace bench
