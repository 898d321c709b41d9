// sorvex0's stages on their own: frame statistics, Bayer decimation, the
// lens-shading map build and apply, and the face tracker's phases.
//
// Not yet here: the exposure run and the tone-table build (their stages are
// still being finished) and the zoom kernels at levels 1, 8, 20 and 29 in
// both formats, which come with the digital zoom; each is one more AddOurs
// below, the zoom kernels compared with a copy of their output bytes.
#include <vector>

#include "bench_camera.h"
#include "bench_cases.h"
#include "bench_frames.h"
#include "bench_suites.h"
#include "exposure/frame_statistics.h"
#include "pipeline/bayer_decimation.h"
#include "pipeline/context/isp_context.h"
#include "pipeline/lens_shading.h"
#include "settings/face_tracking.h"
#include "settings/face_work_area.h"

namespace bench {
namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 960;
constexpr size_t kSamples = static_cast<size_t>(kWidth) * kHeight;
const char *const kSensor = "OV9650";

void AddMeasureAndDecimate() {
  AddOurs("sorvex0/measure_frame/" + SizeName(kWidth, kHeight), "", kSamples, [](benchmark::State &state) {
    BenchCamera camera(kSensor, 2);
    const std::vector<uint8_t> &raw = SceneRaw(kWidth, kHeight);
    for (auto _ : state) benchmark::DoNotOptimize(MeasureFrame(camera.context(), raw.data(), kWidth, kHeight));
  });
  AddOurs("sorvex0/decimate_bayer/" + SizeName(kWidth, kHeight), "", kSamples, [](benchmark::State &state) {
    TimeInPlace(state, SceneRaw(kWidth, kHeight), [](uint8_t *raw) { DecimateBayer(raw, kWidth, kHeight); });
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
  AddOurs("sorvex0/lens_shading_apply/" + SizeName(kWidth, kHeight), "", kSamples, [](benchmark::State &state) {
    BenchCamera camera(kSensor, 2);
    PrepareLensShading(camera.context());
    TimeInPlace(state, SceneRaw(kWidth, kHeight), [&](uint8_t *raw) {
      ApplyLensShading(camera.context(), raw, kWidth, kHeight, kWidth, kHeight);
    });
  });
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
  AddFaceTracking();
}

}  // namespace bench
