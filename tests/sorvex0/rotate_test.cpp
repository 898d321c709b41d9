// Mirror and flip programming of the S5K4AA.

#include "fake_minidriver.h"
#include "core/isp_context.h"

using namespace sorvex0;

namespace sorvextest {
namespace {

using Pairs = std::vector<std::pair<uint8_t, uint8_t>>;

class RotateTest : public MinidriverTest {
 protected:
  void StartAt(uint32_t format, uint32_t width, uint32_t height) {
    uint32_t w, h;
    ISPFunc_StartCapture(context_, kDevice, format, width, height, &w, &h);
    Log().Clear();
  }
};

TEST_F(RotateTest, ProgramsTheRowOfTheCaptureSize) {
  ASSERT_EQ(0, Init("S5K4AA"));
  StartAt(1, 800, 600);  // captured at 1600 x 1200
  ISPFunc_Rotate(context_, kDevice, 0, 0);
  ASSERT_EQ(2u, Log().writes.size());
  EXPECT_EQ(CallbackLog::kSpaceB, Log().writes[0].space);
  EXPECT_EQ((Pairs{{0xD0, 0x02}, {0xD1, 0x18}, {0xD2, 0xC1}, {0xD3, 0x01}, {0xD4, 0x28}, {0xD5, 0x00}}),
            Log().writes[0].pairs);
  EXPECT_EQ(CallbackLog::kSpaceA, Log().writes[1].space);
  EXPECT_EQ((Pairs{{3, 0x20}}), Log().writes[1].pairs);

  context_->ssbs = 0;
  StartAt(1, 800, 600);  // captured at 800 x 600: not in the table
  ISPFunc_Rotate(context_, kDevice, 0, 0);
  EXPECT_EQ((Pairs{{0xD0, 0x02}, {0xD1, 0x20}, {0xD2, 0x01}, {0xD3, 0x01}, {0xD4, 0x28}, {0xD5, 0x00}}),
            Log().writes[0].pairs);
}

TEST_F(RotateTest, FlagsShiftTheWindowAndSetTheReadOutBits) {
  ASSERT_EQ(0, Init("S5K4AA", 0));
  StartAt(2, 320, 240);  // full speed: captured at 320 x 240
  context_->blankFrameCount = 0;
  ISPFunc_Rotate(context_, kDevice, 0x100 | 1, 7);  // each flag is a byte
  EXPECT_EQ((Pairs{{0xD0, 0x01}, {0xD1, 0x00}, {0xD2, 0xF0}, {0xD3, 0x02}, {0xD4, 0x08}, {0xD5, 0x41}}),
            Log().writes[0].pairs);
  EXPECT_EQ((Pairs{{3, 0x2A | 0x40 | 0x80}}), Log().writes[1].pairs);
  EXPECT_EQ(1u, context_->flipHorizontal);
  EXPECT_EQ(1u, context_->flipVertical);  // stored normalised
  EXPECT_EQ(3u, context_->blankFrameCount);

  Log().Clear();
  ISPFunc_Rotate(context_, kDevice, 0x100, 0);  // low bytes zero: both off
  EXPECT_EQ((Pairs{{3, 0x2A}}), Log().writes[1].pairs);
  EXPECT_EQ(0u, context_->flipHorizontal);
}

TEST_F(RotateTest, OtherSensorsAreLeftAlone) {
  ASSERT_EQ(0, Init("OV9650"));
  StartAt(1, 640, 480);
  context_->flipVertical = 7;
  ISPFunc_Rotate(context_, kDevice, 1, 1);
  EXPECT_TRUE(Log().writes.empty());
  EXPECT_EQ(7u, context_->flipVertical);
}

TEST_F(RotateTest, CaptureStartProgramsTheFlipUnlessTheImageIsInverted) {
  ASSERT_EQ(0, Init("S5K4AA"));
  context_->flipVertical = 1;
  uint32_t w, h;
  ISPFunc_StartCapture(context_, kDevice, 1, 640, 480, &w, &h);
  // The flip, then the exposure start's entry.
  ASSERT_EQ(3u, Log().writes.size());
  EXPECT_EQ((Pairs{{3, 0x20 | 0x80}}), Log().writes[1].pairs);  // 1280 x 960 row
  Exit();

  Log().Clear();
  hostkernel::SetRegistryDword(kDriverKey, "InvertImage", 1);
  ASSERT_EQ(0, Init("S5K4AA"));
  ISPFunc_StartCapture(context_, kDevice, 1, 640, 480, &w, &h);
  // Only the exposure start's entry (eight pairs), no flip.
  ASSERT_EQ(1u, Log().writes.size());
  EXPECT_EQ(8u, Log().writes[0].pairs.size());
}

}  // namespace
}  // namespace sorvextest
