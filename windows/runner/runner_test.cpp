// The runner itself: the loader refuses what the kernel's would, a call
// that overflows the kernel stack or a pool block faults loudly, and the
// shipped sorvex0.sys on its real 32-bit layout (its context block, its
// BIOS32 far call).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "driver_images.h"
#include "fake_minidriver.h"
#include "io_space_mapping.h"
#include "kernel_stack.h"
#include "pe_image.h"
#include "core/isp_context.h"
#include "snapshot_store.h"
#include "special_pool.h"

namespace sorvextest {
namespace {

using driverrunner::ImportTable;
using driverrunner::LoadedImage;

uint32_t Read32(const std::vector<uint8_t> &file, size_t at) {
  uint32_t value;
  std::memcpy(&value, file.data() + at, 4);
  return value;
}

void Write32(std::vector<uint8_t> &file, size_t at, uint32_t value) { std::memcpy(file.data() + at, &value, 4); }

// What loading a copy of an image gives: "" when it loads, else the message.
std::string LoadError(const std::string &name, std::vector<uint8_t> file, bool fixChecksum,
                      const ImportTable &imports) {
  if (fixChecksum) Write32(file, driverrunner::PeChecksumOffset(file), driverrunner::PeChecksum(file));
  LoadedImage image;
  std::string error;
  if (driverrunner::LoadImage(name, file, imports, &image, &error)) {
    driverrunner::UnloadImage(&image);
    return "";
  }
  return error;
}

std::vector<uint8_t> ImageFile(const std::string &name) {
  return driverrunner::ReadImageFile(driverrunner::DriverImageDirectory() + "/" + name);
}

// Each deliberately damaged copy of sorvex1.sys is refused with a message
// that names the damage; the checksum is made right again where the damage
// is to reach the check behind it.
TEST(DriverLoader, RefusesDamagedCopiesOfTheShippedImage) {
  const std::vector<uint8_t> original = ImageFile("sorvex1.sys");
  ASSERT_FALSE(original.empty()) << "no sorvex1.sys in " << driverrunner::DriverImageDirectory();
  const ImportTable kernel = driverrunner::KernelImportTable();
  ASSERT_EQ("", LoadError("sorvex1.sys", original, false, kernel));
  const size_t pe = Read32(original, 0x3C);
  const size_t optional = pe + 24;

  struct Damage {
    const char *what;
    std::vector<uint8_t> file;
    bool fixChecksum;
    const char *message;
  };
  std::vector<Damage> damages;

  std::vector<uint8_t> renamed = original;
  const char kName[] = "ExFreePool";
  auto at = std::search(renamed.begin(), renamed.end(), kName, kName + sizeof kName);
  ASSERT_NE(renamed.end(), at);
  at[sizeof kName - 2] = 'x';
  damages.push_back({"an import renamed", renamed, true, "cannot be bound: ntoskrnl.exe!ExFreePoox"});

  std::vector<uint8_t> cut = original;
  const size_t relocationSize = optional + 96 + 8 * 5 + 4;
  ASSERT_GT(Read32(cut, relocationSize), 8u);
  Write32(cut, relocationSize, Read32(cut, relocationSize) - 4);
  damages.push_back({"a relocation block cut short", cut, true, "is cut short"});

  std::vector<uint8_t> machine = original;
  machine[pe + 4] = 0x64;
  machine[pe + 5] = 0x86;
  damages.push_back({"a wrong machine type", machine, true, "wrong machine type 0x8664"});

  std::vector<uint8_t> signature = original;
  signature[pe + 1] = 'X';
  damages.push_back({"a damaged header", signature, false, "damaged header: no PE signature"});

  std::vector<uint8_t> subsystem = original;
  subsystem[optional + 68] = 3;
  damages.push_back({"a console program's subsystem", subsystem, true, "is not native"});

  std::vector<uint8_t> flipped = original;
  flipped[flipped.size() / 2] ^= 0x40;
  damages.push_back({"a changed byte", flipped, false, "checksum"});

  for (const Damage &damage : damages) {
    SCOPED_TRACE(damage.what);
    const std::string error = LoadError("sorvex1.sys", damage.file, damage.fixChecksum, kernel);
    EXPECT_NE(std::string::npos, error.find(damage.message)) << error;
    EXPECT_EQ(0u, error.find("sorvex1.sys: ")) << error;
  }

  // sorvex0.sys binds to the exports of the loaded sorvex1.sys, and to
  // nothing else: without it every one of them is named.
  const std::string error = LoadError("sorvex0.sys", ImageFile("sorvex0.sys"), false, kernel);
  EXPECT_NE(std::string::npos, error.find("sorvex1.sys!FUNC_Init")) << error;
  EXPECT_NE(std::string::npos, error.find("sorvex1.sys!FUNC_RawToYuv")) << error;
}

// Touches `bytes` of stack from the top down, as a deep driver call would.
uint32_t UseStack(uint32_t bytes) {
  volatile uint8_t *frame = static_cast<volatile uint8_t *>(__builtin_alloca(bytes));
  for (uint32_t i = bytes; i >= 256; i -= 256) frame[i - 1] = static_cast<uint8_t>(i);
  return frame[bytes - 1];
}

TEST(KernelStack, ACallThatNeedsMoreThan12KiBFailsLoudly) {
  const void *function = reinterpret_cast<const void *>(&UseStack);
  EXPECT_EQ(static_cast<uint8_t>(8192), driverrunner::CallOnKernelStack(function, {8192}));
  EXPECT_DEATH(driverrunner::CallOnKernelStack(function, {16384}),
               "kernel stack overflow: a driver call needed more than the 12288-byte kernel stack");
}

TEST(SpecialPool, OverrunsUnderrunsAndUsesAfterFreeFault) {
  driverrunner::DriverExport("sorvex0.sys", "ISPFunc_Init");  // the images are loaded, the special pool in place
  auto *block = static_cast<volatile uint8_t *>(ExAllocatePoolWithTag(NonPagedPool, 40, kPoolTag));
  ASSERT_NE(nullptr, block);
  block[0] = 1;
  block[39] = 1;
  if (driverrunner::PlacementFromEnvironment() == driverrunner::SpecialPoolPlacement::kEnd) {
    EXPECT_DEATH(block[40] = 1, "special pool: access past the end of the 40-byte pool block");
  } else {
    EXPECT_DEATH(block[-1] = 1, "special pool: access before the start of the 40-byte pool block");
  }
  ExFreePool(const_cast<uint8_t *>(block));
  EXPECT_DEATH(block[0] = 2, "special pool: use after free of the 40-byte pool block");
}

using ShippedImage = MinidriverTest;

// The context block as the shipped image allocates it: 3,568 bytes with the
// drivers' tag, the 32-bit layout's 3,528 bytes of fields and a reserved
// tail; the tests' view of the context has that layout, so reading its
// fields reads the image's.
TEST_F(ShippedImage, ContextBlockIsTheCamerasBlockSize) {
  ASSERT_EQ(0, Init("OV9650"));
  bool found = false;
  for (const hostkernel::PoolBlock &block : hostkernel::LivePoolBlocks()) {
    if (block.address != context_) continue;
    found = true;
    EXPECT_EQ(kPoolTag, block.tag);
    EXPECT_EQ(3568u, block.size);
    EXPECT_EQ(3536u, sizeof(IspContext));
  }
  EXPECT_TRUE(found);
  EXPECT_EQ(21u, context_->sensorId);
}

// The image's BIOS32 far call (lcall through the current code segment) into
// the BIOS area it mapped, to the directory's entry and then to the PCI
// service, reads the host bridge's id: a SiS bridge marks the host.
TEST_F(ShippedImage, Bios32FarCallReadsTheHostBridge) {
  hostkernel::SetRegistryValue("\\REGISTRY\\MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\"
                               "{36FC9E60-C465-11CF-8056-444553540000}\\0000",
                               "DriverDesc", REG_SZ, {'U', 0, 'S', 0, 'B', 0, 0, 0});
  hostkernel::InstallDefaultBiosArea();
  for (uint32_t id : {0x70011039u, 0x12378086u}) {
    SCOPED_TRACE(id);
    hostkernel::SetPciHostBridgeId(id);
    const uint32_t callsBefore = driverrunner::Bios32StubCalls();
    ASSERT_EQ(0, Init("OV9650"));
    EXPECT_EQ(2u, driverrunner::Bios32StubCalls() - callsBefore);
    EXPECT_EQ((id & 0xFFFF) == 0x1039 ? 1u : 0u, context_->sisHostController);
    Exit();
  }
  hostkernel::UseRealPciHostBridge();
  hostkernel::ClearPhysicalMemory();
}

// Settings a camera leaves go to the registry file and come back from it
// after the images were unloaded and loaded again, as after a restart.
TEST_F(ShippedImage, SettingsPersistThroughTheRegistryFileAcrossTwoLoads) {
  const std::string page = PageSettingKey("MI0360");
  hostkernel::SetRegistryDword(page, "Camera_Zoom", 7);
  ASSERT_EQ(0, Init("MI0360"));
  EXPECT_EQ(7u, context_->zoom);
  context_->flickerMode = 1;
  context_->flipVertical = 1;
  Exit();
  const std::string file = ::testing::TempDir() + "driver_image_settings.reg";
  std::string error;
  ASSERT_TRUE(hostkernel::SaveRegistryFile(file, &error)) << error;

  const uint32_t generation = driverrunner::DriverImageGeneration();
  driverrunner::ReloadDriverImages();
  EXPECT_EQ(generation + 1, driverrunner::DriverImageGeneration());
  hostkernel::ResetRegistry();
  ASSERT_TRUE(hostkernel::LoadRegistryFile(file, &error)) << error;
  ASSERT_EQ(0, Init("MI0360"));
  EXPECT_EQ(7u, context_->zoom);
  EXPECT_EQ(1u, context_->flickerMode);
  EXPECT_EQ(1u, context_->flipVertical);
  EXPECT_EQ(0u, context_->flipHorizontal);
  std::remove(file.c_str());
}

// A raw snapshot armed through the custom property: the image writes the
// frame it processed and its record to the registry, and the snapshot reader
// gets the frame back, byte for byte, for a sensor whose frames need no
// line or column repair.
TEST_F(ShippedImage, RawSnapshotComesBackFromTheRegistry) {
  hostkernel::SetRegistryDword("\\REGISTRY\\MACHINE\\SYSTEM\\CurrentControlSet\\Services\\DCamSorvex", "Start", 3);
  hostkernel::SetRegistryDword("\\REGISTRY\\MACHINE\\SYSTEM\\CurrentControlSet\\Services\\DCamSorvex", "Type", 1);
  hostkernel::SetSystemTime(132000000000000000LL);
  ASSERT_EQ(0, Init("OV9650"));
  uint32_t width = 0;
  uint32_t height = 0;
  ISPFunc_StartCapture(context_, kDevice, SORVEX_FORMAT_YUYV, 320, 240, &width, &height);
  context_->blankFrameCount = 0;
  std::vector<uint8_t> scene(static_cast<size_t>(width) * height);
  for (size_t i = 0; i < scene.size(); ++i) scene[i] = static_cast<uint8_t>(40 + (i * 7 + i / width * 3) % 160);
  std::vector<uint8_t> destination(320 * 240 * 2);
  for (int frame = 0; frame < 3; ++frame) {
    if (frame == 1) {
      uint8_t header[24] = {};
      const uint32_t snapshotRequest = 57;
      std::memcpy(header + 16, &snapshotRequest, 4);
      uint8_t record[32] = {};
      SorvexPropertyDescriptor request{header, 0, record, sizeof record, sizeof record};
      ISPFunc_prpmanf_SetCustomProperty(context_, kDevice, &request);
    }
    std::vector<uint8_t> raw = scene;
    hostkernel::AdvanceSystemTime(1000000);
    ISPFunc_RawToImg(context_, kDevice, SORVEX_FORMAT_YUYV, 50, 50, 50, 50, 50, 50, 50, 50, 50, destination.data(),
                     raw.data(), 320, 240);
  }
  ISPFunc_StopCapture(context_, kDevice);
  Exit();
  sorvexsnap::Snapshot snapshot;
  std::string error;
  ASSERT_TRUE(sorvexsnap::ReadSnapshot(1, &snapshot, &error)) << error;
  EXPECT_EQ(width, snapshot.width);
  EXPECT_EQ(height, snapshot.height);
  EXPECT_TRUE(snapshot.frame == scene);
  EXPECT_EQ(128u, snapshot.info.size());
  hostkernel::FollowRealClock();
}

}  // namespace
}  // namespace sorvextest
