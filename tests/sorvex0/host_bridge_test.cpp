// Detection of the SiS host chipset: the BIOS32 directory scan, the PCI
// configuration read behind it and the USB controller's description.

#include "fake_minidriver.h"
#include "core/isp_context.h"
#include "platform/host_bridge.h"

using namespace sorvex0;

namespace sorvextest {
namespace {

constexpr const char *kUsbControllerKey =
    "\\REGISTRY\\MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\"
    "{36FC9E60-C465-11CF-8056-444553540000}\\0000";
constexpr uint64_t kBiosBase = 0xE0000;

void SetDescription(const std::string &text) {
  std::u16string wide = hostkernel::ToUtf16(text);
  std::vector<uint8_t> data;
  for (char16_t c : wide) {
    data.push_back(static_cast<uint8_t>(c & 0xFF));
    data.push_back(static_cast<uint8_t>(c >> 8));
  }
  data.push_back(0);
  data.push_back(0);
  hostkernel::SetRegistryValue(kUsbControllerKey, "DriverDesc", 1, data);
}

// A BIOS area with a directory at `offset`; `mutate` spoils it as a test needs.
std::vector<uint8_t> BiosWithDirectoryAt(uint32_t offset) {
  std::vector<uint8_t> image(0x20000, 0);
  const uint8_t header[] = {'_', '3', '2', '_', 0x10, 0xD0, 0x0F, 0x00, 0, 1};
  std::copy(std::begin(header), std::end(header), image.begin() + offset);
  uint8_t sum = 0;
  for (int i = 0; i < 16; ++i) sum = static_cast<uint8_t>(sum + image[offset + i]);
  image[offset + 10] = static_cast<uint8_t>(0x100 - sum);
  return image;
}

TEST(Bios32DirectoryScan, FindsOnlyAValidAlignedDirectory) {
  std::vector<uint8_t> image = BiosWithDirectoryAt(0x1D000);
  EXPECT_EQ(image.data() + 0x1D000, FindBios32Directory(image.data(), 0x20000));

  std::vector<uint8_t> badSum = image;
  badSum[0x1D00B] ^= 1;
  EXPECT_EQ(nullptr, FindBios32Directory(badSum.data(), 0x20000));

  std::vector<uint8_t> badLength = BiosWithDirectoryAt(0x100);
  badLength[0x109] = 2;
  badLength[0x10A] = static_cast<uint8_t>(badLength[0x10A] - 1);  // checksum still right
  EXPECT_EQ(nullptr, FindBios32Directory(badLength.data(), 0x20000));

  std::vector<uint8_t> none(0x20000, 0);
  EXPECT_EQ(nullptr, FindBios32Directory(none.data(), 0x20000));

  std::vector<uint8_t> unaligned = BiosWithDirectoryAt(0x102);
  EXPECT_EQ(nullptr, FindBios32Directory(unaligned.data(), 0x20000));

  // Only the first signature counts, even when a later one is valid.
  std::vector<uint8_t> two = BiosWithDirectoryAt(0x1D000);
  two[0x40] = '_';
  two[0x41] = '3';
  two[0x42] = '2';
  two[0x43] = '_';
  EXPECT_EQ(nullptr, FindBios32Directory(two.data(), 0x20000));

  // A signature too near the end to hold a directory is not read past the image.
  std::vector<uint8_t> tail(0x20000, 0);
  tail[0x1FFFC] = '_';
  tail[0x1FFFD] = '3';
  tail[0x1FFFE] = '2';
  tail[0x1FFFF] = '_';
  EXPECT_EQ(nullptr, FindBios32Directory(tail.data(), 0x20000));
}

class SisHostTest : public MinidriverTest {
 protected:
  void SetUp() override {
    MinidriverTest::SetUp();
    hostkernel::InstallDefaultBiosArea();
    hostkernel::SetPciServicePresent(true);
    hostkernel::SetPciHostBridgeId(0x12378086);
  }
  void TearDown() override {
    hostkernel::UseRealPciHostBridge();
    hostkernel::SetPciServicePresent(true);
    MinidriverTest::TearDown();
  }
  uint32_t Detect() {
    EXPECT_EQ(0, Init("OV9650"));
    const uint32_t flag = context_->sisHostController;
    Exit();
    return flag;
  }
};

TEST_F(SisHostTest, ReadsTheHostBridgeThroughTheBios) {
  hostkernel::SetPciHostBridgeId(0xABCD1039);
  EXPECT_EQ(0xABCD1039u, ReadHostBridgeId());
  hostkernel::SetPciServicePresent(false);
  EXPECT_EQ(0u, ReadHostBridgeId());
  hostkernel::SetPciServicePresent(true);
  hostkernel::ClearPhysicalMemory();
  EXPECT_EQ(0u, ReadHostBridgeId());
  // A directory whose entry point lies outside the BIOS area is not called.
  std::vector<uint8_t> image = BiosWithDirectoryAt(0x1D000);
  image[0x1D006] = 0x1F;  // entry 0x1FD010
  image[0x1D00A] = static_cast<uint8_t>(image[0x1D00A] - 0x10);
  hostkernel::SetPhysicalMemory(kBiosBase, image);
  EXPECT_EQ(0u, ReadHostBridgeId());
}

TEST_F(SisHostTest, DescriptionPrefixMatchesInFourExactCases) {
  for (const char *text : {"SiS 7001 PCI to USB Open Host Controller", "SIS USB", "Sis", "sis usb"}) {
    SCOPED_TRACE(text);
    SetDescription(text);
    EXPECT_EQ(1u, Detect());
  }
  for (const char *text : {"sIS 7001", "siS", "Intel(R) USB", "Si", ""}) {
    SCOPED_TRACE(text);
    SetDescription(text);
    EXPECT_EQ(0u, Detect());
  }
}

TEST_F(SisHostTest, SisBridgeCountsOnlyWhenTheDescriptionCanBeRead) {
  hostkernel::SetPciHostBridgeId(0x70011039);
  EXPECT_EQ(0u, Detect());  // no description: no PCI access
  SetDescription("Standard OpenHCD USB Host Controller");
  EXPECT_EQ(1u, Detect());
  hostkernel::SetPciHostBridgeId(0x10390000);  // 0x1039 in the device id only
  EXPECT_EQ(0u, Detect());
  // A description longer than the 256-byte buffer cannot be read.
  hostkernel::SetPciHostBridgeId(0x70011039);
  SetDescription("SiS" + std::string(200, 'x'));
  EXPECT_EQ(0u, Detect());
}

}  // namespace
}  // namespace sorvextest
