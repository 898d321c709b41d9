// Raw snapshots in the registry, and reading them back as an application does.

#include <cstring>

#include "fake_minidriver.h"
#include "core/isp_context.h"
#include "store/raw_snapshot.h"
#include "snapshot_store.h"

using namespace sorvex0;

namespace sorvextest {
namespace {

constexpr const char *kService = "\\REGISTRY\\MACHINE\\SYSTEM\\CurrentControlSet\\Services\\DCamSorvex";

class RawSnapshotTest : public MinidriverTest {
 protected:
  void SetUp() override {
    MinidriverTest::SetUp();
    ASSERT_EQ(0, Init("OV9650"));
  }
  std::vector<uint8_t> Frame(uint32_t width, uint32_t height) {
    std::vector<uint8_t> raw(static_cast<size_t>(width) * height);
    for (size_t i = 0; i < raw.size(); ++i) raw[i] = static_cast<uint8_t>(i * 31 + i / 4099);
    return raw;
  }
  void Write(const std::vector<uint8_t> &raw, uint32_t width, uint32_t height, uint32_t number,
             const PictureValues &values = {11, 22, 33, 44, 55, 66, 77, 88, 0}) {
    WriteRawSnapshot(context_, values, width, height, 320, 240, raw.data(), number);
  }
  static std::vector<uint8_t> Value(const std::string &name) {
    uint32_t type = 0;
    std::vector<uint8_t> data;
    EXPECT_TRUE(hostkernel::GetRegistryValue(kService, name, &type, &data)) << name;
    return data;
  }
  static void CompleteServiceKey() {
    hostkernel::SetRegistryDword(kService, "Start", 3);
    hostkernel::SetRegistryDword(kService, "Type", 1);
  }
};

TEST_F(RawSnapshotTest, SmallChunksWhenTheServiceKeyIsIncomplete) {
  hostkernel::SetRegistryDword(kService, "Start", 3);  // no "Type"
  const std::vector<uint8_t> raw = Frame(640, 480);
  Write(raw, 640, 480, 1);
  std::vector<std::string> expected;
  for (int i = 0; i <= 18; ++i) expected.push_back("Raw01Data" + std::string(i < 10 ? "0" : "") + std::to_string(i));
  expected.insert(expected.end(), {"Raw01Info", "Raw01W", "Raw01H"});
  std::vector<std::string> names = hostkernel::ValueNames(kService);
  names.erase(names.begin());  // "Start"
  EXPECT_EQ(expected, names);
  EXPECT_EQ(16384u, Value("Raw01Data00").size());
  EXPECT_EQ(12288u, Value("Raw01Data18").size());
  EXPECT_EQ(0, std::memcmp(Value("Raw01Data18").data(), raw.data() + 18 * 16384, 12288));
  EXPECT_EQ("Write RawData = 1\n", hostkernel::DebugOutput());
}

TEST_F(RawSnapshotTest, LargeChunkWhenTheServiceKeyIsComplete) {
  CompleteServiceKey();
  const std::vector<uint8_t> raw = Frame(640, 480);
  Write(raw, 640, 480, 7);
  EXPECT_EQ(raw, Value("Raw07Data00"));
  uint32_t type;
  std::vector<uint8_t> data;
  EXPECT_FALSE(hostkernel::GetRegistryValue(kService, "Raw07Data01", &type, &data));
}

TEST_F(RawSnapshotTest, ChunkCountsAtTheBoundaries) {
  Write(Frame(128, 256), 128, 256, 2);  // exactly 2 x 16,384 bytes
  uint32_t type;
  std::vector<uint8_t> data;
  EXPECT_TRUE(hostkernel::GetRegistryValue(kService, "Raw02Data01", &type, &data));
  EXPECT_FALSE(hostkernel::GetRegistryValue(kService, "Raw02Data02", &type, &data));

  Write(Frame(1600, 1200), 1600, 1200, 3);  // 118 chunks: indices with three digits
  EXPECT_EQ(16384u, Value("Raw03Data100").size());
  EXPECT_EQ(1920000u - 117 * 16384u, Value("Raw03Data117").size());

  Write({}, 0, 0, 4);  // no data, but the record and the size
  EXPECT_FALSE(hostkernel::GetRegistryValue(kService, "Raw04Data00", &type, &data));
  EXPECT_EQ(128u, Value("Raw04Info").size());
  EXPECT_EQ(std::vector<uint8_t>(4, 0), Value("Raw04W"));
}

TEST_F(RawSnapshotTest, RecordDescribesTheProcessingState) {
  context_->noiseLevel = 5;
  context_->blackLevel = 9;
  Write(Frame(64, 32), 64, 32, 5);
  const std::vector<uint8_t> info = Value("Raw05Info");
  ASSERT_EQ(128u, info.size());
  auto word = [&](size_t offset) {
    uint32_t v;
    std::memcpy(&v, &info[offset], 4);
    return v;
  };
  EXPECT_EQ(0, std::memcmp(info.data(), "ESS ", 4));
  EXPECT_EQ(320u, word(4));
  EXPECT_EQ(240u, word(8));
  for (uint32_t i = 0; i < 8; ++i) EXPECT_EQ(11u * (i + 1), word(12 + 4 * i));
  EXPECT_EQ(5u, word(44));
  EXPECT_EQ(context_->ric, word(48));
  EXPECT_EQ(100u, word(52));
  EXPECT_EQ(context_->awbGainLimit, word(64));
  EXPECT_EQ(context_->aeTarget, word(68));
  EXPECT_EQ(1u, word(72));  // P9 = 0: colour off
  EXPECT_EQ(21u, word(76));
  EXPECT_EQ(100u, word(80));
  EXPECT_LE(word(84), 100u);
  EXPECT_EQ(9u, word(88));
  EXPECT_EQ(std::vector<uint8_t>(36, 0), std::vector<uint8_t>(info.begin() + 92, info.end()));
}

TEST_F(RawSnapshotTest, ReaderGetsTheFrameBackByteForByte) {
  for (bool complete : {false, true}) {
    if (complete) CompleteServiceKey();
    const std::vector<uint8_t> raw = Frame(1280, 960);
    Write(raw, 1280, 960, 12);
    // Through the registry file, as another program would see it.
    const std::string file = hostkernel::SaveRegistryText();
    hostkernel::ResetRegistry();
    std::string error;
    ASSERT_TRUE(hostkernel::LoadRegistryText(file, &error)) << error;
    sorvexsnap::Snapshot snapshot;
    ASSERT_TRUE(sorvexsnap::ReadSnapshot(12, &snapshot, &error)) << error;
    EXPECT_EQ(1280u, snapshot.width);
    EXPECT_EQ(960u, snapshot.height);
    EXPECT_EQ(raw, snapshot.frame);
    const std::string pgm = sorvexsnap::ToPgm(snapshot);
    EXPECT_EQ(0, pgm.compare(0, 15, "P5\n1280 960\n255"));
    EXPECT_EQ(pgm.size(), std::string("P5\n1280 960\n255\n").size() + raw.size());
    EXPECT_NE(std::string::npos, sorvexsnap::DescribeInfo(snapshot).find("sensorId 21\n"));
  }
  sorvexsnap::Snapshot missing;
  std::string error;
  EXPECT_FALSE(sorvexsnap::ReadSnapshot(40, &missing, &error));
  EXPECT_FALSE(error.empty());
}

TEST_F(RawSnapshotTest, SameNumberOverwritesTheOldSnapshot) {
  CompleteServiceKey();
  Write(Frame(64, 64), 64, 64, 1);
  const std::vector<uint8_t> second(32 * 16, 0x3C);
  Write(second, 32, 16, 1);
  EXPECT_EQ(second, Value("Raw01Data00"));
  EXPECT_EQ((std::vector<uint8_t>{32, 0, 0, 0}), Value("Raw01W"));
}

}  // namespace
}  // namespace sorvextest
