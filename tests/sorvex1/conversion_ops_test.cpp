#include <gtest/gtest.h>

#include <vector>

#include "hostkernel/host_control.h"
#include "kernel_section.h"
#include "rgb_image.h"
#include "sorvex_kernel.h"
#include "test_frames.h"

namespace sorvex1test {
namespace {

using testsupport::MosaicToBayer;

TEST(ConversionOpsInitTest, InitFillsEverySlotFromOneTaggedBlock) {
  const size_t before = hostkernel::LivePoolBlocks().size();
  ConversionOps *ops = FUNC_Init();
  ASSERT_NE(ops, nullptr);
  const std::vector<hostkernel::PoolBlock> blocks = hostkernel::LivePoolBlocks();
  ASSERT_EQ(blocks.size(), before + 1);
  EXPECT_EQ(blocks.back().address, static_cast<const void *>(ops));
  EXPECT_EQ(blocks.back().tag, SORVEX_POOL_TAG);
  EXPECT_EQ(blocks.back().type, NonPagedPool);

  EXPECT_NE(ops->userData, nullptr);
  EXPECT_NE(ops->convertRawToYuyv, nullptr);
  EXPECT_NE(ops->convertYuyvToBitmap, nullptr);
  EXPECT_NE(ops->convertYuyvToI420, nullptr);
  EXPECT_NE(ops->setColorMatrix, nullptr);
  EXPECT_NE(ops->setYuvMatrix, nullptr);
  EXPECT_NE(ops->correctBadPixels, nullptr);
  EXPECT_NE(ops->applyShading, nullptr);
  EXPECT_NE(ops->filterFrame, nullptr);
  EXPECT_NE(ops->filterFrameDenoise, nullptr);
  FUNC_Exit(ops);
  EXPECT_EQ(hostkernel::LivePoolBlocks().size(), before);
}

TEST(ConversionOpsInitTest, InitReturnsNullWhenThePoolIsShort) {
  const size_t before = hostkernel::LivePoolBlocks().size();
  hostkernel::FailNthAllocation(1);
  EXPECT_EQ(FUNC_Init(), nullptr);
  hostkernel::FailNthAllocation(0);
  EXPECT_EQ(hostkernel::LivePoolBlocks().size(), before);
}

TEST(ConversionOpsInitTest, WrappersIgnoreANullTable) {
  std::vector<uint8_t> raw(16, 1);
  std::vector<uint8_t> out(48, 0xEE);
  FUNC_RawToYuv(nullptr, raw.data(), 4, 4, out.data(), 4, 4);
  FUNC_RawToI420(nullptr, raw.data(), 4, 4, out.data(), 4, 4);
  FUNC_RawToBmp(nullptr, raw.data(), 4, 4, out.data(), 4, 4);
  FUNC_YuvToBmp(nullptr, raw.data(), 2, 2, out.data());
  FUNC_YuvToI420(nullptr, raw.data(), 2, 2, out.data());
  FUNC_Exit(nullptr);
  EXPECT_EQ(out, std::vector<uint8_t>(48, 0xEE));
}

class ConversionOpsTest : public ConversionTest {
 protected:
  std::vector<uint8_t> ChartRaw(int32_t width, int32_t height) {
    RgbImage image(width, height);
    for (int32_t y = 0; y < height; ++y) {
      for (int32_t x = 0; x < width; ++x) {
        uint8_t *p = image.At(x, y);
        p[0] = static_cast<uint8_t>(x * 255 / width);
        p[1] = static_cast<uint8_t>(y * 255 / height);
        p[2] = static_cast<uint8_t>(128 + (x - y) / 4);
      }
    }
    return MosaicToBayer(image);
  }
};

TEST_F(ConversionOpsTest, RawToI420AndRawToBmpMatchTheirTwoSteps) {
  const int32_t width = 34;
  const int32_t height = 22;
  std::vector<uint8_t> raw = ChartRaw(width, height);
  std::vector<uint8_t> yuyv(YuyvBytes(width, height));
  FUNC_RawToYuv(ops_, raw.data(), width, height, yuyv.data(), width, height);

  std::vector<uint8_t> i420Direct(width * height * 3 / 2);
  std::vector<uint8_t> i420TwoSteps(i420Direct.size());
  FUNC_RawToI420(ops_, raw.data(), width, height, i420Direct.data(), width, height);
  FUNC_YuvToI420(ops_, yuyv.data(), width, height, i420TwoSteps.data());
  EXPECT_EQ(i420Direct, i420TwoSteps);

  std::vector<uint8_t> bmpDirect(static_cast<size_t>(width) * height * 3);
  std::vector<uint8_t> bmpTwoSteps(bmpDirect.size());
  FUNC_RawToBmp(ops_, raw.data(), width, height, bmpDirect.data(), width, height);
  FUNC_YuvToBmp(ops_, yuyv.data(), width, height, bmpTwoSteps.data());
  EXPECT_EQ(bmpDirect, bmpTwoSteps);
}

// Once the sizes are known, frames convert without touching the pool.
TEST_F(ConversionOpsTest, SteadyFramesAllocateNothing) {
  const int32_t width = 40;
  const int32_t height = 30;
  std::vector<uint8_t> raw = ChartRaw(width * 2, height * 2);
  std::vector<uint8_t> i420(width * height * 3 / 2);
  std::vector<uint8_t> bmp(width * height * 3);
  std::vector<uint8_t> yuyv(YuyvBytes(width, height));
  const auto frame = [&] {
    FUNC_RawToI420(ops_, raw.data(), -width * 2, -height * 2, i420.data(), width, height);
    FUNC_RawToBmp(ops_, raw.data(), -width * 2, -height * 2, bmp.data(), width, height);
    FUNC_RawToYuv(ops_, raw.data(), width * 2, height * 2, yuyv.data(), width, height);
    ops_->filterFrame(UserData(), yuyv.data(), width, height, 50);
    ops_->filterFrameDenoise(UserData(), yuyv.data(), width, height, 50);
  };
  frame();
  const uint64_t allocations = hostkernel::AllocationCount();
  frame();
  frame();
  EXPECT_EQ(hostkernel::AllocationCount(), allocations);
}

TEST_F(ConversionOpsTest, ShortPoolDuringAConversionLeavesTheOutputAlone) {
  std::vector<uint8_t> raw = ChartRaw(16, 8);
  std::vector<uint8_t> i420(16 * 8 * 3 / 2, 0xEE);
  hostkernel::FailNthAllocation(1);
  FUNC_RawToI420(ops_, raw.data(), 16, 8, i420.data(), 16, 8);
  hostkernel::FailNthAllocation(0);
  EXPECT_EQ(i420, std::vector<uint8_t>(i420.size(), 0xEE));
  FUNC_RawToI420(ops_, raw.data(), 16, 8, i420.data(), 16, 8);
  EXPECT_NE(i420, std::vector<uint8_t>(i420.size(), 0xEE));
}

// The wrappers go through the table, so a slot the caller replaces is used.
struct SlotCall {
  void *userData = nullptr;
  int32_t sizes[4] = {0, 0, 0, 0};
  int calls = 0;
};
SlotCall g_lastRawCall;

void SORVEX1_CALL RecordingRawToYuyv(void *userData, uint8_t *, int32_t sw, int32_t sh, uint8_t *, int32_t w,
                                     int32_t h) {
  g_lastRawCall.userData = userData;
  g_lastRawCall.sizes[0] = sw;
  g_lastRawCall.sizes[1] = sh;
  g_lastRawCall.sizes[2] = w;
  g_lastRawCall.sizes[3] = h;
  ++g_lastRawCall.calls;
}

TEST_F(ConversionOpsTest, WrappersCallThroughTheTable) {
  g_lastRawCall = SlotCall();
  ops_->convertRawToYuyv = RecordingRawToYuyv;
  std::vector<uint8_t> raw(64 * 48);
  std::vector<uint8_t> out(32 * 24 * 3);
  FUNC_RawToYuv(ops_, raw.data(), -64, -48, out.data(), 32, 24);
  FUNC_RawToBmp(ops_, raw.data(), -64, -48, out.data(), 32, 24);
  EXPECT_EQ(g_lastRawCall.calls, 2);
  EXPECT_EQ(g_lastRawCall.userData, ops_->userData);
  EXPECT_EQ(g_lastRawCall.sizes[0], -64);
  EXPECT_EQ(g_lastRawCall.sizes[1], -48);
  EXPECT_EQ(g_lastRawCall.sizes[2], 32);
  EXPECT_EQ(g_lastRawCall.sizes[3], 24);
}

// An instance whose kernels use vector registers saves the floating-point
// state once per call, a wrapper that calls two slots included, and
// restores it; a call whose save fails runs the scalar forms; an instance
// given no vector sets never saves.
TEST(KernelSectionTest, OneSavePerCallAndTheScalarFormsWhenTheSaveFails) {
  if ((hostkernel::HostVectorSets() & SORVEX_VECTOR_SSE2) == 0) GTEST_SKIP() << "no vector forms on this processor";
  ConversionOps *ops = FUNC_Init();
  ASSERT_NE(ops, nullptr);
  sorvex1::LibraryState *state = sorvex1::StateFromOps(ops);
  ASSERT_TRUE(state->kernels.usesVectorRegisters);
  std::vector<uint8_t> raw(64 * 48, 100);
  std::vector<uint8_t> out(64 * 48 * 3);
  const auto saves = [] { return hostkernel::FloatingPointCounts().saves; };
  const auto restores = [] { return hostkernel::FloatingPointCounts().restores; };

  const uint64_t savesBefore = saves();
  const uint64_t restoresBefore = restores();
  FUNC_RawToI420(ops, raw.data(), 64, 48, out.data(), 64, 48);
  ops->correctBadPixels(ops->userData, raw.data(), 64, 48, 0, 100);
  ops->filterFrameDenoise(ops->userData, out.data(), 32, 48, 50);
  EXPECT_EQ(saves(), savesBefore + 3);
  EXPECT_EQ(restores(), restoresBefore + 3);
  {
    const sorvex1::KernelSection outer(state);
    EXPECT_EQ(&outer.kernels(), &state->kernels);
    const sorvex1::KernelSection inner(state);
    EXPECT_EQ(&inner.kernels(), &state->kernels);
    EXPECT_EQ(saves(), savesBefore + 4);
  }
  EXPECT_EQ(restores(), restoresBefore + 4);

  const uint64_t failedBefore = hostkernel::FloatingPointCounts().failedSaves;
  hostkernel::FailFloatingPointSaves(true);
  {
    const sorvex1::KernelSection section(state);
    EXPECT_EQ(&section.kernels(), &sorvex1::ScalarRowKernels());
  }
  FUNC_RawToBmp(ops, raw.data(), 64, 48, out.data(), 64, 48);
  hostkernel::FailFloatingPointSaves(false);
  EXPECT_EQ(hostkernel::FloatingPointCounts().failedSaves, failedBefore + 2);
  EXPECT_EQ(restores(), restoresBefore + 4);
  EXPECT_EQ(hostkernel::FloatingPointCounts().open, 0u);
  FUNC_Exit(ops);

  hostkernel::LimitVectorSets(0);
  ops = FUNC_Init();
  hostkernel::LimitVectorSets(~0u);
  ASSERT_NE(ops, nullptr);
  EXPECT_FALSE(sorvex1::StateFromOps(ops)->kernels.usesVectorRegisters);
  const uint64_t savesOfScalar = saves();
  FUNC_RawToBmp(ops, raw.data(), 64, 48, out.data(), 64, 48);
  ops->filterFrame(ops->userData, out.data(), 32, 48, 50);
  EXPECT_EQ(saves(), savesOfScalar);
  FUNC_Exit(ops);
}

}  // namespace
}  // namespace sorvex1test
