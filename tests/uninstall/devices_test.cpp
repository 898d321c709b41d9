// Devices through the setup API: setup classes, device sets, properties and
// removal, over instance keys in the registry file.
#include <gtest/gtest.h>

#include <cstring>

#include "host_test_support.h"
#include "hostwin32/win32.h"

namespace hostwin32_test {
namespace {

constexpr char kClassKey[] = "MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\";
constexpr char kEnumKey[] = "MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\";
constexpr char kImageGuid[] = "{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}";
constexpr char kUsbGuid[] = "{36FC9E60-C465-11CF-8056-444553540000}";
constexpr GUID kImageClass = {0x6BDD1FC6, 0x810F, 0x11D0, {0xBE, 0xC7, 0x08, 0x00, 0x2B, 0xE2, 0x09, 0x2F}};

constexpr char kCamera[] = "USB\\VID_1E4E&PID_0102\\5&2A1B&0&2";
constexpr char kOtherCamera[] = "USB\\VID_046D&PID_08C2\\5&77&0&1";
constexpr char kHub[] = "USB\\ROOT_HUB20\\4&1&0";
constexpr char kCardReader[] = "SD\\CARD\\1";

class DevicesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hostkernel::RegistryStore store;
    SetRegSz(store, kClassKey + std::string(kImageGuid), "Class", "Image");
    SetRegSz(store, kClassKey + std::string(kImageGuid) + "\\0000", "DriverDesc", "Sorvecam");
    SetRegSz(store, kClassKey + std::string(kImageGuid) + "\\0001", "DriverDesc", "Other");
    SetRegSz(store, kClassKey + std::string(kUsbGuid), "Class", "USB");
    AddDevice(store, kCamera, kImageGuid, {"USB\\VID_1E4E&PID_0102&REV_0100", "USB\\VID_1E4E&PID_0102"});
    SetRegSz(store, kEnumKey + std::string(kCamera), "Driver", std::string(kImageGuid) + "\\0000");
    AddDevice(store, kHub, kUsbGuid, {"USB\\ROOT_HUB20"});
    AddDevice(store, kOtherCamera, kImageGuid, {"USB\\VID_046D&PID_08C2"});
    AddDevice(store, kCardReader, kImageGuid, {"SD\\CARD"});
    std::string error;
    ASSERT_TRUE(store.SaveFile(machine_.RegistryFile(), &error)) << error;
  }

  void TearDown() override {
    if (devices_ != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(devices_);
  }

  static void AddDevice(hostkernel::RegistryStore &store, const std::string &instance,
                        const std::string &classGuid, const std::vector<std::string> &ids) {
    SetRegSz(store, kEnumKey + instance, "ClassGUID", classGuid);
    SetRegMultiSz(store, kEnumKey + instance, "HardwareID", ids);
  }

  // The first hardware id of each member of the set, in order.
  std::vector<std::string> FirstIds(HDEVINFO devices) {
    std::vector<std::string> ids;
    SP_DEVINFO_DATA device;
    device.cbSize = sizeof device;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(devices, i, &device); ++i) {
      char id[256];
      EXPECT_TRUE(SetupDiGetDeviceRegistryPropertyA(devices, &device, SPDRP_HARDWAREID, nullptr,
                                                    reinterpret_cast<PBYTE>(id), sizeof id, nullptr));
      ids.push_back(id);
    }
    EXPECT_EQ(static_cast<DWORD>(ERROR_NO_MORE_ITEMS), GetLastError());
    return ids;
  }

  HostMachineEnvironment machine_;
  HDEVINFO devices_ = INVALID_HANDLE_VALUE;
};

TEST_F(DevicesTest, ClassNamesAreLookedUpUnderTheClassKeys) {
  GUID guids[2] = {};
  DWORD count = 0;
  EXPECT_TRUE(SetupDiClassGuidsFromNameA("image", guids, 2, &count));
  ASSERT_EQ(1u, count);
  EXPECT_EQ(0, std::memcmp(&kImageClass, &guids[0], sizeof(GUID)));
  EXPECT_TRUE(SetupDiClassGuidsFromNameA("NoSuchClass", guids, 2, &count));
  EXPECT_EQ(0u, count);
  EXPECT_FALSE(SetupDiClassGuidsFromNameA("usb", guids, 0, &count));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
  EXPECT_EQ(1u, count);
}

TEST_F(DevicesTest, DeviceSetsHoldTheInstancesOfAClass) {
  devices_ = SetupDiGetClassDevsA(&kImageClass, nullptr, nullptr, 0);
  ASSERT_NE(INVALID_HANDLE_VALUE, devices_);
  EXPECT_EQ((std::vector<std::string>{"USB\\VID_1E4E&PID_0102&REV_0100", "USB\\VID_046D&PID_08C2",
                                      "SD\\CARD"}),
            FirstIds(devices_));
  HDEVINFO usbImages = SetupDiGetClassDevsA(&kImageClass, "usb", nullptr, DIGCF_PRESENT);
  EXPECT_EQ(2u, FirstIds(usbImages).size());
  SetupDiDestroyDeviceInfoList(usbImages);
  HDEVINFO all = SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES);
  EXPECT_EQ(4u, FirstIds(all).size());
  SetupDiDestroyDeviceInfoList(all);

  EXPECT_EQ(INVALID_HANDLE_VALUE, SetupDiGetClassDevsA(nullptr, nullptr, nullptr, 0));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
  EXPECT_EQ(INVALID_HANDLE_VALUE, SetupDiGetClassDevsA(&kImageClass, nullptr, nullptr, DIGCF_DEVICEINTERFACE));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_FLAGS), GetLastError());
  SP_DEVINFO_DATA device;
  device.cbSize = sizeof device + 4;
  EXPECT_FALSE(SetupDiEnumDeviceInfo(devices_, 0, &device));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_USER_BUFFER), GetLastError());
}

TEST_F(DevicesTest, HardwareIdIsAnAnsiMultiString) {
  devices_ = SetupDiGetClassDevsA(&kImageClass, nullptr, nullptr, 0);
  SP_DEVINFO_DATA device;
  device.cbSize = sizeof device;
  ASSERT_TRUE(SetupDiEnumDeviceInfo(devices_, 0, &device));
  EXPECT_EQ(0, std::memcmp(&kImageClass, &device.ClassGuid, sizeof(GUID)));
  const char expected[] = "USB\\VID_1E4E&PID_0102&REV_0100\0USB\\VID_1E4E&PID_0102\0";  // + final NUL
  BYTE buffer[256];
  DWORD type = 0;
  DWORD required = 0;
  ASSERT_TRUE(SetupDiGetDeviceRegistryPropertyA(devices_, &device, SPDRP_HARDWAREID, &type, buffer,
                                                sizeof buffer, &required));
  EXPECT_EQ(static_cast<DWORD>(REG_MULTI_SZ), type);
  ASSERT_EQ(sizeof expected, required);
  EXPECT_EQ(0, std::memcmp(expected, buffer, sizeof expected));
  EXPECT_FALSE(SetupDiGetDeviceRegistryPropertyA(devices_, &device, SPDRP_HARDWAREID, nullptr,
                                                 buffer, required - 1, &required));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
  EXPECT_EQ(sizeof expected, required);
  EXPECT_FALSE(SetupDiGetDeviceRegistryPropertyA(devices_, &device, SPDRP_FRIENDLYNAME, nullptr,
                                                 buffer, sizeof buffer, nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA), GetLastError());
  EXPECT_FALSE(SetupDiGetDeviceRegistryPropertyA(devices_, &device, 0x7F, nullptr, buffer,
                                                 sizeof buffer, nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_REG_PROPERTY), GetLastError());
}

TEST_F(DevicesTest, RemoveDeletesTheInstanceAndDriverKeys) {
  devices_ = SetupDiGetClassDevsA(&kImageClass, nullptr, nullptr, 0);
  SP_DEVINFO_DATA device;
  device.cbSize = sizeof device;
  ASSERT_TRUE(SetupDiEnumDeviceInfo(devices_, 0, &device));
  EXPECT_FALSE(SetupDiCallClassInstaller(0x1E, devices_, &device));
  EXPECT_EQ(static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED), GetLastError());
  ASSERT_TRUE(SetupDiCallClassInstaller(DIF_REMOVE, devices_, &device));

  auto saved = LoadRegistry(machine_.RegistryFile());
  EXPECT_EQ(nullptr, saved->FindKey(kEnumKey + std::string(kCamera)));
  EXPECT_EQ(nullptr, saved->FindKey(kClassKey + std::string(kImageGuid) + "\\0000"));
  EXPECT_NE(nullptr, saved->FindKey(kClassKey + std::string(kImageGuid) + "\\0001"));
  EXPECT_NE(nullptr, saved->FindKey(kEnumKey + std::string(kOtherCamera)));
  EXPECT_NE(nullptr, saved->FindKey(kEnumKey + std::string(kHub)));

  // The removed member keeps its place; the others keep their indexes.
  BYTE buffer[256];
  EXPECT_FALSE(SetupDiGetDeviceRegistryPropertyA(devices_, &device, SPDRP_HARDWAREID, nullptr,
                                                 buffer, sizeof buffer, nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_NO_SUCH_DEVINST), GetLastError());
  EXPECT_FALSE(SetupDiCallClassInstaller(DIF_REMOVE, devices_, &device));
  EXPECT_EQ(static_cast<DWORD>(ERROR_NO_SUCH_DEVINST), GetLastError());
  ASSERT_TRUE(SetupDiEnumDeviceInfo(devices_, 1, &device));
  EXPECT_TRUE(SetupDiGetDeviceRegistryPropertyA(devices_, &device, SPDRP_HARDWAREID, nullptr,
                                                buffer, sizeof buffer, nullptr));
  EXPECT_STREQ("USB\\VID_046D&PID_08C2", reinterpret_cast<char *>(buffer));
}

}  // namespace
}  // namespace hostwin32_test
