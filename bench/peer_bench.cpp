// The libraries a user would pick instead, on the same frames: OpenCV's
// Bayer demosaics and libyuv's YUY2 conversions and bilinear scaler. Both
// run on one thread, as ours does.
#include <libyuv.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <vector>

#include "bench_cases.h"
#include "bench_frames.h"
#include "bench_suites.h"
#include "rgb_image.h"

namespace bench {
namespace {

using testsupport::RgbImage;

// Our mosaic is green-blue on even lines (green at even columns) and
// red-green on odd lines: G B / R G from the top left, which OpenCV calls
// GBRG (its older name for the same code, naming the second line's second
// and third samples, is BayerGR).
constexpr int kBayerBilinear = cv::COLOR_BayerGBRG2BGR;
constexpr int kBayerVng = cv::COLOR_BayerGBRG2BGR_VNG;
constexpr int kBayerEdgeAware = cv::COLOR_BayerGBRG2BGR_EA;

// PSNR of an OpenCV demosaic of coffee.png at its own size (0: no photo).
double OpenCvDemosaicPsnr(int code) {
  const RgbImage photo = LoadPhoto("coffee.png");
  if (photo.width == 0) return 0;
  std::vector<uint8_t> raw = testsupport::MosaicToBayer(photo);
  const cv::Mat bayer(photo.height, photo.width, CV_8UC1, raw.data());
  cv::Mat bgr;
  cv::cvtColor(bayer, bgr, code);
  RgbImage out(photo.width, photo.height);
  for (int y = 0; y < photo.height; ++y) {
    for (int x = 0; x < photo.width; ++x) {
      const cv::Vec3b pixel = bgr.at<cv::Vec3b>(y, x);
      out.At(x, y)[0] = pixel[2];
      out.At(x, y)[1] = pixel[1];
      out.At(x, y)[2] = pixel[0];
    }
  }
  return testsupport::PsnrRgb(out, photo, kPsnrBorder);
}

void AddOpenCv() {
  const int width = 1280;
  const int height = 960;
  const struct {
    const char *name;
    int code;
  } demosaics[] = {{"bilinear", kBayerBilinear}, {"vng", kBayerVng}, {"edge_aware", kBayerEdgeAware}};
  for (const auto &d : demosaics) {
    const int code = d.code;
    AddPeer(std::string("opencv/bayer_to_bgr_") + d.name + "/" + SizeName(width, height), BitmapBytes(width, height),
            [=](benchmark::State &state) {
              std::vector<uint8_t> raw = SceneRaw(width, height);
              const cv::Mat bayer(height, width, CV_8UC1, raw.data());
              cv::Mat bgr(height, width, CV_8UC3);
              for (auto _ : state) {
                cv::cvtColor(bayer, bgr, code);
                benchmark::ClobberMemory();
              }
              state.counters["psnr_db"] = OpenCvDemosaicPsnr(code);
            });
  }
}

void AddLibyuv() {
  const int sizes[][2] = {{640, 480}, {1280, 960}};
  for (const auto &s : sizes) {
    const int width = s[0];
    const int height = s[1];
    AddPeer("libyuv/yuy2_to_i420/" + SizeName(width, height), YuyvBytes(width, height),
            [=](benchmark::State &state) {
              const std::vector<uint8_t> &yuyv = SceneYuyv(width, height);
              std::vector<uint8_t> i420(I420Bytes(width, height));
              uint8_t *y = i420.data();
              uint8_t *u = y + static_cast<size_t>(width) * height;
              uint8_t *v = u + static_cast<size_t>(width / 2) * (height / 2);
              for (auto _ : state) {
                libyuv::YUY2ToI420(yuyv.data(), 2 * width, y, width, u, width / 2, v, width / 2, width, height);
                benchmark::ClobberMemory();
              }
            });
    // Four bytes a pixel, top-down; ours writes three, bottom-up.
    AddPeer("libyuv/yuy2_to_argb/" + SizeName(width, height), static_cast<size_t>(width) * height * 4,
            [=](benchmark::State &state) {
              const std::vector<uint8_t> &yuyv = SceneYuyv(width, height);
              std::vector<uint8_t> argb(static_cast<size_t>(width) * height * 4);
              for (auto _ : state) {
                libyuv::YUY2ToARGB(yuyv.data(), 2 * width, argb.data(), 4 * width, width, height);
                benchmark::ClobberMemory();
              }
            });
  }
  const int width = 1280;
  const int height = 960;
  const int outWidth = 640;
  const int outHeight = 480;
  AddPeer("libyuv/argb_scale_bilinear/" + SizeName(width, height, outWidth, outHeight),
          static_cast<size_t>(width) * height * 4, [=](benchmark::State &state) {
            const std::vector<uint8_t> &argb = SceneArgb(width, height);
            std::vector<uint8_t> scaled(static_cast<size_t>(outWidth) * outHeight * 4);
            for (auto _ : state) {
              libyuv::ARGBScale(argb.data(), 4 * width, width, height, scaled.data(), 4 * outWidth, outWidth,
                                outHeight, libyuv::kFilterBilinear);
              benchmark::ClobberMemory();
            }
          });
}

}  // namespace

void AddPeerBenchmarks() {
  cv::setNumThreads(1);
  AddOpenCv();
  AddLibyuv();
}

}  // namespace bench
