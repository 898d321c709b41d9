// Every output byte of the default processing (mode 2) and of the zoom
// kernels, pinned by digests, and the promise that a running stream takes
// nothing from the pool.
//
// The digests are 64-bit FNV-1a over whole outputs of fixed synthetic frames
// with the clock stepped by hand, so the exposure loop runs the same way on
// every machine. Making a stage faster must keep every digest; a changed
// digest means a changed picture. On a mismatch the test prints the new
// table, to be pasted in only when a change of the picture is intended.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <string>
#include <vector>

#include "fake_minidriver.h"
#include "golden_digest.h"
#include "kernel_forms_test_support.h"
#include "hostkernel/host_control.h"
#include "core/isp_context.h"
#include "zoom/zoom.h"

using namespace sorvex0;

namespace sorvextest {
namespace {

using testsupport::Fnv1a;
using testsupport::Lcg;

// A raw frame with a ramp, noise, black and white patches, fine stripes and
// isolated hot and dead samples, so that defect correction, clamping and
// the filters all have work.
std::vector<uint8_t> SyntheticRaw(uint32_t width, uint32_t height, uint32_t seed) {
  Lcg random(seed);
  std::vector<uint8_t> raw(static_cast<size_t>(width) * height);
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      int value = 30 + static_cast<int>(x * 150 / width + y * 60 / height) + static_cast<int>(random.Next() % 21) - 10;
      if (x < width / 5 && y < height / 5) value = 2;
      if (x > 4 * width / 5 && y > 4 * height / 5) value = 252;
      if (y > height / 3 && y < height / 2 && (x / 2) % 3 == 0) value = 220;
      if (random.Next() % 211 == 0) value = (random.Next() & 1) != 0 ? 255 : 0;
      raw[static_cast<size_t>(y) * width + x] = static_cast<uint8_t>(value < 0 ? 0 : (value > 255 ? 255 : value));
    }
  }
  return raw;
}

size_t DistinctValues(const std::vector<uint8_t> &bytes) {
  bool seen[256] = {};
  size_t count = 0;
  for (uint8_t b : bytes) {
    if (!seen[b]) ++count;
    seen[b] = true;
  }
  return count;
}

size_t OutputBytes(uint32_t format, uint32_t width, uint32_t height) {
  const size_t pixels = static_cast<size_t>(width) * height;
  return format == SORVEX_FORMAT_YUYV ? pixels * 2 : format == SORVEX_FORMAT_I420 ? pixels * 3 / 2 : pixels * 3;
}

struct Golden {
  const char *label;
  uint64_t digest;
};

// Compares one digest; on a mismatch prints the line the table would need.
class DigestTable {
 public:
  DigestTable(const Golden *table, size_t size) : table_(table), size_(size) {}
  void Check(const std::string &label, uint64_t digest) const {
    const Golden *expected = nullptr;
    for (size_t i = 0; i < size_; ++i) {
      if (label == table_[i].label) expected = &table_[i];
    }
    if (expected != nullptr && expected->digest == digest) return;
    std::printf("    {\"%s\", 0x%016" PRIx64 "u},\n", label.c_str(), digest);
    if (expected == nullptr) {
      ADD_FAILURE() << label << ": no digest in the table";
    } else {
      ADD_FAILURE() << label << ": the output changed";
    }
  }

 private:
  const Golden *table_;
  size_t size_;
};

// ---- The default processing mode, per output format and size ----

struct Stream {
  const char *sensor;
  uint32_t highSpeed;
  uint32_t width;
  uint32_t height;
  uint32_t zoom;
};

const Stream kStreams[] = {
    {"OV9650", 1, 320, 240, 0},  {"OV9650", 1, 640, 480, 0},  {"OV9650", 1, 1280, 960, 0},
    {"S5K4AA", 1, 1600, 1200, 0}, {"OV9650", 1, 640, 480, 8}, {"OV9650", 1, 640, 480, 20},
    {"OV9650", 0, 640, 480, 0},
};

const Golden kDefaultMode[] = {
    {"OV9650 hs1 320x240 zoom0 format1", 0x4b0854dc3ad37825u},
    {"OV9650 hs1 320x240 zoom0 format2", 0x2cedc0653ddd4addu},
    {"OV9650 hs1 320x240 zoom0 format3", 0x5533963bec15c8c1u},
    {"OV9650 hs1 640x480 zoom0 format1", 0xbc3da6b962c49e59u},
    {"OV9650 hs1 640x480 zoom0 format2", 0xcceb4c471c766915u},
    {"OV9650 hs1 640x480 zoom0 format3", 0xca2c4f479aef9f65u},
    {"OV9650 hs1 1280x960 zoom0 format1", 0x181865d62c3cc819u},
    {"OV9650 hs1 1280x960 zoom0 format2", 0x5dc18eec7b7b5a39u},
    {"OV9650 hs1 1280x960 zoom0 format3", 0x7b7d75cb87110ef1u},
    {"S5K4AA hs1 1600x1200 zoom0 format1", 0x4789b295aed21e11u},
    {"S5K4AA hs1 1600x1200 zoom0 format2", 0x33ecd7f04bdffc25u},
    {"S5K4AA hs1 1600x1200 zoom0 format3", 0xacd01280feeb3cc5u},
    {"OV9650 hs1 640x480 zoom8 format1", 0x078a7807d5d391f5u},
    {"OV9650 hs1 640x480 zoom8 format2", 0xf20de726e3f0018du},
    {"OV9650 hs1 640x480 zoom8 format3", 0xd263946e9eea0155u},
    {"OV9650 hs1 640x480 zoom20 format1", 0x47e7cccca9e5a0a9u},
    {"OV9650 hs1 640x480 zoom20 format2", 0x524c9f35e9d1e19du},
    {"OV9650 hs1 640x480 zoom20 format3", 0x8f48f1943b1d3e7du},
    {"OV9650 hs0 640x480 zoom0 format1", 0x36167a06f805462du},
    {"OV9650 hs0 640x480 zoom0 format2", 0x383d228a9f41f865u},
    {"OV9650 hs0 640x480 zoom0 format3", 0x666cd2123570cff9u},
};

constexpr int64_t kStartTime = 133000000000000000;
constexpr int64_t kFrameInterval = 3000000;  // 0.3 s: every frame runs the exposure loop
constexpr int kFramesPerStream = 2;

class PipelineGoldenTest : public MinidriverTest {
 protected:
  void TearDown() override {
    hostkernel::FollowRealClock();
    MinidriverTest::TearDown();
  }

  // Starts a stream and returns the capture size; blank frames are skipped.
  void Start(const Stream &stream, uint32_t format) {
    ASSERT_EQ(0, Init(stream.sensor, stream.highSpeed));
    ASSERT_EQ(2u, context_->ipMode);
    hostkernel::SetSystemTime(kStartTime);
    ISPFunc_StartCapture(context_, kDevice, format, stream.width, stream.height, &captureWidth_, &captureHeight_);
    context_->blankFrameCount = 0;
    context_->zoom = stream.zoom;
  }

  // One frame of a fresh copy of `raw`; returns the output.
  std::vector<uint8_t> Frame(uint32_t format, const std::vector<uint8_t> &raw, uint32_t width, uint32_t height) {
    std::vector<uint8_t> frame = raw;
    std::vector<uint8_t> out(OutputBytes(format, width, height), 0x55);
    hostkernel::AdvanceSystemTime(kFrameInterval);
    ISPFunc_RawToImg(context_, kDevice, format, 50, 50, 50, 50, 50, 50, 50, 50, 50, out.data(), frame.data(), width,
                     height);
    return out;
  }

  uint32_t captureWidth_ = 0;
  uint32_t captureHeight_ = 0;
};

// The digests hold in every form of the kernels: the scalar forms (the
// libraries' probes see no vector sets), the best forms, and the best with
// every save of the floating-point state failing (each call then runs the
// scalar forms). A driver image probes the processor itself, so its tests
// run the latter two.
struct PipelineForm {
  const char *name;
  uint32_t vectorSets;
  bool failSaves;
};

const PipelineForm kPipelineForms[] = {
#if !defined(SORVEX_DRIVER_IMAGE_TESTS)
    {"scalar", 0, false},
#endif
    {"best", ~0u, false},
    {"failed_save", ~0u, true},
};

class PipelineFormsTest : public PipelineGoldenTest, public ::testing::WithParamInterface<PipelineForm> {
 protected:
  void SetUp() override {
    PipelineGoldenTest::SetUp();
    hostkernel::LimitVectorSets(GetParam().vectorSets);
    hostkernel::FailFloatingPointSaves(GetParam().failSaves);
  }
  void TearDown() override {
    hostkernel::LimitVectorSets(~0u);
    hostkernel::FailFloatingPointSaves(false);
    EXPECT_EQ(hostkernel::FloatingPointCounts().open, 0u);
    PipelineGoldenTest::TearDown();
  }
};

INSTANTIATE_TEST_SUITE_P(Forms, PipelineFormsTest, ::testing::ValuesIn(kPipelineForms),
                         [](const ::testing::TestParamInfo<PipelineForm> &info) { return std::string(info.param.name); });

TEST_P(PipelineFormsTest, DefaultModeOutputsStayTheSame) {
  DigestTable table(kDefaultMode, sizeof(kDefaultMode) / sizeof(kDefaultMode[0]));
  uint32_t seed = 5;
  for (const Stream &stream : kStreams) {
    for (uint32_t format : {SORVEX_FORMAT_RGB24, SORVEX_FORMAT_YUYV, SORVEX_FORMAT_I420}) {
      Start(stream, format);
      const std::vector<uint8_t> raw = SyntheticRaw(captureWidth_, captureHeight_, seed++);
      uint64_t digest = Fnv1a({});
      for (int i = 0; i < kFramesPerStream; ++i) {
        const std::vector<uint8_t> out = Frame(format, raw, stream.width, stream.height);
        // A picture, not a blank or untouched frame.
        EXPECT_GT(DistinctValues(out), 32u) << stream.sensor << " " << stream.width << " format " << format;
        digest = Fnv1a(out, digest);
      }
      char label[96];
      std::snprintf(label, sizeof label, "%s hs%u %ux%u zoom%u format%u", stream.sensor, stream.highSpeed,
                    stream.width, stream.height, stream.zoom, format);
      table.Check(label, digest);
      Exit();
    }
  }
}

// A stream that has run its first frames allocates nothing more: 300 frames
// of YUYV (and 100 of each other format, whose paths add the stage buffer)
// leave the pool's allocation count and its live blocks as they were.
TEST_F(PipelineGoldenTest, ThreeHundredFramesAllocateNothing) {
  const Stream stream = {"OV9650", 0, 320, 240, 5};
  const struct {
    uint32_t format;
    int frames;
  } runs[] = {{SORVEX_FORMAT_YUYV, 300}, {SORVEX_FORMAT_RGB24, 100}, {SORVEX_FORMAT_I420, 100}};
  for (const auto &run : runs) {
    const uint32_t format = run.format;
    SCOPED_TRACE(format);
    Start(stream, format);
    const std::vector<uint8_t> raw = SyntheticRaw(captureWidth_, captureHeight_, 99);
    for (int i = 0; i < 2; ++i) Frame(format, raw, stream.width, stream.height);
    const uint64_t allocations = hostkernel::AllocationCount();
    const size_t liveBlocks = hostkernel::LivePoolBlocks().size();
    for (int i = 0; i < run.frames; ++i) Frame(format, raw, stream.width, stream.height);
    EXPECT_EQ(allocations, hostkernel::AllocationCount());
    EXPECT_EQ(liveBlocks, hostkernel::LivePoolBlocks().size());
    Exit();
  }
}

// Every zoom level through the exports, in both formats the zoom kernels
// write, one frame a level on one running stream.
const Golden kZoomThroughExports[] = {
    {"rgb24 320x240 level1", 0x27973a3255fc322cu},
    {"rgb24 320x240 level2", 0xbf7cbe8e04591f1eu},
    {"rgb24 320x240 level3", 0xa53df2865202ff5cu},
    {"rgb24 320x240 level4", 0x0c00642df1ecadf5u},
    {"rgb24 320x240 level5", 0x63e891776530c229u},
    {"rgb24 320x240 level6", 0x2150b847252fcbd1u},
    {"rgb24 320x240 level7", 0x51a51bdd8559b809u},
    {"rgb24 320x240 level8", 0xb3f8a2682ee406e6u},
    {"rgb24 320x240 level9", 0xd2068e79fb9121cdu},
    {"rgb24 320x240 level10", 0x04004d78793399a1u},
    {"rgb24 320x240 level11", 0xcd14d53af2c072f7u},
    {"rgb24 320x240 level12", 0x68dd59049611e391u},
    {"rgb24 320x240 level13", 0x4f478ff3a7c51abdu},
    {"rgb24 320x240 level14", 0x52d87c32bdaeec66u},
    {"rgb24 320x240 level15", 0xbd69a7aaa2e5f72au},
    {"rgb24 320x240 level16", 0xfc94b95e6d2b24d3u},
    {"rgb24 320x240 level17", 0xb9c265404a02c0fcu},
    {"rgb24 320x240 level18", 0x64cf1c9a6edb90d8u},
    {"rgb24 320x240 level19", 0x7f02a11369635126u},
    {"rgb24 320x240 level20", 0x703983d7d3ce549du},
    {"rgb24 320x240 level21", 0xc5b71af5a5c97c92u},
    {"rgb24 320x240 level22", 0x19526f51d8bea03du},
    {"rgb24 320x240 level23", 0x41748def74c82846u},
    {"rgb24 320x240 level24", 0xc00841881c0ac5abu},
    {"rgb24 320x240 level25", 0x5dac043eac2e4389u},
    {"rgb24 320x240 level26", 0x1078827903f71f66u},
    {"rgb24 320x240 level27", 0x4a0d5fac496ba9a9u},
    {"rgb24 320x240 level28", 0x982b1125f44be331u},
    {"rgb24 320x240 level29", 0xdd49357331ef90c0u},
    {"rgb24 320x240 level30", 0xa185f07b4ed9c1b9u},
    {"yuyv 320x240 level1", 0x0e93b04e22aa4c9fu},
    {"yuyv 320x240 level2", 0xa960b1aa7c3995fdu},
    {"yuyv 320x240 level3", 0x891ef44015febe28u},
    {"yuyv 320x240 level4", 0xf3d2b01d07bdb6f1u},
    {"yuyv 320x240 level5", 0x5a24ace9b1f79b4fu},
    {"yuyv 320x240 level6", 0x5f2b43dc0f217c61u},
    {"yuyv 320x240 level7", 0x19604df3773eea81u},
    {"yuyv 320x240 level8", 0xfbf3aac8b3dd6a73u},
    {"yuyv 320x240 level9", 0x5b3fe4119c1c75feu},
    {"yuyv 320x240 level10", 0x9e64d68732bf3614u},
    {"yuyv 320x240 level11", 0xf67d131ccfb865cdu},
    {"yuyv 320x240 level12", 0xb8e6d6c025d0d0f3u},
    {"yuyv 320x240 level13", 0xb21c495a17923853u},
    {"yuyv 320x240 level14", 0x567b4b43da9ee6d9u},
    {"yuyv 320x240 level15", 0x847a14d0a6470745u},
    {"yuyv 320x240 level16", 0x223808ca7c400b5fu},
    {"yuyv 320x240 level17", 0x3aa507ce8c82dedeu},
    {"yuyv 320x240 level18", 0x00888ba7fcb45555u},
    {"yuyv 320x240 level19", 0x9a07da74d8db3023u},
    {"yuyv 320x240 level20", 0x588169ef02282a0eu},
    {"yuyv 320x240 level21", 0x976e395fcc0dfe6bu},
    {"yuyv 320x240 level22", 0xe6d55ec73d7ed7ceu},
    {"yuyv 320x240 level23", 0x13daa663e2a64bfau},
    {"yuyv 320x240 level24", 0x0222e6478ccc4daeu},
    {"yuyv 320x240 level25", 0xb46e9acb788c9688u},
    {"yuyv 320x240 level26", 0x02994f8c03c06910u},
    {"yuyv 320x240 level27", 0xdbabafbee0340913u},
    {"yuyv 320x240 level28", 0xfc5e3d791311a75du},
    {"yuyv 320x240 level29", 0xb4a3d94abab1126du},
    {"yuyv 320x240 level30", 0xe129df62e4c72867u},
};

TEST_P(PipelineFormsTest, EveryZoomLevelThroughTheExports) {
  DigestTable table(kZoomThroughExports, sizeof(kZoomThroughExports) / sizeof(kZoomThroughExports[0]));
  const Stream stream = {"OV9650", 1, 320, 240, 0};
  for (uint32_t format : {SORVEX_FORMAT_RGB24, SORVEX_FORMAT_YUYV}) {
    Start(stream, format);
    const std::vector<uint8_t> raw = SyntheticRaw(captureWidth_, captureHeight_, 77);
    for (uint32_t level = 1; level <= 30; ++level) {
      context_->zoom = level;
      const std::vector<uint8_t> out = Frame(format, raw, stream.width, stream.height);
      EXPECT_GT(DistinctValues(out), 32u) << "level " << level << " format " << format;
      char label[64];
      std::snprintf(label, sizeof label, "%s 320x240 level%u", format == SORVEX_FORMAT_YUYV ? "yuyv" : "rgb24", level);
      table.Check(label, Fnv1a(out));
    }
    Exit();
  }
}

#if !defined(SORVEX_DRIVER_IMAGE_TESTS)
// The zoom kernels themselves are reached only inside the driver image, so
// the tests of the shipped images drive them through the exports above.
// ---- The zoom kernels at every level, both formats ----

struct ZoomCase {
  uint32_t width;
  uint32_t height;
  uint32_t level;
};

// The window a level keeps of a frame, centred, with its height rounded up
// to even as the zoom window does.
ZoomPlacement CentredWindow(const ZoomCase &c) {
  const uint32_t n = 80 - 2 * c.level;
  const uint32_t width = c.width * n / 80;
  const uint32_t height = (c.height * n / 80 + 1) & ~1u;
  const int32_t x0 = static_cast<int32_t>((c.width - width) / 2);
  const int32_t y0 = static_cast<int32_t>((c.height - height) / 2);
  return {x0, y0, x0 + static_cast<int32_t>(width), y0 + static_cast<int32_t>(height)};
}

std::vector<uint8_t> ZoomedFrame(const ZoomCase &c, uint32_t bytesPerPixel, uint32_t seed, uint32_t vectorSets) {
  const ZoomPlacement window = CentredWindow(c);
  const uint32_t windowWidth = static_cast<uint32_t>(window.x1 - window.x0);
  const uint32_t windowHeight = static_cast<uint32_t>(window.y1 - window.y0);
  std::vector<uint8_t> image(static_cast<size_t>(c.width) * c.height * bytesPerPixel, 0);
  Lcg random(seed);
  const size_t windowBytes = static_cast<size_t>(windowWidth) * windowHeight * bytesPerPixel;
  for (size_t i = 0; i < windowBytes; ++i) {
    // Smooth with some noise, so that means and copies both show.
    image[i] = static_cast<uint8_t>((i / bytesPerPixel) % 200 + random.Next() % 40);
  }
  if (bytesPerPixel == 2) {
    ZoomYuyv(c.level, image.data(), windowWidth, windowHeight, c.width, c.height, window, window, vectorSets);
  } else {
    ZoomBitmap(c.level, image.data(), windowWidth, windowHeight, c.width, c.height, window, window, vectorSets);
  }
  return image;
}

const Golden kZoom[] = {
    {"rgb24 640x480 level1", 0x7a7990267964d182u},
    {"yuyv 640x480 level1", 0xf3bbfcd8209ab8a2u},
    {"rgb24 640x480 level2", 0x51258184414990aeu},
    {"yuyv 640x480 level2", 0x3106bb7544150b63u},
    {"rgb24 640x480 level3", 0x60b5e743b298be65u},
    {"yuyv 640x480 level3", 0xd4dab70faec30f4au},
    {"rgb24 640x480 level4", 0x7cb4d2167ee91945u},
    {"yuyv 640x480 level4", 0x545eda0b1f534393u},
    {"rgb24 640x480 level5", 0xcbba1cd2b3ef6f10u},
    {"yuyv 640x480 level5", 0xeeaf174e0215d952u},
    {"rgb24 640x480 level6", 0x21d47a6e000a7aadu},
    {"yuyv 640x480 level6", 0xa8b1467f97b4d0cbu},
    {"rgb24 640x480 level7", 0x425f33e5e55ce07du},
    {"yuyv 640x480 level7", 0xe5d61d8e8756e0bau},
    {"rgb24 640x480 level8", 0x82c0acf46b06847fu},
    {"yuyv 640x480 level8", 0x11ad0a2e91354a2du},
    {"rgb24 640x480 level9", 0xb166220eb5a11445u},
    {"yuyv 640x480 level9", 0xe8b0b6275b5e21c5u},
    {"rgb24 640x480 level10", 0x725beb5f43ef52a1u},
    {"yuyv 640x480 level10", 0x389ebdc2ab1edfc1u},
    {"rgb24 640x480 level11", 0x9f1b63e4b1355d0bu},
    {"yuyv 640x480 level11", 0x1bfe193b6b4ccff6u},
    {"rgb24 640x480 level12", 0x50941f645b87c6b9u},
    {"yuyv 640x480 level12", 0x1da8c7775a22cc9fu},
    {"rgb24 640x480 level13", 0xeec1d1827b713e1eu},
    {"yuyv 640x480 level13", 0x3dae2a47674cf7a1u},
    {"rgb24 640x480 level14", 0xbceb467418ac7370u},
    {"yuyv 640x480 level14", 0x9f2b20b9a8efb453u},
    {"rgb24 640x480 level15", 0x9051c023cb8c2536u},
    {"yuyv 640x480 level15", 0x0e79db038de41527u},
    {"rgb24 640x480 level16", 0x1bf9fb58386df6e7u},
    {"yuyv 640x480 level16", 0x15b31a76471dcfbbu},
    {"rgb24 640x480 level17", 0x9badd9de262ab037u},
    {"yuyv 640x480 level17", 0x4d222bb901ce6bcau},
    {"rgb24 640x480 level18", 0x9aa7fc71e6c25508u},
    {"yuyv 640x480 level18", 0xb86c7daa3960e5bbu},
    {"rgb24 640x480 level19", 0x28a6f09ebebaba86u},
    {"yuyv 640x480 level19", 0x1a56a3855982005au},
    {"rgb24 640x480 level20", 0x9587ca4c14461313u},
    {"yuyv 640x480 level20", 0x6e07b853ac504bb0u},
    {"rgb24 640x480 level21", 0x3a97a1ef1ecea988u},
    {"yuyv 640x480 level21", 0x05ba9fc3fbdbb7b3u},
    {"rgb24 640x480 level22", 0x289eceef62b45f29u},
    {"yuyv 640x480 level22", 0xa90847e635ae6513u},
    {"rgb24 640x480 level23", 0xbb771e1116ae2f33u},
    {"yuyv 640x480 level23", 0xcdf9a661003e5d98u},
    {"rgb24 640x480 level24", 0xaef70a26b4c4422bu},
    {"yuyv 640x480 level24", 0xd99bf5c70b8b7651u},
    {"rgb24 640x480 level25", 0x365fed98b4f2eff0u},
    {"yuyv 640x480 level25", 0x254126aa428ca7a9u},
    {"rgb24 640x480 level26", 0x8b0eac63ba271195u},
    {"yuyv 640x480 level26", 0xf03ff45417639955u},
    {"rgb24 640x480 level27", 0x9af1c24cf79b7387u},
    {"yuyv 640x480 level27", 0xc25beea168ef1ddbu},
    {"rgb24 640x480 level28", 0xcf60db1cec3b0c4fu},
    {"yuyv 640x480 level28", 0xf0c50b38f495a365u},
    {"rgb24 640x480 level29", 0x4de84c6e85465001u},
    {"yuyv 640x480 level29", 0xe293e918e4b95c15u},
    {"rgb24 640x480 level30", 0x7d03a57a40d3884bu},
    {"yuyv 640x480 level30", 0x9ed4a132842ccb29u},
    {"rgb24 1280x1024 level1", 0x913de1a4cc7b83d7u},
    {"yuyv 1280x1024 level1", 0x45573685e4d3ddabu},
    {"rgb24 1280x1024 level3", 0x7a72b937b6b243d3u},
    {"yuyv 1280x1024 level3", 0xdc934cbbc7bc4285u},
    {"rgb24 1280x1024 level7", 0xd239091cd83580a7u},
    {"yuyv 1280x1024 level7", 0x7de718108e8e6bc1u},
    {"rgb24 1280x1024 level13", 0xbeb4076a5f0b093cu},
    {"yuyv 1280x1024 level13", 0x310723f1a8a39058u},
    {"rgb24 1280x1024 level19", 0xde2e79fd6270f5dfu},
    {"yuyv 1280x1024 level19", 0x15d4dc321e6fec14u},
    {"rgb24 1280x1024 level27", 0x7d167173479431dbu},
    {"yuyv 1280x1024 level27", 0x73c71c81d8af5ca1u},
    {"rgb24 1280x1024 level29", 0xe7df531df3b2e02au},
    {"yuyv 1280x1024 level29", 0xdb2d8c24c900dd0cu},
    {"rgb24 160x120 level1", 0x3c08b10cc5a1da85u},
    {"yuyv 160x120 level1", 0x03a5a3a3d1a86256u},
    {"rgb24 160x120 level3", 0x2298564159be897cu},
    {"yuyv 160x120 level3", 0x802bdc2466b8cb35u},
    {"rgb24 160x120 level8", 0xd39c00d6efb77827u},
    {"yuyv 160x120 level8", 0x2b81c30a5d2f9959u},
};

class ZoomGolden : public ::testing::TestWithParam<uint32_t> {};

TEST_P(ZoomGolden, EveryLevelKeepsItsOutput) {
  std::vector<ZoomCase> cases;
  for (uint32_t level = 1; level <= 30; ++level) cases.push_back({640, 480, level});
  // The remainder rows of the 5:4 frames and the overtaking of tall windows.
  for (uint32_t level : {1u, 3u, 7u, 13u, 19u, 27u, 29u}) cases.push_back({1280, 1024, level});
  for (uint32_t level : {1u, 3u, 8u}) cases.push_back({160, 120, level});
  DigestTable table(kZoom, sizeof(kZoom) / sizeof(kZoom[0]));
  uint32_t seed = 1;
  for (const ZoomCase &c : cases) {
    for (uint32_t bytesPerPixel : {3u, 2u}) {
      char label[64];
      std::snprintf(label, sizeof label, "%s %ux%u level%u", bytesPerPixel == 3 ? "rgb24" : "yuyv", c.width,
                    c.height, c.level);
      table.Check(label, Fnv1a(ZoomedFrame(c, bytesPerPixel, seed++, GetParam())));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Forms, ZoomGolden, ::testing::ValuesIn(KernelForms()), KernelFormName);

#endif  // !SORVEX_DRIVER_IMAGE_TESTS

}  // namespace
}  // namespace sorvextest
