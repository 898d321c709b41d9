// The private property set: settings items, register peek and poke, gamma,
// snapshots and the factory-defaults reload.

#include <cstring>

#include "fake_minidriver.h"
#include "core/isp_context.h"
#include "sorvex0_property.h"

using namespace sorvex0;

namespace sorvextest {
namespace {

class CustomPropertiesTest : public MinidriverTest {
 protected:
  // A property header: 16 bytes of set GUID, then the identifier and flags.
  struct Header {
    uint8_t bytes[SORVEX_PROPERTY_HEADER_BYTES];
  };
  static Header HeaderFor(uint32_t id) {
    Header header{};
    std::memcpy(header.bytes + SORVEX_PROPERTY_ID_OFFSET, &id, 4);
    return header;
  }
  using Record = SorvexPropertyRecord;
  uint32_t Get(uint32_t id, void *data) {
    Header header = HeaderFor(id);
    SorvexPropertyDescriptor request{&header, 0, data, 0, 0};
    return ISPFunc_prpmanf_GetCustomProperty(context_, kDevice, &request);
  }
  uint32_t Set(uint32_t id, void *data) {
    Header header = HeaderFor(id);
    SorvexPropertyDescriptor request{&header, 0, data, 0, 0};
    return ISPFunc_prpmanf_SetCustomProperty(context_, kDevice, &request);
  }
  Record Item(uint32_t item, int32_t value = 0) {
    Record record{};
    std::memset(record.header, 0xAB, sizeof record.header);
    record.item = item;
    record.value = value;
    return record;
  }
  int32_t GetItem(uint32_t item) {
    Record select = Item(item);
    EXPECT_EQ(32u, Set(31, &select));
    Record out = Item(0, -77);
    EXPECT_EQ(32u, Get(32, &out));
    EXPECT_EQ(item, out.item);
    return out.value;
  }
  void SetItem(uint32_t item, int32_t value) {
    Record record = Item(item, value);
    EXPECT_EQ(32u, Set(33, &record));
  }
  // Whether the S5K4AA rotation (six controller pairs from 0xD0) was sent.
  static bool Rotated() {
    for (const CallbackLog::Write &write : Log().writes) {
      if (write.space == CallbackLog::kSpaceB && write.pairs.size() == 6 && write.pairs[0].first == 0xD0) {
        return true;
      }
    }
    return false;
  }
  void Start(uint32_t format, uint32_t width, uint32_t height) {
    uint32_t w, h;
    ISPFunc_StartCapture(context_, kDevice, format, width, height, &w, &h);
    Log().Clear();
  }
};

TEST_F(CustomPropertiesTest, ItemsReadTheirFieldsAndTheGeometry) {
  ASSERT_EQ(0, Init("OV9650"));
  Start(2, 640, 480);
  EXPECT_EQ(1280, GetItem(93));
  EXPECT_EQ(960, GetItem(94));
  EXPECT_EQ(640, GetItem(91));
  EXPECT_EQ(480, GetItem(92));
  EXPECT_EQ(static_cast<int32_t>(context_->aeTarget), GetItem(33));
  EXPECT_EQ(0x646464, GetItem(26));  // preset 5
  // An item outside the table leaves the value word as the client sent it.
  EXPECT_EQ(-77, GetItem(77));
  // The header bytes are left alone.
  Record out = Item(0);
  Get(32, &out);
  EXPECT_EQ(0xAB, out.header[23]);
}

TEST_F(CustomPropertiesTest, SettingItemsStoresValuesAsSent) {
  ASSERT_EQ(0, Init("OV9650"));
  SetItem(7, 0);
  EXPECT_EQ(0u, context_->bpc);
  SetItem(22, 0x112233);
  EXPECT_EQ(0x112233u, context_->awbPreset[0]);
  SetItem(35, 12);
  EXPECT_EQ(12, context_->aeIndex);
  // Geometry, table length and the exposure value cannot be set.
  const uint32_t width = context_->captureWidth;
  SetItem(93, 4000);
  SetItem(34, 5);
  EXPECT_EQ(width, context_->captureWidth);
  // Unknown identifiers return 0 and change nothing.
  Record record = Item(1, 1);
  EXPECT_EQ(0u, Set(99, &record));
  EXPECT_EQ(0u, Get(33, &record));
}

TEST_F(CustomPropertiesTest, FlipItemProgramsTheS5k4aaOnly) {
  ASSERT_EQ(0, Init("S5K4AA"));
  Start(1, 640, 480);
  SetItem(4, 7);
  EXPECT_EQ(1u, context_->flipVertical);  // stored normalised by the rotation
  ASSERT_TRUE(Rotated());
  EXPECT_EQ((std::vector<std::pair<uint8_t, uint8_t>>{{3, 0x20 | 0x80}}), Log().writes.back().pairs);
  Exit();

  ASSERT_EQ(0, Init("OV9655"));
  Start(1, 640, 480);
  SetItem(4, 7);
  EXPECT_EQ(7u, context_->flipVertical);
  EXPECT_TRUE(Log().writes.empty());
}

TEST_F(CustomPropertiesTest, SsbsItemRestartsWithADoubledBlankCount) {
  ASSERT_EQ(0, Init("OV9650"));
  Start(1, 640, 480);
  SetItem(38, 0);
  EXPECT_EQ(640u, context_->captureWidth);
  EXPECT_EQ(10u, context_->blankFrameCount);
  EXPECT_EQ(std::vector<std::string>{"HS\\RGB24\\640"}, Log().modeScripts);
}

TEST_F(CustomPropertiesTest, Mi1320ModeSelectionFollowsTheProcessingMode) {
  ASSERT_EQ(0, Init("MI1320"));
  Start(2, 1280, 1024);
  SetItem(40, 2);
  SetItem(40, 0);
  context_->captureHeight = 800;
  SetItem(40, 5);
  SetItem(40, 1);
  EXPECT_EQ((std::vector<std::string>{"HS\\YUYV\\1280", "HS\\YUYV\\1280T", "HS\\YUYV\\1280C",
                                      "HS\\YUYV\\1280S"}),
            Log().modeScripts);
  context_->captureHeight = 960;
  SetItem(40, 2);
  EXPECT_EQ(4u, Log().modeScripts.size());
}

TEST_F(CustomPropertiesTest, Mi1320RegisterPeekGoesThroughThePageRegister) {
  ASSERT_EQ(0, Init("MI1320"));
  Log().registerValues[CallbackLog::kSpaceA][0x23] = 0x45;
  Record select = Item(0, 0x0123);
  Set(51, &select);
  Record out = Item(0);
  EXPECT_EQ(32u, Get(54, &out));
  ASSERT_EQ(2u, Log().writes.size());
  EXPECT_EQ((std::vector<std::pair<uint8_t, uint8_t>>{{0xF0, 0}}), Log().writes[0].pairs);
  EXPECT_EQ((std::vector<std::pair<uint8_t, uint8_t>>{{0xF1, 1}}), Log().writes[1].pairs);
  ASSERT_EQ(2u, Log().reads.size());
  EXPECT_EQ(0x23, Log().reads[0].second);
  EXPECT_EQ(0xF1, Log().reads[1].second);
  // The second read sees 0xF1, which the page write left at 1.
  EXPECT_EQ(0x45 * 256 + 1, out.value);

  Log().Clear();
  Record poke = Item(0x0234, 0xBEEF);
  Set(54, &poke);
  ASSERT_EQ(1u, Log().writes.size());
  EXPECT_EQ((std::vector<std::pair<uint8_t, uint8_t>>{{0xF0, 0}, {0xF1, 2}, {0x34, 0xBE}, {0xF1, 0xEF}}),
            Log().writes[0].pairs);
}

TEST_F(CustomPropertiesTest, Mi0360AndOtherSensorsPeekAndPoke) {
  ASSERT_EQ(0, Init("MI0360"));
  Record poke = Item(0x0102, 0x0304);
  Set(54, &poke);
  EXPECT_EQ((std::vector<std::pair<uint8_t, uint8_t>>{{0x01, 0}, {0x7F, 1}, {0x02, 0x03}, {0x7F, 0x04}}),
            Log().writes[0].pairs);
  Exit();

  ASSERT_EQ(0, Init("ES2216"));
  Log().Clear();
  Log().registerValues[CallbackLog::kSpaceA][0x12] = 0x9A;
  Record p = Item(0x3412, 0x5678);
  Set(54, &p);
  ASSERT_EQ(2u, Log().writes.size());
  EXPECT_EQ((std::vector<std::pair<uint8_t, uint8_t>>{{0x12, 0x78}}), Log().writes[0].pairs);
  EXPECT_EQ((std::vector<std::pair<uint8_t, uint8_t>>{{5, 1}}), Log().writes[1].pairs);  // commit
  Record select = Item(0x12);
  Set(63, &select);
  Record out = Item(0);
  Get(54, &out);
  EXPECT_EQ(0x78, out.value);
  // Controller registers through space B.
  Log().registerValues[CallbackLog::kSpaceB][0x12] = 0x66;
  Get(52, &out);
  EXPECT_EQ(0x66, out.value);
  Record write = Item(0x1D0, 0x1FF);
  Set(52, &write);
  EXPECT_EQ(CallbackLog::kSpaceB, Log().writes.back().space);
  EXPECT_EQ((std::vector<std::pair<uint8_t, uint8_t>>{{0xD0, 0xFF}}), Log().writes.back().pairs);
}

TEST_F(CustomPropertiesTest, SnapshotResultIsReadOnce) {
  ASSERT_EQ(0, Init("OV9650"));
  Record arm = Item(0);
  EXPECT_EQ(32u, Set(57, &arm));
  EXPECT_EQ(1u, context_->snapshotRequest);
  context_->snapshotIndex = 9;
  uint32_t result = 0xFFFF;
  EXPECT_EQ(4u, Get(57, &result));
  EXPECT_EQ(9u, result);
  EXPECT_EQ(4u, Get(57, &result));
  EXPECT_EQ(0u, result);
  EXPECT_EQ("Raw Capture Set !!!\nRaw Capture Get !!!\nRaw Capture Get !!!\n", hostkernel::DebugOutput());
}

TEST_F(CustomPropertiesTest, GammaRecordExchangesPointsAndCurve) {
  ASSERT_EQ(0, Init("OV9650"));
  using Gamma = SorvexGammaRecord;
  static_assert(sizeof(Gamma) == 648, "gamma record");
  Gamma in{};
  in.reserved = 0x5555;
  in.pointCount = 0;
  for (int i = 0; i < 256; ++i) in.curve[i] = static_cast<uint16_t>(i * 200);
  EXPECT_EQ(648u, Set(64, &in));
  EXPECT_EQ(0, context_->gammaPointCount);
  EXPECT_EQ(200 * 255, context_->gammaCurve[255]);

  in.pointCount = 1000;  // more than the record holds
  for (int i = 0; i < 32; ++i) in.points[i] = i + 1;
  Set(64, &in);
  EXPECT_EQ(32, context_->gammaPointCount);
  EXPECT_EQ(32, context_->gammaPoints[31]);
  in.pointCount = -4;
  Set(64, &in);
  EXPECT_EQ(0, context_->gammaPointCount);

  context_->gammaPointCount = 3;
  Gamma out{};
  out.reserved = 0x7777;
  EXPECT_EQ(648u, Get(64, &out));
  EXPECT_EQ(3, out.pointCount);
  EXPECT_EQ(1, out.points[0]);
  EXPECT_EQ(0, out.points[3]);
  EXPECT_EQ(0x7777u, out.reserved);
  EXPECT_EQ(200 * 10, out.curve[10]);
}

TEST_F(CustomPropertiesTest, GammaResetRestoresTheSensorDefaults) {
  ASSERT_EQ(0, Init("OV9655"));
  const int32_t count = context_->gammaPointCount;
  uint16_t curve[256];
  std::memcpy(curve, context_->gammaCurve, sizeof curve);
  context_->gammaPointCount = 1;
  context_->gammaCurve[100] ^= 0x5A5A;
  SetItem(99, 12345);
  EXPECT_EQ(count, context_->gammaPointCount);
  EXPECT_EQ(0, std::memcmp(curve, context_->gammaCurve, sizeof curve));
}

TEST_F(CustomPropertiesTest, FactoryDefaultsReloadRotatesUnlessInverted) {
  hostkernel::SetRegistryDword(PageSettingKey("S5K4AA"), "Default_Zoom", 4);
  ASSERT_EQ(0, Init("S5K4AA"));
  Start(1, 1280, 1024);
  context_->zoom = 9;
  SetItem(100, 0);
  EXPECT_EQ(4u, context_->zoom);
  EXPECT_TRUE(Rotated());
  Exit();

  hostkernel::SetRegistryDword(kDriverKey, "InvertImage", 1);
  ASSERT_EQ(0, Init("S5K4AA"));
  Start(1, 1280, 1024);
  context_->blankFrameCount = 0;
  SetItem(100, 0);
  EXPECT_FALSE(Rotated());
  EXPECT_EQ(5u, context_->blankFrameCount);
}

TEST_F(CustomPropertiesTest, FactoryDefaultsWithChangedSsbsRestarts) {
  hostkernel::SetRegistryDword(PageSettingKey("OV9650"), "Default_SSBS", 0);
  ASSERT_EQ(0, Init("OV9650"));
  context_->ssbs = 1;
  Start(1, 640, 480);
  SetItem(100, 0);
  EXPECT_EQ(0u, context_->ssbs);
  EXPECT_EQ(640u, context_->captureWidth);
  EXPECT_EQ(10u, context_->blankFrameCount);
}

TEST_F(CustomPropertiesTest, NullRequestsReturnNothing) {
  ASSERT_EQ(0, Init("OV9650"));
  SorvexPropertyDescriptor empty{nullptr, 0, nullptr, 0, 0};
  EXPECT_EQ(0u, ISPFunc_prpmanf_GetCustomProperty(context_, kDevice, nullptr));
  EXPECT_EQ(0u, ISPFunc_prpmanf_SetCustomProperty(context_, kDevice, &empty));
  Header header = HeaderFor(60);
  SorvexPropertyDescriptor noData{&header, 0, nullptr, 0, 0};
  EXPECT_EQ(0u, ISPFunc_prpmanf_SetCustomProperty(context_, kDevice, &noData));
  Record record = Item(0, 5);
  SorvexPropertyDescriptor request{&header, 0, &record, 0, 0};
  EXPECT_EQ(0u, ISPFunc_prpmanf_SetCustomProperty(nullptr, kDevice, &request));
}

TEST_F(CustomPropertiesTest, SimpleValuesAndTheFlickerReapply) {
  ASSERT_EQ(0, Init("OV9650"));
  Start(2, 320, 240);
  for (uint32_t id : {60u, 61u, 62u}) {
    Record record = Item(0, 3);
    EXPECT_EQ(32u, Set(id, &record));
    Record out = Item(0);
    EXPECT_EQ(32u, Get(id, &out));
    EXPECT_EQ(3, out.value);
  }
  context_->blankFrameCount = 0;
  Record flicker = Item(0, 1);
  EXPECT_EQ(32u, Set(66, &flicker));
  EXPECT_EQ(1u, context_->flickerMode);
  EXPECT_EQ(3u, context_->blankFrameCount);  // the re-apply resets the blank count
  Record out = Item(0);
  Get(66, &out);
  EXPECT_EQ(1, out.value);
  Get(55, &out);
  EXPECT_EQ(21, out.value);
  Get(50, &out);
  EXPECT_EQ(2, out.value);
}

}  // namespace
}  // namespace sorvextest
