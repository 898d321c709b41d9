// Registry deletions over the registry file: what is deleted, what is
// refused, and that the file on disk follows.
#include <gtest/gtest.h>

#include "host_test_support.h"
#include "hostwin32/host_control.h"
#include "hostwin32/win32.h"

namespace hostwin32_test {
namespace {

constexpr char kRun[] = "MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kServices[] = "MACHINE\\SYSTEM\\CurrentControlSet\\Services";

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hostkernel::RegistryStore store;
    SetRegSz(store, kRun, "Trevique", "C:\\Program Files\\Trevique.exe");
    SetRegSz(store, kRun, "Other", "C:\\other.exe");
    SetRegSz(store, std::string(kServices) + "\\DCamSorvex", "ImagePath", "sorvex.sys");
    SetRegSz(store, std::string(kServices) + "\\DCamSorvex\\Enum", "0", "USB\\VID_1E4E");
    SetRegSz(store, std::string(kServices) + "\\usbvideo", "ImagePath", "usbvideo.sys");
    std::string error;
    ASSERT_TRUE(store.SaveFile(machine_.RegistryFile(), &error)) << error;
  }

  HKEY Open(const char *path) {
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_ALL_ACCESS, &key)) << path;
    return key;
  }

  // The registry file as written by the layer.
  bool FileHasKey(const std::string &path) { return LoadRegistry(machine_.RegistryFile())->FindKey(path) != nullptr; }

  HostMachineEnvironment machine_;
};

TEST_F(RegistryTest, OpenFindsKeysInAnyCase) {
  HKEY key = nullptr;
  EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "system\\CURRENTCONTROLSET\\services",
                                         0, KEY_ALL_ACCESS, &key));
  HKEY child = nullptr;
  EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(key, "dcamsorvex\\enum", 0, KEY_READ, &child));
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(child));
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(key));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND,
            RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quendril\\Sorvecam", 0, KEY_ALL_ACCESS, &key));
}

TEST_F(RegistryTest, DeleteKeyRemovesOnlyKeysWithoutSubkeys) {
  HKEY services = Open("SYSTEM\\CurrentControlSet\\Services");
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyA(services, "DCamSorvex"));
  EXPECT_TRUE(FileHasKey(std::string(kServices) + "\\DCamSorvex\\Enum"));
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(services, "dcamsorvex\\ENUM"));
  EXPECT_FALSE(FileHasKey(std::string(kServices) + "\\DCamSorvex\\Enum"));
  EXPECT_TRUE(FileHasKey(std::string(kServices) + "\\DCamSorvex"));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteKeyA(services, "DCamSorvex\\Enum"));
  RegCloseKey(services);
}

TEST_F(RegistryTest, ShDeleteKeyRemovesTheWholeTree) {
  HKEY services = Open("SYSTEM\\CurrentControlSet\\Services");
  EXPECT_EQ(ERROR_SUCCESS, SHDeleteKeyA(services, "DCAMSORVEX"));
  EXPECT_FALSE(FileHasKey(std::string(kServices) + "\\DCamSorvex"));
  EXPECT_TRUE(FileHasKey(std::string(kServices) + "\\usbvideo"));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, SHDeleteKeyA(services, "DCamSorvex"));
  RegCloseKey(services);
}

TEST_F(RegistryTest, DeleteValueRemovesOneValue) {
  HKEY run = Open("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run");
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteValueA(run, "trevique"));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteValueA(run, "Trevique"));
  auto saved = LoadRegistry(machine_.RegistryFile());
  const hostkernel::RegistryKey *key = saved->FindKey(kRun);
  ASSERT_NE(nullptr, key);
  EXPECT_EQ(nullptr, key->FindValue("Trevique"));
  EXPECT_NE(nullptr, key->FindValue("Other"));
  RegCloseKey(run);
}

TEST_F(RegistryTest, KeyDeletedWhileOpen) {
  HKEY sorvex = Open("SYSTEM\\CurrentControlSet\\Services\\DCamSorvex");
  HKEY services = Open("SYSTEM\\CurrentControlSet\\Services");
  EXPECT_EQ(ERROR_SUCCESS, SHDeleteKeyA(services, "DCamSorvex"));
  EXPECT_EQ(ERROR_KEY_DELETED, RegDeleteValueA(sorvex, "ImagePath"));
  RegCloseKey(sorvex);
  RegCloseKey(services);
}

TEST_F(RegistryTest, RegistryFileThatDoesNotLoadIsNeitherUsedNorOverwritten) {
  WriteHostFile(machine_.RegistryFile(), "not a registry file\n");
  hostwin32::ReloadRegistry();
  HKEY key = nullptr;
  EXPECT_EQ(ERROR_BADDB, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_ALL_ACCESS, &key));
  EXPECT_EQ(ERROR_BADDB, SHDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE"));
  EXPECT_EQ("not a registry file\n", ReadHostFile(machine_.RegistryFile()));
}

TEST_F(RegistryTest, MissingRegistryFileIsAnEmptyRegistry) {
  std::remove(machine_.RegistryFile().c_str());
  hostwin32::ReloadRegistry();
  HKEY key = nullptr;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_ALL_ACCESS, &key));
  EXPECT_FALSE(HostFileExists(machine_.RegistryFile()));
}

}  // namespace
}  // namespace hostwin32_test
