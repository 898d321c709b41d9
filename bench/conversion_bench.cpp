// The conversion library's slots on their own, on the scene frames.
#include <cstring>
#include <vector>

#include "bench_cases.h"
#include "bench_frames.h"
#include "bench_suites.h"
#include "demosaic.h"
#include "rgb_image.h"
#include "sorvex1.h"

namespace bench {
namespace {

using testsupport::RgbImage;

// A library instance for the length of one benchmark run.
class Library {
 public:
  Library() : ops_(FUNC_Init()) {}
  ~Library() { FUNC_Exit(ops_); }
  Library(const Library &) = delete;
  Library &operator=(const Library &) = delete;
  ConversionOps *ops() const { return ops_; }
  void *userData() const { return ops_->userData; }

 private:
  ConversionOps *ops_;
};

// Quality of the raw conversion on coffee.png at its own size, the way the
// peers' quality is measured: the demosaic alone (RGB), and raw -> YUYV ->
// bitmap, which is what a caller of the slot sees after its own conversion.
struct DemosaicQuality {
  double demosaicDb = 0;
  double yuyvRoundTripDb = 0;
};

DemosaicQuality MeasureDemosaicQuality() {
  DemosaicQuality quality;
  const RgbImage photo = LoadPhoto("coffee.png");
  if (photo.width == 0) return quality;
  std::vector<uint8_t> raw = testsupport::MosaicToBayer(photo);
  RgbImage demosaiced(photo.width, photo.height);
  std::vector<uint8_t> planes(static_cast<size_t>(photo.width) * 3);
  const sorvex1::RgbPlanes scratch = {planes.data(), planes.data() + photo.width, planes.data() + 2 * photo.width};
  std::vector<uint8_t> walkerScratch(sorvex1::DemosaicWalkerBytes(photo.width));
  sorvex1::DemosaicWalker walker = sorvex1::StartDemosaic(raw.data(), photo.width, photo.height, walkerScratch.data(), sorvex1::ScalarRowKernels());
  for (int32_t y = 0; y < photo.height; ++y) sorvex1::DemosaicLineToRgb(&walker, y, scratch, demosaiced.At(0, y));
  quality.demosaicDb = testsupport::PsnrRgb(demosaiced, photo, kPsnrBorder);
  Library library;
  std::vector<uint8_t> bitmap(BitmapBytes(photo.width, photo.height));
  FUNC_RawToBmp(library.ops(), raw.data(), photo.width, photo.height, bitmap.data(), photo.width, photo.height);
  quality.yuyvRoundTripDb =
      testsupport::PsnrRgb(testsupport::BitmapToRgb(bitmap.data(), photo.width, photo.height), photo, kPsnrBorder);
  return quality;
}

void AddRawToYuyv() {
  const int width = 1280;
  const int height = 960;
  AddOursInForms("sorvex1/raw_to_yuyv/" + SizeName(width, height), "opencv/bayer_to_bgr_bilinear/" + SizeName(width, height),
          YuyvBytes(width, height), [=](benchmark::State &state) {
            Library library;
            std::vector<uint8_t> raw = SceneRaw(width, height);
            std::vector<uint8_t> yuyv(YuyvBytes(width, height));
            for (auto _ : state) {
              library.ops()->convertRawToYuyv(library.userData(), raw.data(), width, height, yuyv.data(), width,
                                              height);
              benchmark::ClobberMemory();
            }
            static const DemosaicQuality quality = MeasureDemosaicQuality();
            state.counters["psnr_db"] = quality.yuyvRoundTripDb;
            state.counters["psnr_demosaic_db"] = quality.demosaicDb;
          });

  // The caller negates the source size to ask for a reduction.
  const int outWidth = 640;
  const int outHeight = 480;
  AddOursInForms("sorvex1/raw_to_yuyv/" + SizeName(width, height, outWidth, outHeight),
          "libyuv/argb_scale_bilinear/" + SizeName(width, height, outWidth, outHeight), width * height,
          [=](benchmark::State &state) {
            Library library;
            std::vector<uint8_t> raw = SceneRaw(width, height);
            std::vector<uint8_t> yuyv(YuyvBytes(outWidth, outHeight));
            for (auto _ : state) {
              library.ops()->convertRawToYuyv(library.userData(), raw.data(), -width, -height, yuyv.data(),
                                              outWidth, outHeight);
              benchmark::ClobberMemory();
            }
          });
}

void AddYuyvConversions() {
  const int sizes[][2] = {{640, 480}, {1280, 960}};
  for (const auto &s : sizes) {
    const int width = s[0];
    const int height = s[1];
    AddOursInForms("sorvex1/yuyv_to_i420/" + SizeName(width, height), "libyuv/yuy2_to_i420/" + SizeName(width, height),
            YuyvBytes(width, height), [=](benchmark::State &state) {
              Library library;
              const std::vector<uint8_t> &yuyv = SceneYuyv(width, height);
              std::vector<uint8_t> i420(I420Bytes(width, height));
              for (auto _ : state) {
                library.ops()->convertYuyvToI420(library.userData(), yuyv.data(), width, height, i420.data(),
                                                 width, height);
                benchmark::ClobberMemory();
              }
            });
    AddOursInForms("sorvex1/yuyv_to_bitmap/" + SizeName(width, height), "libyuv/yuy2_to_argb/" + SizeName(width, height),
            BitmapBytes(width, height), [=](benchmark::State &state) {
              Library library;
              const std::vector<uint8_t> &yuyv = SceneYuyv(width, height);
              std::vector<uint8_t> bitmap(BitmapBytes(width, height));
              for (auto _ : state) {
                library.ops()->convertYuyvToBitmap(library.userData(), yuyv.data(), width, height, bitmap.data(),
                                                   width, height);
                benchmark::ClobberMemory();
              }
            });
  }
}

void AddFilters() {
  const int width = 1280;
  const int height = 960;
  const uint32_t strength = 50;
  AddOursInForms("sorvex1/sharpen/" + SizeName(width, height), "", YuyvBytes(width, height), [=](benchmark::State &state) {
    Library library;
    TimeInPlace(state, SceneYuyv(width, height), [&](uint8_t *yuyv) {
      library.ops()->filterFrame(library.userData(), yuyv, width, height, strength);
    });
  });
  AddOursInForms("sorvex1/denoise/" + SizeName(width, height), "", YuyvBytes(width, height), [=](benchmark::State &state) {
    Library library;
    TimeInPlace(state, SceneYuyv(width, height), [&](uint8_t *yuyv) {
      library.ops()->filterFrameDenoise(library.userData(), yuyv, width, height, strength);
    });
  });
}

void AddRawStages() {
  const int width = 1280;
  const int height = 960;
  const size_t samples = static_cast<size_t>(width) * height;
  // Good light, and low light with the frame reduced later.
  const uint32_t modes[][2] = {{0, 100}, {1, 5}};
  for (const auto &m : modes) {
    const uint32_t flag = m[0];
    const uint32_t mode = m[1];
    AddOursInForms("sorvex1/bad_pixels_mode" + std::to_string(mode) + "/" + SizeName(width, height), "", samples,
            [=](benchmark::State &state) {
              Library library;
              TimeInPlace(state, SceneRaw(width, height), [&](uint8_t *raw) {
                library.ops()->correctBadPixels(library.userData(), raw, width, height, flag, mode);
              });
            });
  }
  AddOursInForms("sorvex1/apply_shading/" + SizeName(width, height), "", samples, [=](benchmark::State &state) {
    Library library;
    // A radial gain and three gamma-like tables, as the pipeline passes them.
    std::vector<uint8_t> gains(samples);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const int dx = 2 * x - width;
        const int dy = 2 * y - height;
        gains[static_cast<size_t>(y) * width + x] =
            static_cast<uint8_t>((static_cast<int64_t>(dx) * dx + static_cast<int64_t>(dy) * dy) * 64 /
                                 (static_cast<int64_t>(width) * width + static_cast<int64_t>(height) * height));
      }
    }
    uint8_t tables[3][256];
    for (int i = 0; i < 256; ++i) {
      for (int c = 0; c < 3; ++c) tables[c][i] = static_cast<uint8_t>((i * (255 - i) / 255 + i) / 2 + c);
    }
    TimeInPlace(state, SceneRaw(width, height), [&](uint8_t *raw) {
      library.ops()->applyShading(library.userData(), raw, width, height, 1, gains.data(), 0, tables[0], tables[1],
                                  tables[2]);
    });
  });
}

}  // namespace

void AddConversionBenchmarks() {
  AddRawToYuyv();
  AddYuyvConversions();
  AddFilters();
  AddRawStages();
}

}  // namespace bench
